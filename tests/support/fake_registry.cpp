#include "support/fake_registry.h"

#include <algorithm>
#include <cstring>

#include "common/utf16_text.h"

namespace tarvex::testing {
namespace {

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

std::string Bytes(const void* data, std::size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

std::string_view LastPart(std::string_view keyPath) {
    const auto slash = keyPath.rfind('\\');
    return slash == std::string_view::npos ? keyPath : keyPath.substr(slash + 1);
}

}  // namespace

FakeRegistryValue FakeRegistryValue::Dword(std::uint32_t value) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return {kRegDword, Bytes(bytes, 4)};
}

FakeRegistryValue FakeRegistryValue::Text(std::string_view text, std::uint32_t type) {
    return {type, std::string(text)};
}

FakeRegistryValue FakeRegistryValue::Binary(std::string_view bytes, std::uint32_t type) {
    return {type, std::string(bytes)};
}

std::ostream& operator<<(std::ostream& out, const FakeRegistryValue& value) {
    if (value.Type == kRegDword && value.Data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value.Data[i]);
        return out << "REG_DWORD " << static_cast<std::int32_t>(number);
    }
    if (value.Type == kRegSz) return out << "REG_SZ \"" << value.Data << "\"";
    return out << "type " << value.Type << ", " << value.Data.size() << " bytes";
}

// --- FakeRegistry -------------------------------------------------------------------------

FakeRegistry::FakeRegistry() {
    for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine, RegistryRoot::ClassesRoot})
        keys_[{root, ""}];
}

std::string FakeRegistry::KeyPath(std::string_view path) {
    std::string result;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            if (!result.empty()) result += '\\';
            result += path.substr(start, end - start);
        }
        start = end + 1;
    }
    return result;
}

FakeRegistry::KeyId FakeRegistry::Id(RegistryRoot root, std::string_view keyPath) {
    return {root, Lower(keyPath)};
}

FakeRegistry::Key* FakeRegistry::Find(RegistryRoot root, std::string_view keyPath) {
    const auto it = keys_.find(Id(root, keyPath));
    return it == keys_.end() ? nullptr : &it->second;
}

const FakeRegistry::Key* FakeRegistry::Find(RegistryRoot root, std::string_view keyPath) const {
    const auto it = keys_.find(Id(root, keyPath));
    return it == keys_.end() ? nullptr : &it->second;
}

FakeRegistry::Key& FakeRegistry::Create(RegistryRoot root, std::string_view keyPath) {
    // Parents first, as the registry makes them.
    const auto slash = keyPath.rfind('\\');
    if (slash != std::string_view::npos) Create(root, keyPath.substr(0, slash));
    Key& key = keys_[Id(root, keyPath)];
    if (key.Name.empty()) key.Name = LastPart(keyPath);
    return key;
}

void FakeRegistry::CreateKey(RegistryRoot root, std::string_view path) {
    Create(root, KeyPath(path));
}

bool FakeRegistry::KeyExists(RegistryRoot root, std::string_view path) const {
    return Find(root, KeyPath(path));
}

void FakeRegistry::DeleteKey(RegistryRoot root, std::string_view path) {
    const KeyId id = Id(root, KeyPath(path));
    if (id.second.empty()) return;  // the roots stay
    const std::string below = id.second + '\\';
    std::erase_if(keys_, [&](const auto& entry) {
        return entry.first.first == root && (entry.first.second == id.second || entry.first.second.starts_with(below));
    });
}

void FakeRegistry::SetValue(RegistryRoot root, std::string_view path, std::string_view name, FakeRegistryValue value) {
    Create(root, KeyPath(path)).Values[Lower(name)] = {std::string(name), std::move(value)};
}

std::optional<FakeRegistryValue> FakeRegistry::Value(RegistryRoot root, std::string_view path,
                                                     std::string_view name) const {
    const Key* key = Find(root, KeyPath(path));
    if (!key) return std::nullopt;
    const auto it = key->Values.find(Lower(name));
    if (it == key->Values.end()) return std::nullopt;
    return it->second.second;
}

std::vector<std::string> FakeRegistry::ValueNames(RegistryRoot root, std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = Find(root, KeyPath(path)))
        for (const auto& [lower, entry] : key->Values) names.push_back(entry.first);
    return names;
}

std::map<std::string, std::optional<FakeRegistryValue>> FakeRegistry::Contents(RegistryRoot root) const {
    std::map<std::string, std::optional<FakeRegistryValue>> contents;
    for (const auto& [id, key] : keys_) {
        if (id.first != root) continue;
        contents.emplace(id.second, std::nullopt);
        for (const auto& [lowerName, value] : key.Values) contents.emplace(id.second + '\\' + lowerName, value.second);
    }
    return contents;
}

