#include "tuning/reg_file.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "common/ascii_text.h"
#include "common/utf16_text.h"
#include "tuning/parameter_store.h"

namespace tarvex {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr char kHex[] = "0123456789abcdef";

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

std::optional<RegistryRoot> RootOf(std::string_view name) {
    const std::string lower = Lower(name);
    if (lower == "hkey_local_machine" || lower == "hklm") return RegistryRoot::LocalMachine;
    if (lower == "hkey_current_user" || lower == "hkcu") return RegistryRoot::CurrentUser;
    return std::nullopt;  // the program writes nothing anywhere else
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// A REG_SZ that reads back as the same bytes from a quoted string: well-formed, one
// terminator, nothing the line form cannot carry.
std::optional<std::string> PlainText(const RawRegistryValue& value) {
    if (value.Type != kRegSz || value.Data.size() < 2 ||
        value.Data.substr(value.Data.size() - 2) != std::string(2, '\0'))
        return std::nullopt;
    auto text = Utf16LeToUtf8(std::string_view(value.Data).substr(0, value.Data.size() - 2));
    if (!text || text->find_first_of(std::string("\0\r\n", 3)) != std::string::npos) return std::nullopt;
    return text;
}

// "hex:" or "hex(N):" and the bytes, wrapped as the registry editor wraps them.
std::string HexData(const RawRegistryValue& value, std::size_t column) {
    std::string line = value.Type == kRegBinary ? "hex:" : "hex(" + [&] {
        std::string digits;
        for (std::uint32_t type = value.Type; digits.empty() || type != 0; type >>= 4)
            digits.insert(digits.begin(), kHex[type & 15]);
        return digits;
    }() + "):";
    column += line.size();
    for (std::size_t i = 0; i < value.Data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value.Data[i]);
        line += kHex[byte >> 4];
        line += kHex[byte & 15];
        column += 2;
        if (i + 1 == value.Data.size()) break;
        line += ',';
        ++column;
        if (column > 76) {
            line += "\\\r\n  ";
            column = 2;
        }
    }
    return line;
}

std::string ValueLine(const SavedValue& saved) {
    std::string line = saved.Where.Name.empty() ? "@" : Quoted(saved.Where.Name);
    line += '=';
    const auto& value = saved.Value;
    if (!value) return line + "-";
    if (value->Type == kRegDword && value->Data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(value->Data[static_cast<std::size_t>(i)]);
        std::string digits = "dword:";
        for (int shift = 28; shift >= 0; shift -= 4) digits += kHex[(number >> shift) & 15];
        return line + digits;
    }
    if (const auto text = PlainText(*value)) return line + Quoted(*text);
    return line + HexData(*value, line.size());
}

// --- reading ---------------------------------------------------------------------------

Error LineError(std::size_t line, std::string_view what) {
    return Error("Line " + std::to_string(line) + " of the file: " + std::string(what));
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A quoted string at the start of `text`, its escapes undone; `text` moves past it.
std::optional<std::string> TakeQuoted(std::string_view& text) {
    if (text.empty() || text.front() != '"') return std::nullopt;
    std::string result;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return result;
        }
        if (c == '\\') {
            if (++i == text.size()) return std::nullopt;
            const char escaped = text[i];
            if (escaped != '\\' && escaped != '"') return std::nullopt;
            result += escaped;
        } else {
            result += c;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view digits, std::size_t maxDigits) {
    if (digits.empty() || digits.size() > maxDigits) return std::nullopt;
    std::uint32_t number = 0;
    for (const char c : digits) {
        const char* at = std::find(kHex, kHex + 16, c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c);
        if (at == kHex + 16) return std::nullopt;
        number = (number << 4) | static_cast<std::uint32_t>(at - kHex);
    }
    return number;
}

std::optional<std::string> ParseHexBytes(std::string_view text) {
    std::string bytes;
    text = Trim(text);
    if (text.empty()) return bytes;
    for (;;) {
        const std::size_t comma = text.find(',');
        const auto byte = ParseHexNumber(Trim(text.substr(0, comma)), 2);
        if (!byte) return std::nullopt;
        bytes += static_cast<char>(*byte);
        if (bytes.size() > kMaxRegValueBytes) return bytes;  // the caller refuses it by its size
        if (comma == std::string_view::npos) return bytes;
        text.remove_prefix(comma + 1);
    }
}

// The text of the file as UTF-8, after checking its encoding and header.
std::string DecodeFile(std::string_view bytes, AnsiCodePage& ansi, bool& unicode) {
    unicode = bytes.starts_with("\xFF\xFE");
    std::string text;
    if (unicode) {
        auto decoded = Utf16LeToUtf8(bytes.substr(2));
        if (!decoded) throw Error("The file is not a registry file: its UTF-16 text is damaged.");
        text = std::move(*decoded);
    } else {
        text = ansi.ToUtf8(bytes);
    }
    const std::string_view header = unicode ? kHeader5 : kHeader4;
    const std::size_t end = text.find_first_of("\r\n");
    if (Trim(std::string_view(text).substr(0, end)) != header)
        throw Error("The file is not a registry file: it does not start with \"" + std::string(header) + "\".");
    return text;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
    }
    return lines;
}

// Text in the file's form as the registry's bytes: UTF-16LE with a terminator.
std::string TextBytes(std::string_view utf8) {
    return Utf8ToUtf16Le(utf8) + std::string(2, '\0');
}

RawRegistryValue ParseData(std::string_view data, bool unicode, AnsiCodePage& ansi, std::size_t line) {
    if (data.starts_with('"')) {
        std::string_view rest = data;
        const auto text = TakeQuoted(rest);
        if (!text || !Trim(rest).empty()) throw LineError(line, "a text value is not closed by its quote.");
        return {kRegSz, TextBytes(*text)};
    }
    const std::string lower = Lower(data);
    if (lower.starts_with("dword:")) {
        const auto number = ParseHexNumber(Trim(data.substr(6)), 8);
        if (!number) throw LineError(line, "a dword value needs one to eight hexadecimal digits.");
        std::string bytes;
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((*number >> (8 * i)) & 0xFF);
        return {kRegDword, bytes};
    }
    std::uint32_t type = kRegBinary;
    std::size_t colon = 0;
    if (lower.starts_with("hex:")) {
        colon = 3;
    } else if (lower.starts_with("hex(")) {
        const std::size_t close = lower.find("):");
        const auto number = close == std::string::npos ? std::nullopt : ParseHexNumber(data.substr(4, close - 4), 8);
        if (!number) throw LineError(line, "the type of a hex value is not a hexadecimal number.");
        type = *number;
        colon = close + 1;
    } else {
        throw LineError(line, "the value's data is not in a form a registry file has.");
    }
    auto bytes = ParseHexBytes(data.substr(colon + 1));
    if (!bytes) throw LineError(line, "a hex value holds something other than bytes in hexadecimal.");
    if (bytes->size() > kMaxRegValueBytes) throw LineError(line, "the value is too large.");
    // The ANSI form keeps text types as bytes of the code page; the registry keeps UTF-16.
    if (!unicode && (type == kRegExpandSz || type == kRegMultiSz)) {
        const std::string text = ansi.ToUtf8(*bytes);
        bytes = Utf8ToUtf16Le(text);
    }
    return {type, std::move(*bytes)};
}

std::string Display(std::string_view root, std::string_view path, std::string_view name = {}) {
    std::string shown = std::string(root) + std::string(path);
    if (!name.empty()) shown += "\\" + std::string(name);
    return shown;
}

bool IsModernKey(RegistryRoot root, std::string_view path) {
    return root == RegistryRoot::CurrentUser && Lower(path) == Lower(kModernSettingsKey);
}

bool IsManagedKey(bool isNT, RegistryRoot root, std::string_view path) {
    if (IsModernKey(root, path)) return true;
    const std::string lower = Lower(path);
    for (const ProfileValueLocation& at : ProfileValueLocations(isNT))
        if (at.Root == root && Lower(at.Path) == lower) return true;
    const std::string prefix = Lower(MtuKeysPath(isNT)) + "\\";
    return root == RegistryRoot::LocalMachine && lower.starts_with(prefix) && lower.size() > prefix.size() &&
           lower.find('\\', prefix.size()) == std::string::npos;
}

std::string ModernValueLine(const ModernSavedValue& saved) {
    const std::string name = saved.Key == kModernMtuKey ? saved.Key + " " + saved.Interface : saved.Key;
    if (!saved.Value) return "\"" + name + "\"=-";
    static constexpr char kHex[] = "0123456789abcdef";
    const auto bits = static_cast<std::uint32_t>(*saved.Value);
    std::string digits;
    for (int shift = 28; shift >= 0; shift -= 4) digits += kHex[(bits >> shift) & 15];
    return "\"" + name + "\"=dword:" + digits;
}

// "{" 8-4-4-4-12 hex digits "}", as Windows names an adapter.
bool IsGuidText(std::string_view text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        const bool hex = (c >= '0' && c <= '9') || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f');
        if (dash ? c != '-' : !hex) return false;
    }
    return true;
}

}  // namespace

