#include "cabinet/CabUnpackAhead.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "cabinet/CabIntf.h"
#include "cabinet/CabReader.h"
#include "cabinet/CabSTConsts.h"
#include "winlib/OsError.h"

namespace {

constexpr auto PumpInterval = std::chrono::milliseconds(25);

}  // namespace

TCabUnpackAhead::TLimits TCabUnpackAhead::DefaultLimits()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    TLimits limits;
    limits.Workers = std::clamp<size_t>(info.dwNumberOfProcessors, 2, 8);
    limits.BudgetBytes = 32u << 20;
    limits.MaxFileBytes = 8u << 20;
    limits.MaxItemsAhead = 64 * limits.Workers;  // many tiny files: a bound on the bookkeeping, not the bytes
    return limits;
}

TCabUnpackAhead::TCabUnpackAhead(const std::string& file, std::vector<TCabAheadItem> items, const TLimits& limits)
    : items_(std::move(items)), limits_(limits), slots_(items_.size())
{
    CabIntf::LoadCabinetLibrary();  // its loader has no lock: loaded before any worker starts
    const size_t count = std::max<size_t>(1, std::min(limits_.Workers, items_.size()));
    for (size_t k = 0; k < count; ++k) {
        // A handle per worker: a range read places the file pointer first.
        HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            Stop();
            SetLastError(error);
            winlib::RaiseLastOSError("Opening " + file);
        }
        files_.push_back(handle);
    }
    try {
        for (HANDLE handle : files_)
            workers_.emplace_back(&TCabUnpackAhead::Work, this, handle);
    } catch (...) {
        Stop();
        throw;
    }
}

TCabUnpackAhead::~TCabUnpackAhead() { Stop(); }

void TCabUnpackAhead::Stop()
{
    {
        std::lock_guard<std::mutex> lock(lock_);
        stop_ = true;
    }
    roomMade_.notify_all();
    resultMade_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
    for (HANDLE handle : files_)
        CloseHandle(handle);  // read-only: nothing to flush
    files_.clear();
}

void TCabUnpackAhead::Work(HANDLE file)
{
    TSTCabReader reader;  // its FDI context is made, used and destroyed on this thread
    size_t position = 0;
    while (NextItem(position))
        Deliver(position, UnpackItem(items_[position], file, reader));
}

bool TCabUnpackAhead::Room() const
{
    return waiting_ < limits_.BudgetBytes && next_ < taken_ + limits_.MaxItemsAhead;
}

bool TCabUnpackAhead::RoomForMany() const
{
    return waiting_ <= limits_.BudgetBytes / 2 && next_ <= taken_ + limits_.MaxItemsAhead / 2;
}

// Called with lock_ held. many: only when a batch of room has opened.
void TCabUnpackAhead::WakeWorkers(bool many)
{
    if (sleepers_ > 0 && (many ? RoomForMany() : Room()))
        roomMade_.notify_all();
}

// The next item to start, once the results waiting leave room for it.
bool TCabUnpackAhead::NextItem(size_t& position)
{
    std::unique_lock<std::mutex> lock(lock_);
    ++sleepers_;
    roomMade_.wait(lock, [&] { return stop_ || next_ >= items_.size() || Room(); });
    --sleepers_;
    next_ = std::max(next_, taken_);  // items given up before they were started are never started
    if (stop_ || next_ >= items_.size())
        return false;
    position = next_++;
    return true;
}

