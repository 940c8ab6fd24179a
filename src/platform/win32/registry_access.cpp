#include "platform/win32/registry_access.h"

#include <cstring>
#include <iterator>

#include "platform/win32/system_function.h"
#include "platform/win32/unicode.h"

namespace tarvex {

REGSAM NativeRegistryView(IsWow64ProcessFunction isWow64Process, HANDLE process) {
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(process, &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
}

REGSAM NativeRegistryView() {
    static const REGSAM view = NativeRegistryView(
        LoadedSystemFunction<IsWow64ProcessFunction>(L"kernel32.dll", "IsWow64Process"), GetCurrentProcess());
    return view;
}

void Win32RegistryAccess::SetRootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::CurrentUser:
            root_ = HKEY_CURRENT_USER;
            break;
        case RegistryRoot::LocalMachine:
            root_ = HKEY_LOCAL_MACHINE;
            break;
        case RegistryRoot::ClassesRoot:
            root_ = HKEY_CLASSES_ROOT;
            break;
    }
}

bool Win32RegistryAccess::OpenKey(std::string_view path, bool canCreate) {
    // The registry takes no leading backslash: it only says where the path starts.
    const bool fromRoot = path.starts_with('\\') || !key_;
    if (path.starts_with('\\')) path.remove_prefix(1);
    const HKEY base = fromRoot ? root_ : key_.get();
    const std::wstring widePath = Utf8ToWide(path);
    const REGSAM access = KEY_ALL_ACCESS | view_;
    UniqueHkey opened;
    LONG result = canCreate ? RegCreateKeyExW(base, widePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                              nullptr, OutParam(opened), nullptr)
                            : RegOpenKeyExW(base, widePath.c_str(), 0, access, OutParam(opened));
    // A key that is there but refuses changes opens for reading: its values still read, and
    // a write to it fails with its error instead of the key being passed over as missing.
    if (result == ERROR_ACCESS_DENIED)
        result = RegOpenKeyExW(base, widePath.c_str(), 0, KEY_READ | view_, OutParam(opened));
    if (result != ERROR_SUCCESS) opened.release();  // a failed call opened nothing, whatever it left there
    key_ = std::move(opened);  // the key open before closes only now: a relative path started there
    return static_cast<bool>(key_);
}