ModernSnapshot ModernImport(const RegFile& file) {
    ModernSnapshot values;
    std::unordered_map<std::string, std::size_t> seen;  // each setting's place in `values`
    for (const RegFileValue& value : file.Values) {
        const auto root = RootOf(value.Root);
        if (!root || !IsModernKey(*root, value.Path)) continue;
        ModernSavedValue saved;
        if (ModernSettingByKey(value.Name)) {
            saved.Key = value.Name;
        } else if (value.Name.size() > kModernMtuKey.size() + 1 && value.Name.starts_with(kModernMtuKey) &&
                   value.Name[kModernMtuKey.size()] == ' ' && IsGuidText(value.Name.substr(kModernMtuKey.size() + 1))) {
            saved.Key = kModernMtuKey;
            saved.Interface = value.Name.substr(kModernMtuKey.size() + 1);
        } else {
            throw Error("The file changes " + Display(value.Root, value.Path, value.Name) +
                        ", which Tarvex does not manage. Nothing was imported.");
        }
        if (value.Value) {
            if (value.Value->Type != kRegDword || value.Value->Data.size() != 4)
                throw Error("The file gives " + Display(value.Root, value.Path, value.Name) +
                            " a value that is no REG_DWORD. Nothing was imported.");
            std::uint32_t bits = 0;
            for (int i = 3; i >= 0; --i)
                bits = (bits << 8) | static_cast<unsigned char>(value.Value->Data[static_cast<std::size_t>(i)]);
            saved.Value = static_cast<std::int32_t>(bits);
        }
        const auto [at, added] = seen.emplace(saved.Key + ' ' + Lower(saved.Interface), values.size());
        if (added) {
            values.push_back(std::move(saved));
        } else {
            values[at->second].Value = saved.Value;
        }
    }
    return values;
}

