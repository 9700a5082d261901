#include "winlib/StringList.h"

#include <windows.h>

#include <stdexcept>

namespace winlib {

std::vector<std::string> SplitRecord(const std::string& record, const std::string& separator)
{
    std::string text = record;
    if (!separator.empty()) {
        for (size_t pos = text.find(separator); pos != std::string::npos; pos = text.find(separator, pos + 1))
            text.replace(pos, separator.size(), "\n");
    }

    // Cut into lines: a line ends at CR LF, CR or LF, and a break at the very end
    // starts no further line.
    std::vector<std::string> fields;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        fields.push_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return fields;
}

std::string JoinRecord(const std::vector<std::string>& fields, const std::string& separator)
{
    std::string record;
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        if ((!separator.empty() && field.find(separator) != std::string::npos) ||
            field.find_first_of("\r\n") != std::string::npos)
            throw std::invalid_argument(std::string("Field ").append(std::to_string(i + 1)) + " (\"" + field +
                                        "\") holds the separator \"" + separator + "\" or a line break");
        if (i > 0)
            record += separator;
        record += field;
    }
    return record;
}

std::string UpperCase(const std::string& text)
{
    std::string upper = text;
    // The ANSI code page is single-byte here, so the length never changes.
    if (!upper.empty())
        CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

std::string ReplaceAllNoCase(const std::string& text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return text;
    std::string upperText = UpperCase(text), upperFrom = UpperCase(from);
    std::string result;
    size_t start = 0;
    for (size_t at = upperText.find(upperFrom); at != std::string::npos; at = upperText.find(upperFrom, start)) {
        result += text.substr(start, at - start) + to;
        start = at + from.size();
    }
    return result + text.substr(start);
}

std::string ReplaceFirstNoCase(const std::string& text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return text;
    size_t pos = UpperCase(text).find(UpperCase(from));
    if (pos == std::string::npos)
        return text;
    return text.substr(0, pos) + to + text.substr(pos + from.size());
}

std::string Trim(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::vector<std::string> params;
    size_t i = 0;
    const size_t n = commandLine.size();
    for (;;) {
        while (i < n && isBlank(commandLine[i]))
            ++i;
        if (i >= n)
            break;
        std::string param;
        bool quoted = false;
        for (; i < n && (quoted || !isBlank(commandLine[i])); ++i) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                param += commandLine[i];
        }
        params.push_back(param);
    }
    return params;
}

bool ParseDecimal(const std::string& text, long long minimum, long long maximum, long long& value)
{
    size_t pos = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    // Eighteen digits always fit a long long; longer numbers are out of any range asked for here.
    if (pos == text.size() || text.size() - pos > 18)
        return false;
    long long number = 0;
    for (size_t i = pos; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        number = number * 10 + (text[i] - '0');
    }
    if (text[0] == '-')
        number = -number;
    if (number < minimum || number > maximum)
        return false;
    value = number;
    return true;
}

}  // namespace winlib