bool Win32RegistryAccess::ValueExists(std::string_view name) {
    return key_ &&
           RegQueryValueExW(key_.get(), Utf8ToWide(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<std::uint32_t> Win32RegistryAccess::ValueType(std::string_view name) {
    DWORD type = REG_NONE;
    if (!key_ ||
        RegQueryValueExW(key_.get(), Utf8ToWide(name).c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    return type;
}

bool Win32RegistryAccess::Query(std::string_view name, StoredValue& value) {
    if (!key_) return false;
    const std::wstring wideName = Utf8ToWide(name);
    value.Data.resize(16);  // a number or a date-time in one call
    for (;;) {
        auto size = static_cast<DWORD>(value.Data.size());
        const LONG result = RegQueryValueExW(key_.get(), wideName.c_str(), nullptr, &value.Type,
                                             reinterpret_cast<BYTE*>(value.Data.data()), &size);
        if (result == ERROR_SUCCESS) {
            value.Data.resize(size);
            return true;
        }
        if (result == ERROR_FILE_NOT_FOUND) return false;
        if (result != ERROR_MORE_DATA) throw GetDataError(name);
        value.Data.resize(size);  // and again: the value may change in between
    }
}

std::int32_t Win32RegistryAccess::ReadInteger(std::string_view name) {
    StoredValue value;
    if (!Query(name, value)) throw GetDataError(name);
    if (value.Type != REG_DWORD || value.Data.size() != sizeof(DWORD)) throw InvalidTypeError(name);
    std::int32_t result = 0;
    std::memcpy(&result, value.Data.data(), sizeof result);
    return result;
}

std::string Win32RegistryAccess::ReadText(std::string_view name) {
    StoredValue value;
    if (!Query(name, value)) return {};
    if (value.Type != REG_SZ && value.Type != REG_EXPAND_SZ) throw InvalidTypeError(name);
    std::wstring text(value.Data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value.Data.data(), text.size() * sizeof(wchar_t));
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    return WideToUtf8(text);
}

double Win32RegistryAccess::ReadDateTime(std::string_view name) {
    StoredValue value;
    if (!Query(name, value)) throw GetDataError(name);
    if (value.Type != REG_BINARY || value.Data.size() != sizeof(double)) throw InvalidTypeError(name);
    double result = 0;
    std::memcpy(&result, value.Data.data(), sizeof result);
    return result;
}

std::string Win32RegistryAccess::ReadBinary(std::string_view name) {
    StoredValue value;
    if (!Query(name, value)) throw GetDataError(name);
    if (value.Type != REG_BINARY) throw InvalidTypeError(name);
    return std::move(value.Data);
}

std::optional<RawRegistryValue> Win32RegistryAccess::ReadRaw(std::string_view name) {
    StoredValue value;
    if (!Query(name, value)) return std::nullopt;
    return RawRegistryValue{value.Type, std::move(value.Data)};
}

void Win32RegistryAccess::Set(std::string_view name, DWORD type, const void* data, std::size_t size) {
    // RegSetValueExW counts a string's terminator when the caller "forgot" it: whenever the
    // last character is not NUL and the one just past the data is. What it stores would then
    // depend on the memory after the buffer. Past a copy of the data it finds no NUL, so it
    // stores exactly `size` bytes, terminated or not.
    std::string padded;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        padded.assign(static_cast<const char*>(data), size);
        padded.append(2, '\xFF');
        data = padded.data();
    }
    if (!key_ || RegSetValueExW(key_.get(), Utf8ToWide(name).c_str(), 0, type, static_cast<const BYTE*>(data),
                                static_cast<DWORD>(size)) != ERROR_SUCCESS)
        throw SetDataError(name);
}

void Win32RegistryAccess::WriteInteger(std::string_view name, std::int32_t value) {
    Set(name, REG_DWORD, &value, sizeof value);
}

void Win32RegistryAccess::WriteText(std::string_view name, std::string_view text) {
    const std::wstring wide = Utf8ToWide(text);
    Set(name, REG_SZ, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));  // with its NUL, as readers expect
}

void Win32RegistryAccess::WriteDateTime(std::string_view name, double value) {
    Set(name, REG_BINARY, &value, sizeof value);
}

void Win32RegistryAccess::WriteBinary(std::string_view name, std::string_view bytes) {
    Set(name, REG_BINARY, bytes.data(), bytes.size());
}

void Win32RegistryAccess::WriteRaw(std::string_view name, const RawRegistryValue& value) {
    Set(name, value.Type, value.Data.data(), value.Data.size());
}

bool Win32RegistryAccess::DeleteValue(std::string_view name) {
    return key_ && RegDeleteValueW(key_.get(), Utf8ToWide(name).c_str()) == ERROR_SUCCESS;
}

namespace {

// Every name that `enumerate` gives for the indexes 0, 1... until it fails; `Limit` is the
// longest name the registry allows, plus its NUL.
template <std::size_t Limit, typename Enumerate>
std::vector<std::string> ListNames(HKEY key, Enumerate enumerate) {
    std::vector<std::string> names;
    if (!key) return names;
    std::wstring name(Limit, L'\0');
    for (DWORD index = 0;; ++index) {
        auto length = static_cast<DWORD>(name.size());
        if (enumerate(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(WideToUtf8({name.data(), length}));
    }
    return names;
}

}  // namespace

std::vector<std::string> Win32RegistryAccess::ListSubkeys() {
    return ListNames<256>(key_.get(), RegEnumKeyExW);  // a key name has at most 255 characters
}

std::vector<std::string> Win32RegistryAccess::ListValues() {
    return ListNames<16384>(key_.get(), RegEnumValueW);  // a value name at most 16383
}

void Win32RegistryAccess::Flush() {
    if (!key_ || RegFlushKey(key_.get()) != ERROR_SUCCESS) throw SetDataError("");
}

}  // namespace tarvex
