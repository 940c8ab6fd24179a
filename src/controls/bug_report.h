#pragma once
// The error report of the "Bug Report" dialog: the label caption that shows it, the plain text
// put on the clipboard, and the mailto: address that hands it to the user's mail program.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct BugReport {
    std::string Message;
    std::vector<std::string> StackLines;  // "module+0xoffset", innermost first
    std::string ProgramVersion;
    std::string WindowsRelease;
};

// Stack lines the dialog and the mail show; the rest is left out.
inline constexpr std::size_t kBugReportStackLines = 8;

// "Tarvex.exe+0x1a2b".
std::string FormatStackFrame(std::string_view module, std::uintptr_t offset);

// Text as the label shows it, never as markup: the label knows no character entities, so every
// "<" is followed by an invisible zero-width non-joiner, which keeps any tag name from
// following it.
std::string EscapeLabelText(std::string_view text);

// "%s<br><br>%s<br>[...]": the message and the first stack lines, both escaped.
std::string BugReportCaption(const BugReport& report);

// The report as plain lines (CRLF): message, program version, Windows release, call stack.
std::string BugReportText(const BugReport& report);

// "mailto:<address>?subject=...&body=..." with the report (and the sender's address when
// given) percent-encoded as UTF-8.
std::string BugReportMailto(std::string_view address, const BugReport& report, std::string_view senderEmail);

// Percent-encodes every byte but the unreserved characters of RFC 3986.
std::string PercentEncode(std::string_view text);

}  // namespace tarvex
