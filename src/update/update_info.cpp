#include "update/update_info.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "common/ascii_text.h"
#include "common/date_time.h"

namespace tarvex {
namespace {

constexpr std::size_t kFieldWindow = 255;  // characters searched for a closing quote

// The text from `start` up to the next double quote, looked for only within the next 255
// characters (UTF-8 sequences count once); empty without a quote there.
std::string QuotedField(std::string_view line, std::size_t start) {
    if (start >= line.size()) return {};
    std::size_t characters = 0;
    for (std::size_t i = start; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if ((byte & 0xC0) == 0x80) continue;  // inside a character
        if (++characters > kFieldWindow) break;
        if (line[i] == '"') return std::string(line.substr(start, i - start));
    }
    return {};
}

std::string* FieldNamed(UpdateAnswer& answer, const TQmTagInfo& tags, const std::string& name) {
    if (name.empty()) return nullptr;
    const std::array<std::pair<const std::string*, std::string*>, 10> fields = {{
        {&tags.Version, &answer.NewVersion},
        {&tags.Date, &answer.NewDate},
        {&tags.ProductName, &answer.ProductName},
        {&tags.Download, &answer.DownloadURL},
        {&tags.ClientFileName, &answer.ClientFileName},
        {&tags.RunParameters, &answer.RunParameters},
        {&tags.Redirection, &answer.Redirection},
        {&tags.ShowURL, &answer.ShowURL},
        {&tags.Author, &answer.Author},
        {&tags.Email, &answer.Email},
    }};
    for (const auto& [tag, field] : fields) {
        if (*tag == name) return field;
    }
    return nullptr;
}

std::uint32_t Word(std::int32_t high, std::int32_t low) {
    return (static_cast<std::uint32_t>(high) & 0xFFFFu) << 16 | (static_cast<std::uint32_t>(low) & 0xFFFFu);
}

// Digits only, after and before optional blanks; nothing for anything else or a value too big.
std::optional<int> ReadDateNumber(std::string_view text, std::size_t& at, int& digits) {
    while (at < text.size() && text[at] == ' ') ++at;
    const std::size_t start = at;
    long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        if (value > 99999) return std::nullopt;
        ++at;
    }
    digits = static_cast<int>(at - start);
    if (digits == 0) return std::nullopt;
    return static_cast<int>(value);
}

bool ReadSeparator(std::string_view text, std::size_t& at, char separator) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (at < text.size() && text[at] == separator) {
        ++at;
        return true;
    }
    return false;
}

bool AtEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && text[at] == ' ') ++at;
    return at == text.size();
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

SplitAddress SplitURL(std::string_view address) {
    std::string_view rest = address;
    if (AsciiUpper(address).find("HTTP://") != std::string::npos)
        rest.remove_prefix(std::min<std::size_t>(7, rest.size()));
    const auto slash = rest.find('/');
    if (slash == std::string_view::npos) return {"", std::string(rest)};
    return {std::string(rest.substr(0, slash)), std::string(rest.substr(slash))};
}

UpdateAnswer ParseInfo(const std::vector<std::string>& lines, const TQmTagInfo& tags) {
    UpdateAnswer answer;
    for (const std::string& line : lines) {
        const auto meta = line.find("META NAME");
        if (meta == std::string::npos) continue;
        const std::string name = QuotedField(line, meta + 11);  // after META NAME="
        const auto content = AsciiUpper(line).find("CONTENT=");
        // A tag without CONTENT= carries an empty value.
        const std::string value = content == std::string::npos ? std::string() : QuotedField(line, content + 9);
        if (std::string* field = FieldNamed(answer, tags, name)) *field = value;
    }
    return answer;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

RtlInteger ReadRtlInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const std::size_t digitsStart = at;
    std::int64_t value = 0;
    bool overflow = false;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (!overflow) {
            value = value * 10 + (text[at] - '0');
            if (value > (negative ? 2147483648LL : 2147483647LL)) {
                value /= 10;  // keep the digits that fit
                overflow = true;
            }
        }
        ++at;
    }
    RtlInteger result;
    result.Value = static_cast<std::int32_t>(negative ? -value : value);
    result.Readable = at > digitsStart && at == text.size() && !overflow;
    return result;
}

VersionWords ParseVersionWords(std::string_view text) {
    VersionWords words;
    char separator = 0;
    if (text.find('.') != std::string_view::npos) separator = '.';
    if (text.find(',') != std::string_view::npos) separator = ',';
    if (separator == 0) {
        const RtlInteger n = ReadRtlInteger(text);
        if (n.Readable) words = {Word(n.Value, 0), 0};
        return words;
    }
    auto take = [&](std::string_view& rest) {
        const auto at = rest.find(separator);
        const RtlInteger part = ReadRtlInteger(rest.substr(0, at));
        rest.remove_prefix(at + 1);
        return part;
    };
    std::string_view rest = text;
    const RtlInteger a = take(rest);
    if (rest.find(separator) == std::string_view::npos || !a.Readable) {
        return {Word(a.Value, ReadRtlInteger(rest).Value), 0};
    }
    const RtlInteger b = take(rest);
    if (rest.find(separator) == std::string_view::npos || !b.Readable) {
        return {Word(a.Value, b.Value), Word(ReadRtlInteger(rest).Value, 0)};
    }
    const RtlInteger c = take(rest);
    const RtlInteger d = ReadRtlInteger(rest);
    words.Ms = Word(a.Value, b.Value);
    if (d.Readable) words.Ls = Word(c.Value, d.Value);
    return words;
}