void FakeRegistry::FailWritesOf(std::string_view name) {
    failingWrites_.insert(Lower(name));
}

void FakeRegistry::AllowWritesOf(std::string_view name) {
    failingWrites_.erase(Lower(name));
}

void FakeRegistry::DenyOpen(RegistryRoot root, std::string_view path) {
    deniedKeys_.insert(Id(root, KeyPath(path)));
}

void FakeRegistry::DenyWritesIn(RegistryRoot root, std::string_view path) {
    readOnlyKeys_.insert(Id(root, KeyPath(path)));
}

void FakeRegistry::AllowWritesIn(RegistryRoot root, std::string_view path) {
    readOnlyKeys_.erase(Id(root, KeyPath(path)));
}

bool FakeRegistry::ReadOnly(RegistryRoot root, std::string_view keyPath) const {
    return readOnlyKeys_.contains(Id(root, keyPath));
}

bool FakeRegistry::Unflushed(RegistryRoot root, std::string_view path) const {
    return unflushed_.contains(Id(root, KeyPath(path)));
}

bool FakeRegistry::WriteFails(std::string_view name) const {
    return failingWrites_.contains(Lower(name));
}

bool FakeRegistry::OpenDenied(RegistryRoot root, std::string_view keyPath) const {
    return deniedKeys_.contains(Id(root, keyPath));
}

std::unique_ptr<RegistryAccess> FakeRegistry::NewAccess() {
    return std::make_unique<FakeRegistryAccess>(*this);
}

// --- FakeRegistryAccess -------------------------------------------------------------------

bool FakeRegistryAccess::OpenKey(std::string_view path, bool canCreate) {
    // A relative path continues from the open key, in its root whatever root was chosen since.
    const bool relative = !path.starts_with('\\') && open_;
    const RegistryRoot root = relative ? open_->first : root_;
    const std::string keyPath =
        FakeRegistry::KeyPath(relative ? open_->second + '\\' + std::string(path) : std::string(path));
    const bool baseGone = relative && !OpenedKey();  // nothing opens below a deleted key
    open_.reset();
    if (baseGone || registry_.OpenDenied(root, keyPath)) return false;
    if (!registry_.KeyExists(root, keyPath)) {
        if (!canCreate) return false;
        registry_.Create(root, keyPath);
    }
    open_.emplace(root, keyPath);
    return true;
}

FakeRegistry::Key* FakeRegistryAccess::OpenedKey() {
    return open_ ? registry_.Find(open_->first, open_->second) : nullptr;
}

const FakeRegistryValue* FakeRegistryAccess::Query(std::string_view name) {
    if (!open_) return nullptr;
    FakeRegistry::Key* key = OpenedKey();
    if (!key) throw GetDataError(name);
    const auto it = key->Values.find(Lower(name));
    return it == key->Values.end() ? nullptr : &it->second.second;
}

bool FakeRegistryAccess::ValueExists(std::string_view name) {
    FakeRegistry::Key* key = OpenedKey();
    return key && key->Values.contains(Lower(name));
}

std::optional<std::uint32_t> FakeRegistryAccess::ValueType(std::string_view name) {
    FakeRegistry::Key* key = OpenedKey();
    if (!key) return std::nullopt;
    const auto it = key->Values.find(Lower(name));
    if (it == key->Values.end()) return std::nullopt;
    return it->second.second.Type;
}

std::int32_t FakeRegistryAccess::ReadInteger(std::string_view name) {
    const FakeRegistryValue* value = Query(name);
    if (!value) throw GetDataError(name);
    if (value->Type != kRegDword || value->Data.size() != 4) throw InvalidTypeError(name);
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value->Data[i]);
    return static_cast<std::int32_t>(number);
}

std::string FakeRegistryAccess::ReadText(std::string_view name) {
    const FakeRegistryValue* value = Query(name);
    if (!value) return {};
    if (value->Type != kRegSz && value->Type != kRegExpandSz) throw InvalidTypeError(name);
    if (value->RawText) {
        const std::string text =
            Utf16LeToUtf8(value->Data.substr(0, value->Data.size() & ~std::size_t{1})).value_or("");
        return text.substr(0, text.find('\0'));
    }
    return value->Data.substr(0, value->Data.find('\0'));
}