std::string ExportRegFile(const RegistrySnapshot& values, const ModernSnapshot& modern) {
    std::string text = std::string(kHeader5) + "\r\n";
    std::vector<bool> done(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (done[i]) continue;
        const ManagedValue& key = values[i].Where;
        text += "\r\n[" + std::string(RegistryRootName(key.Root)) + key.Path + "]\r\n";
        for (std::size_t j = i; j < values.size(); ++j) {
            const ManagedValue& where = values[j].Where;
            if (done[j] || where.Root != key.Root || Lower(where.Path) != Lower(key.Path)) continue;
            text += ValueLine(values[j]) + "\r\n";
            done[j] = true;
        }
    }
    if (!modern.empty()) {
        text += "\r\n[" + std::string(RegistryRootName(RegistryRoot::CurrentUser)) + kModernSettingsKey + "]\r\n";
        for (const ModernSavedValue& saved : modern) text += ModernValueLine(saved) + "\r\n";
    }
    return "\xFF\xFE" + Utf8ToUtf16Le(text + "\r\n");
}

RegFile ParseRegFile(std::string_view bytes, AnsiCodePage& ansi) {
    if (bytes.size() > kMaxRegFileBytes) throw Error("The file is too large to hold TCP/IP settings.");
    bool unicode = false;
    const std::string text = DecodeFile(bytes, ansi, unicode);
    const std::vector<std::string_view> lines = Lines(text);
    RegFile file;
    std::optional<std::pair<std::string, std::string>> key;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t number = i + 1;
        std::string line(Trim(lines[i]));
        // A value continues on the next line after a trailing backslash (the hex form's wrapping).
        while (!line.empty() && line.back() == '\\' && !line.ends_with("\"") && i + 1 < lines.size()) {
            line.pop_back();
            line += Trim(lines[++i]);
            if (line.size() > 4 * kMaxRegValueBytes) throw LineError(number, "the value is too large.");
        }
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') throw LineError(number, "a key's name is not closed by ']'.");
            const std::string_view name = std::string_view(line).substr(1, line.size() - 2);
            if (name.starts_with('-'))
                throw LineError(number, "the file removes the key " + std::string(name.substr(1)) + ".");
            const std::size_t slash = name.find('\\');
            key.emplace(std::string(name.substr(0, slash)),
                        slash == std::string_view::npos ? std::string() : std::string(name.substr(slash)));
            file.Keys.push_back(*key);
            continue;
        }
        if (!key) throw LineError(number, "a value comes before any key.");
        std::string_view rest = line;
        std::string name;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (auto quoted = TakeQuoted(rest)) {
            name = std::move(*quoted);
        } else {
            throw LineError(number, "a value's name must be \"quoted\" or @.");
        }
        rest = Trim(rest);
        if (rest.empty() || rest.front() != '=') throw LineError(number, "a value's name must be followed by '='.");
        rest = Trim(rest.substr(1));
        RegFileValue value{key->first, key->second, name, std::nullopt};
        if (rest != "-") value.Value = ParseData(rest, unicode, ansi, number);
        file.Values.push_back(std::move(value));
    }
    return file;
}

