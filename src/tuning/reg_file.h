#pragma once
// Registry files of the TCP/IP values: written as the system's registry editor writes them
// (UTF-16LE with a byte-order mark, "Windows Registry Editor Version 5.00"), read in that form
// or the older ANSI one ("REGEDIT4"). An import takes only values the program manages.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi_code_page.h"
#include "platform/registry_access.h"
#include "tuning/backup.h"

namespace tarvex {

// Larger files are refused before they are read; managed values are a few bytes each.
inline constexpr std::size_t kMaxRegFileBytes = 1024 * 1024;
inline constexpr std::size_t kMaxRegValueBytes = 64 * 1024;

// The modern stack's settings (Vista and later) are no registry values; a file keeps them as
// REG_DWORD values of this key of the program's own, named as the backups name them ("MTU {GUID}"
// for an interface's MTU), 0xFFFFFFFF for Windows' default and a removal for a value that could not
// be read. The system's registry editor then imports the file harmlessly; the program sets them.
inline constexpr char kModernSettingsKey[] = "\\Software\\Quillmont\\Tarvex\\ModernTcp";

// The file's bytes for these values, grouped by key; an absent value is written as its
// removal ("name"=-), so importing the file gives exactly this state.
std::string ExportRegFile(const RegistrySnapshot& values, const ModernSnapshot& modern = {});

// One line of a file: a value to write, or to remove (no Value). Root is its root's name as
// the file gives it ("HKEY_LOCAL_MACHINE"...).
struct RegFileValue {
    std::string Root;
    std::string Path;  // from the root, with a leading backslash
    std::string Name;
    std::optional<RawRegistryValue> Value;
    friend bool operator==(const RegFileValue&, const RegFileValue&) = default;
};
struct RegFile {
    std::vector<RegFileValue> Values;
    std::vector<std::pair<std::string, std::string>> Keys;  // each key section: root, path
};

// Reads a file; bad syntax, a wrong encoding or header, and sizes beyond the limits throw an
// error that names the line. ANSI text is read in the system's code page.
RegFile ParseRegFile(std::string_view bytes, AnsiCodePage& ansi);

// The file's values as the state to write, each value once (as its last line gives it), when
// every key and value in it is one the program manages on this family; otherwise an error
// naming the first that is not.
RegistrySnapshot ManagedImport(const RegFile& file, bool isNT);
// The file's modern settings, each once (as its last line gives it); an error naming the first
// value that is no setting the program manages or no REG_DWORD.
ModernSnapshot ModernImport(const RegFile& file);

}  // namespace tarvex