int CompareStandardVersions(std::string_view current, std::string_view newVersion) {
    auto partValue = [](std::string_view part) {
        const RtlInteger n = ReadRtlInteger(part);
        return n.Readable ? n.Value : 0;
    };
    for (;;) {
        const auto currentDot = current.find('.');
        const auto newDot = newVersion.find('.');
        const std::int32_t currentPart = partValue(current.substr(0, currentDot));
        const std::int32_t newPart = partValue(newVersion.substr(0, newDot));
        if (newPart > currentPart) return 1;
        if (newPart < currentPart) return -1;
        if (currentDot == std::string_view::npos) return 0;
        current.remove_prefix(currentDot + 1);
        if (newDot != std::string_view::npos) newVersion.remove_prefix(newDot + 1);
    }
}

std::optional<double> ReadShortDate(std::string_view text, std::string_view pattern, char separator, int currentYear) {
    enum class Order { DMY, MDY, YMD } order = Order::MDY;
    for (char c : pattern) {
        const char upper = AsciiUpper(c);
        if (upper == 'D' || upper == 'M' || upper == 'Y') {
            order = upper == 'D' ? Order::DMY : upper == 'M' ? Order::MDY : Order::YMD;
            break;
        }
    }
    std::size_t at = 0;
    int digits[3] = {};
    int numbers[3] = {};
    int count = 0;
    for (; count < 3; ++count) {
        if (count > 0 && !ReadSeparator(text, at, separator)) break;
        const auto n = ReadDateNumber(text, at, digits[count]);
        if (!n) return std::nullopt;
        numbers[count] = *n;
    }
    if (count < 2 || !AtEnd(text, at)) return std::nullopt;
    int year = currentYear;
    int month = 0;
    int day = 0;
    int yearDigits = 4;
    if (count == 2) {
        if (order == Order::DMY) {
            day = numbers[0], month = numbers[1];
        } else {
            month = numbers[0], day = numbers[1];
        }
    } else {
        switch (order) {
            case Order::DMY:
                day = numbers[0], month = numbers[1], year = numbers[2], yearDigits = digits[2];
                break;
            case Order::MDY:
                month = numbers[0], day = numbers[1], year = numbers[2], yearDigits = digits[2];
                break;
            case Order::YMD:
                year = numbers[0], month = numbers[1], day = numbers[2], yearDigits = digits[0];
                break;
        }
    }
    if (yearDigits <= 2 && year < 100) {
        // A two-digit year is taken in the current century, or the next when that puts it more
        // than 50 years back, as the run-time library reads it.
        year += currentYear / 100 * 100;
        if (year < currentYear - 50) year += 100;
    }
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    return EncodeDateTime(year, month, day);
}

std::optional<double> ReadShortTime(std::string_view text) {
    std::size_t at = 0;
    int digits = 0;
    int parts[3] = {};
    int count = 0;
    for (; count < 3; ++count) {
        if (count > 0 && !ReadSeparator(text, at, ':')) break;
        const auto n = ReadDateNumber(text, at, digits);
        if (!n) return std::nullopt;
        parts[count] = *n;
    }
    if (count < 2 || !AtEnd(text, at)) return std::nullopt;
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return ((parts[0] * 60.0 + parts[1]) * 60.0 + parts[2]) / 86400.0;
}

double ParseInfoDate(std::string_view dateText, std::string_view timeText, std::string_view pattern, char separator,
                     int currentYear) {
    double result = EncodeDateTime(1980, 1, 1);
    if (const auto date = ReadShortDate(dateText, pattern, separator, currentYear)) result = *date;
    if (!timeText.empty()) {
        if (const auto time = ReadShortTime(timeText)) result += *time;
    }
    return result;
}

std::string QueryNumberText(double value) {
    if (!std::isfinite(value)) return "0";
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name.size() > 200) return false;
    if (name.find_first_of("\\/:*?\"<>|") != std::string_view::npos) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    // Windows drops trailing dots and blanks, which turns ".." and "setup.exe." into other names.
    if (name.back() == '.' || name.back() == ' ' || name.front() == ' ') return false;
    // Device names stay devices with any extension: "CON", "nul.exe", "COM1.txt".
    std::string stem = AsciiUpper(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (std::string_view device : kDevices) {
        if (stem == device) return false;
    }
    if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '0' && stem[3] <= '9') {
        return false;
    }
    return true;
}

bool IsWebAddress(std::string_view address) {
    return IsShellAddress(address, {"http://", "https://"});
}

std::string ElapsedText(std::uint64_t milliseconds) {
    const std::uint64_t seconds = milliseconds / 1000;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60), static_cast<unsigned long long>(seconds % 60));
    return buffer;
}

}  // namespace tarvex