RegistrySnapshot ManagedImport(const RegFile& file, bool isNT) {
    const auto refuse = [](const std::string& what) {
        return Error("The file changes " + what + ", which Tarvex does not manage. Nothing was imported.");
    };
    for (const auto& [rootName, path] : file.Keys) {
        const auto root = RootOf(rootName);
        if (!root || !IsManagedKey(isNT, *root, path)) throw refuse(Display(rootName, path));
    }
    RegistrySnapshot values;
    // Each value's place in `values`, by root, key and name as the registry compares them.
    std::unordered_map<std::string, std::size_t> seen;
    for (const RegFileValue& value : file.Values) {
        const auto root = RootOf(value.Root);
        if (root && IsModernKey(*root, value.Path)) continue;  // ModernImport's
        const auto where = root ? FindManagedValue(isNT, *root, value.Path, value.Name) : std::nullopt;
        if (!where) throw refuse(Display(value.Root, value.Path, value.Name.empty() ? "@" : value.Name));
        // A value the file gives twice is written once, as the later line has it.
        const std::string id =
            std::to_string(static_cast<int>(where->Root)) + Lower(where->Path) + '\\' + Lower(where->Name);
        const auto [at, added] = seen.emplace(id, values.size());
        if (added) {
            values.push_back({*where, value.Value});
        } else {
            values[at->second].Value = value.Value;
        }
    }
    return values;
}

}  // namespace tarvex