double FakeRegistryAccess::ReadDateTime(std::string_view name) {
    const FakeRegistryValue* value = Query(name);
    if (!value) throw GetDataError(name);
    if (value->Type != kRegBinary || value->Data.size() != sizeof(double)) throw InvalidTypeError(name);
    double result = 0;
    std::memcpy(&result, value->Data.data(), sizeof result);
    return result;
}

std::string FakeRegistryAccess::ReadBinary(std::string_view name) {
    const FakeRegistryValue* value = Query(name);
    if (!value) throw GetDataError(name);
    if (value->Type != kRegBinary) throw InvalidTypeError(name);
    return value->Data;
}

void FakeRegistryAccess::Store(std::string_view name, FakeRegistryValue value) {
    FakeRegistry::Key* key = OpenedKey();
    if (!key || registry_.WriteFails(name) || registry_.ReadOnly(open_->first, open_->second)) throw SetDataError(name);
    if (registry_.OnWrite) registry_.OnWrite(open_->first, open_->second, name);
    key->Values[Lower(name)] = {std::string(name), std::move(value)};
    registry_.unflushed_.insert(FakeRegistry::Id(open_->first, open_->second));
}

void FakeRegistryAccess::WriteInteger(std::string_view name, std::int32_t value) {
    Store(name, FakeRegistryValue::Dword(static_cast<std::uint32_t>(value)));
}

void FakeRegistryAccess::WriteText(std::string_view name, std::string_view text) {
    Store(name, FakeRegistryValue::Text(text));
}

void FakeRegistryAccess::WriteDateTime(std::string_view name, double value) {
    Store(name, FakeRegistryValue::Binary(Bytes(&value, sizeof value)));
}

void FakeRegistryAccess::WriteBinary(std::string_view name, std::string_view bytes) {
    Store(name, FakeRegistryValue::Binary(bytes));
}

namespace {
bool IsTextType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}
}  // namespace

std::optional<RawRegistryValue> FakeRegistryAccess::ReadRaw(std::string_view name) {
    const FakeRegistryValue* value = Query(name);
    if (!value) return std::nullopt;
    if (!IsTextType(value->Type) || value->RawText) return RawRegistryValue{value->Type, value->Data};
    return RawRegistryValue{value->Type, Utf8ToUtf16Le(value->Data) + std::string(2, '\0')};
}

void FakeRegistryAccess::WriteRaw(std::string_view name, const RawRegistryValue& value) {
    if (!IsTextType(value.Type)) {
        Store(name, FakeRegistryValue::Binary(value.Data, value.Type));
        return;
    }
    // Kept as text when it reads back to the same bytes, else as the bytes themselves.
    const std::string_view bytes = value.Data;
    if (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == std::string_view("\0\0", 2)) {
        if (const auto text = Utf16LeToUtf8(bytes.substr(0, bytes.size() - 2))) {
            Store(name, FakeRegistryValue::Text(*text, value.Type));
            return;
        }
    }
    FakeRegistryValue stored = FakeRegistryValue::Binary(value.Data, value.Type);
    stored.RawText = true;
    Store(name, std::move(stored));
}

bool FakeRegistryAccess::DeleteValue(std::string_view name) {
    FakeRegistry::Key* key = OpenedKey();
    if (!key || registry_.ReadOnly(open_->first, open_->second) || registry_.WriteFails(name) ||
        !key->Values.contains(Lower(name)))
        return false;
    if (registry_.OnWrite) registry_.OnWrite(open_->first, open_->second, name);
    key->Values.erase(Lower(name));
    registry_.unflushed_.insert(FakeRegistry::Id(open_->first, open_->second));
    return true;
}

std::vector<std::string> FakeRegistryAccess::ListValues() {
    std::vector<std::string> names;
    if (FakeRegistry::Key* key = OpenedKey())
        for (const auto& [lower, entry] : key->Values) names.push_back(entry.first);
    return names;
}

void FakeRegistryAccess::Flush() {
    if (!OpenedKey()) throw SetDataError("");
    registry_.unflushed_.erase(FakeRegistry::Id(open_->first, open_->second));
}

std::vector<std::string> FakeRegistryAccess::ListSubkeys() {
    std::vector<std::string> names;
    if (!OpenedKey()) return names;
    const auto& [root, keyPath] = *open_;
    const std::string prefix = keyPath.empty() ? std::string() : Lower(keyPath) + '\\';
    for (const auto& [id, key] : registry_.keys_) {
        if (id.first != root || id.second.size() <= prefix.size() || !id.second.starts_with(prefix)) continue;
        if (id.second.find('\\', prefix.size()) == std::string::npos) names.push_back(key.Name);
    }
    return names;
}

}  // namespace tarvex::testing
