#pragma once
// The update server's protocol, as pure functions: addresses, the answer page's META tags,
// version words and the answer's date. TQmWebUpdate (web_update.h) builds on them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"

namespace tarvex {

// The META names looked for in the answer; compared exactly, case included.
struct TQmTagInfo {
    std::string Version = "wuVersion";
    std::string Date = "wuDate";
    std::string ProductName = "wuProduct";
    std::string Download = "wuDownload";
    std::string ClientFileName = "wuClientSideName";
    std::string RunParameters = "wuRunParameters";
    std::string Redirection = "wuRedirection";
    std::string ShowURL = "wuShowURL";
    std::string Author = "wuAuthor";
    std::string Email = "wuEmail";
};

// The fields of one answer page.
struct UpdateAnswer {
    std::string NewVersion;
    std::string NewDate;
    std::string ProductName;
    std::string DownloadURL;
    std::string ClientFileName;
    std::string RunParameters;
    std::string Redirection;
    std::string ShowURL;
    std::string Author;
    std::string Email;

    bool operator==(const UpdateAnswer&) const = default;
};

// Server name and object path of an address: "http://" (anywhere, any case) takes the first
// seven characters off; the server is what stands before the first "/", the path the rest.
// Without a "/" the server is empty and the path is the whole remaining text.
struct SplitAddress {
    std::string ServerName;
    std::string ObjectPath;
};
SplitAddress SplitURL(std::string_view address);

// One META tag per line: `<META NAME="name" CONTENT="value">`, "META NAME" in exactly that
// case, "CONTENT=" in any case; a name or value is at most 254 characters. Later lines win.
UpdateAnswer ParseInfo(const std::vector<std::string>& lines, const TQmTagInfo& tags);

// Text split at CR, LF or CR LF; no line for a final line break.
std::vector<std::string> SplitLines(std::string_view text);

// An integer as the run-time library reads one: leading spaces, a sign, digits. A text that is
// not entirely such a number is unreadable and yields its leading digits (0 without any).
struct RtlInteger {
    std::int32_t Value = 0;
    bool Readable = false;
};
RtlInteger ReadRtlInteger(std::string_view text);

// A version text as two 32-bit words: major:minor and release:build, each half cut to 16
// bits; all ones where a word cannot be read.
struct VersionWords {
    std::uint32_t Ms = 0xFFFFFFFFu;
    std::uint32_t Ls = 0xFFFFFFFFu;
    bool operator==(const VersionWords&) const = default;
};
VersionWords ParseVersionWords(std::string_view text);

// Dotted versions compared part by part, driven by the current version's parts: 1 when the
// new one is newer, -1 when it is older, 0 when the numbers do not decide.
int CompareStandardVersions(std::string_view current, std::string_view newVersion);

// A date text read with a short date pattern (its first d, m or y gives the order) and a
// separator; two-digit years and a missing year follow the current year. Nothing when the text
// is no valid date.
std::optional<double> ReadShortDate(std::string_view text, std::string_view pattern, char separator, int currentYear);
// "h:n" or "h:n:s" as a fraction of a day; nothing when unreadable.
std::optional<double> ReadShortTime(std::string_view text);
// The answer's date: 1 January 1980 unless the date text reads; a readable time is added.
double ParseInfoDate(std::string_view dateText, std::string_view timeText, std::string_view pattern, char separator,
                     int currentYear);

// A date-time as the query writes it: the shortest general form, so a whole day has no
// decimal separator ("41234").
std::string QueryNumberText(double value);

// The client-side name the answer gives is used only when it is a plain file name: no folder,
// drive or stream, no "." or "..", no device name, nothing Windows would silently change.
bool IsPlainFileName(std::string_view name);

// Only web pages are handed to the shell, and only addresses that cannot split the command line
// of the browser it starts: anything else an answer names could start a program.
bool IsWebAddress(std::string_view address);

// Milliseconds as "hh:mm:ss"; hours go on past 99.
std::string ElapsedText(std::uint64_t milliseconds);

}  // namespace tarvex
