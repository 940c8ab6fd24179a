#include "controls/bug_report.h"

#include <algorithm>

namespace tarvex {
namespace {

constexpr std::string_view kZeroWidthNonJoiner = "\xE2\x80\x8C";
constexpr std::string_view kBugReportSubject = "Tarvex Bug Report";

std::size_t ShownStackLines(const BugReport& report) {
    return std::min(report.StackLines.size(), kBugReportStackLines);
}

}  // namespace

std::string FormatStackFrame(std::string_view module, std::uintptr_t offset) {
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdef"[offset & 0xF]);
        offset >>= 4;
    } while (offset != 0);
    return std::string(module) + "+0x" + digits;
}

std::string EscapeLabelText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char ch : text) {
        escaped += ch;
        if (ch == '<') escaped += kZeroWidthNonJoiner;
    }
    return escaped;
}

std::string BugReportCaption(const BugReport& report) {
    std::string stack;
    for (std::size_t i = 0; i < ShownStackLines(report); ++i) {
        if (i > 0) stack += "<br>";
        stack += EscapeLabelText(report.StackLines[i]);
    }
    return EscapeLabelText(report.Message) + "<br><br>" + stack + "<br>[...]";
}

std::string BugReportText(const BugReport& report) {
    std::string text = report.Message + "\r\n\r\nProgram version: " + report.ProgramVersion +
                       "\r\nWindows: " + report.WindowsRelease + "\r\n\r\nCall stack:\r\n";
    for (std::size_t i = 0; i < ShownStackLines(report); ++i) text += report.StackLines[i] + "\r\n";
    return text;
}

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '.' || byte == '_' || byte == '~') {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

std::string BugReportMailto(std::string_view address, const BugReport& report, std::string_view senderEmail) {
    std::string body = BugReportText(report);
    if (!senderEmail.empty()) body = "Reply to: " + std::string(senderEmail) + "\r\n\r\n" + body;
    return "mailto:" + std::string(address) + "?subject=" + PercentEncode(kBugReportSubject) +
           "&body=" + PercentEncode(body);
}

}  // namespace tarvex
