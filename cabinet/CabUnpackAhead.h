// TCabUnpackAhead: unpacks one-file cabinets that lie in a file into memory on
// worker threads, ahead of the thread that places the files.
//
//   TCabUnpackAhead ahead(setupPath, items, TCabUnpackAhead::DefaultLimits());
//   TCabUnpacked file = ahead.Take(key, pump);   // in the items' order
//
// Each worker has its own FDI context, its own handle to the file and its own
// reader; the callbacks' per-thread records and each reader's own range name
// keep them apart from each other and from a reader on the taking thread.
//
// The bytes in memory are bounded: finished results wait, untaken, up to a
// budget (plus at most one file per worker in progress), and a file larger than
// a limit is left to the caller, who unpacks it itself as it always did.
// Whatever a worker could not do is left to the caller in the same way, so the
// caller's own path still meets every failure but damaged data.
#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TSTCabReader;

// One cabinet: Length bytes at Offset of the file; Key is the caller's name for it.
struct TCabAheadItem {
    int Key = 0;
    long long Offset = 0;
    long long Length = 0;
};

// What a worker made of one cabinet.
struct TCabUnpacked {
    enum TState { Left, Unpacked, Failed };
    // Left: not done here (too large, not listed, taken before, stopped, or a
    // failure that is not damaged data): the caller unpacks it itself.
    TState State = Left;
    std::vector<char> Bytes;  // Unpacked: the first member's bytes ...
    uint16_t Date = 0;        // ... its stored date, time and attributes ...
    uint16_t Time = 0;
    uint16_t Attributes = 0;
    uint32_t Crc = 0;         // ... and the CRC-32 of its bytes
    int Members = 0;          // Unpacked: how many members the cabinet holds
    std::exception_ptr Failure;  // Failed: the reader's ESTCabinet for damaged data
};

class TCabUnpackAhead {
public:
    struct TLimits {
        size_t Workers = 2;
        size_t BudgetBytes = 0;     // finished results waiting to be taken; at most this much
        size_t MaxFileBytes = 0;    // a larger file is left to the caller
        size_t MaxItemsAhead = 0;   // results, finished or not, ahead of the next one taken
    };
    // One worker per processor (at least two, at most eight), 32 MB waiting, 8 MB files.
    static TLimits DefaultLimits();

    // Items in increasing Key order. Loads cabinet.dll, opens the file once per
    // worker and starts the workers.
    // Throws winlib::EOSError when the library or the file cannot be opened.
    TCabUnpackAhead(const std::string& file, std::vector<TCabAheadItem> items, const TLimits& limits);
    ~TCabUnpackAhead();  // Stop()
    TCabUnpackAhead(const TCabUnpackAhead&) = delete;
    TCabUnpackAhead& operator=(const TCabUnpackAhead&) = delete;

    // The result for key, which is given up: taking it again, or an item listed
    // before it, answers Left. Waits while the worker is busy with it, calling
    // pump about every 25 ms (the caller's message loop); when pump answers false
    // the wait ends with Left.
    TCabUnpacked Take(int key, const std::function<bool()>& pump);

    // Ends the workers: each stops at its next block and is joined. Never throws.
    void Stop();

private:
    struct TSlot {
        bool Done = false;
        TCabUnpacked Result;
    };
    void Work(HANDLE file);
    bool NextItem(size_t& position);
    // Called with lock_ held: whether a worker may start the next item, and
    // whether so much has been taken that the sleeping workers are woken.
    bool Room() const;
    bool RoomForMany() const;
    void WakeWorkers(bool many);
    TCabUnpacked UnpackItem(const TCabAheadItem& item, HANDLE file, TSTCabReader& reader);
    void Deliver(size_t position, TCabUnpacked&& result);
    void DropBefore(size_t position);

    std::vector<TCabAheadItem> items_;
    TLimits limits_;
    std::mutex lock_;
    // Under Wine every wait and wake is a server round trip, and with many tiny
    // files waking every worker for every file taken cost more than the files:
    // workers sleep until a batch of room has opened (or the taker would wait),
    // and a result wakes the taker only when it waits for that one.
    std::condition_variable roomMade_;     // workers wait here: room, or stop
    std::condition_variable resultMade_;   // the taker waits here: its result, or stop
    size_t sleepers_ = 0;                  // workers waiting for room
    size_t takerWants_ = SIZE_MAX;         // the item the taker waits for, if it waits
    std::vector<TSlot> slots_;  // per item, guarded by lock_
    size_t next_ = 0;      // the next item a worker starts
    size_t taken_ = 0;     // items before this one are given up
    size_t waiting_ = 0;   // bytes of finished results not yet given up
    std::atomic<bool> stop_{false};
    std::vector<HANDLE> files_;
    std::vector<std::thread> workers_;
};