TCabUnpacked TCabUnpackAhead::UnpackItem(const TCabAheadItem& item, HANDLE file, TSTCabReader& reader)
{
    TCabUnpacked result;
    if (item.Length < 0 || static_cast<unsigned long long>(item.Length) > limits_.MaxFileBytes)
        return result;  // a cabinet this long holds a file about as long or longer: Left unread
    CabIntf::TCabinetRange range;
    range.File = file;
    range.Offset = item.Offset;
    range.Length = item.Length;
    range.OnRead = [this](long long) { return !stop_; };  // Stop is heard between blocks
    CabIntf::TMemoryOutput output;
    output.Limit = limits_.MaxFileBytes;
    bool tooLarge = false;
    // The first member is the file; later ones are only counted, as the caller counts them.
    reader.OnCopyFile = [&](TSTCabReader&, const std::string&, long size, uint16_t, uint16_t, uint16_t, uint16_t,
                            std::string& destination, bool&) {
        if (++result.Members > 1) {
            destination.clear();
            return;
        }
        if (size < 0 || static_cast<unsigned long>(size) > output.Limit) {
            tooLarge = true;  // left to the caller, who streams it to disk
            destination.clear();
            return;
        }
        output.Bytes.reserve(static_cast<size_t>(size));
    };
    reader.OnOpenMemory = [&](TSTCabReader&, const std::string&) { return &output; };
    reader.OnCloseFile = [&](TSTCabReader&, const std::string&, uint16_t date, uint16_t time, uint16_t attributes,
                             uint16_t, bool&, const std::string&, bool&) {
        result.Date = date;
        result.Time = time;
        result.Attributes = attributes;
        result.Crc = CabIntf::FdiWriteCrc;  // this thread's: the bytes just written
    };
    struct TForget {
        TSTCabReader& Reader;
        ~TForget()
        {
            Reader.OnCopyFile = nullptr;
            Reader.OnOpenMemory = nullptr;
            Reader.OnCloseFile = nullptr;
        }
    } forget{reader};
    try {
        reader.ExtractRange(range, std::string());
    } catch (const ESTCabinet& e) {
        // Only damaged data is judged here; any other failure is met again by the caller.
        if (!stop_ && e.IsDamagedData()) {
            result.State = TCabUnpacked::Failed;
            result.Failure = std::current_exception();
        }
        return result;
    } catch (...) {
        return result;  // out of memory, say: Left, so the caller unpacks it itself
    }
    if (tooLarge || stop_)
        return TCabUnpacked{};
    result.State = TCabUnpacked::Unpacked;
    result.Bytes = std::move(output.Bytes);
    return result;
}

void TCabUnpackAhead::Deliver(size_t position, TCabUnpacked&& result)
{
    std::lock_guard<std::mutex> lock(lock_);
    if (position < taken_)
        return;  // given up while it was unpacked
    waiting_ += result.Bytes.size();
    slots_[position].Result = std::move(result);
    slots_[position].Done = true;
    if (position == takerWants_)
        resultMade_.notify_one();
}

// Called with lock_ held.
void TCabUnpackAhead::DropBefore(size_t position)
{
    for (size_t k = taken_; k < position && k < slots_.size(); ++k) {
        waiting_ -= slots_[k].Result.Bytes.size();
        slots_[k] = TSlot{};
    }
    taken_ = std::max(taken_, position);
}

TCabUnpacked TCabUnpackAhead::Take(int key, const std::function<bool()>& pump)
{
    auto found = std::lower_bound(items_.begin(), items_.end(), key,
                                  [](const TCabAheadItem& item, int k) { return item.Key < k; });
    if (found == items_.end() || found->Key != key)
        return TCabUnpacked{};
    const size_t position = static_cast<size_t>(found - items_.begin());
    std::unique_lock<std::mutex> lock(lock_);
    if (position < taken_)
        return TCabUnpacked{};
    DropBefore(position);
    while (!slots_[position].Done) {
        if (stop_ || workers_.empty())
            return TCabUnpacked{};
        WakeWorkers(false);  // about to wait: any room at all goes to the workers
        takerWants_ = position;
        bool done = resultMade_.wait_for(lock, PumpInterval, [&] { return slots_[position].Done || stop_.load(); });
        takerWants_ = SIZE_MAX;
        if (done)
            continue;
        lock.unlock();
        bool goOn = pump();  // may run message handlers: never with the lock held
        lock.lock();
        if (!goOn)
            return TCabUnpacked{};
    }
    TCabUnpacked result = std::move(slots_[position].Result);
    waiting_ -= result.Bytes.size();
    slots_[position] = TSlot{};
    taken_ = position + 1;
    WakeWorkers(true);
    return result;
}
