#include "tuning/backup.h"

#include <algorithm>
#include <set>

#include "common/record_bytes.h"
#include "common/utf16_text.h"
#include "platform/registry_records.h"
#include "tuning/modern_changes.h"
#include "tuning/parameter_store.h"

namespace tarvex {
namespace {

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

std::string WithLeadingBackslash(std::string_view path) {
    return path.starts_with('\\') ? std::string(path) : "\\" + std::string(path);
}

std::string AdapterMtuPath(bool isNT, std::string_view adapterKey) {
    return std::string(MtuKeysPath(isNT)) + "\\" + std::string(adapterKey);
}

constexpr char kRecordPrefix[] = "Backup";
std::string RecordValueName(std::uint32_t id) {
    return kRecordPrefix + std::to_string(id);
}

// What a write that failed leaves to do, after its error.
constexpr char kUndoAdvice[] =
    "The other values were given back. \"Undo last change\" tries again to give back the rest.";
constexpr char kChangeAdvice[] =
    "The other values were written. \"Undo last change\" gives back the settings as they were before.";

// Saving or reading a record failed: nothing may change without a way back.
Error BackupError(const std::exception& cause) {
    return Error(std::string("The current TCP/IP settings could not be backed up, so nothing was changed.\r\n\r\n") +
                 cause.what());
}

// Records without the modern stack's part are TVB1, records with it TVB2, an undo's with its aim
// TVB3 (the modern parts always there, then the aim); all read.
constexpr std::string_view kRecordMagic = "TVB1";
constexpr std::string_view kModernRecordMagic = "TVB2";
constexpr std::string_view kGoalRecordMagic = "TVB3";

void PutSnapshot(RecordWriter& out, const RegistrySnapshot& snapshot) {
    out.U32(static_cast<std::uint32_t>(snapshot.size()));
    for (const SavedValue& saved : snapshot) {
        out.U8(static_cast<std::uint8_t>(saved.Where.Root));
        out.Str(saved.Where.Path);
        out.Str(saved.Where.Name);
        out.U8(saved.Where.CreatesKey ? 1 : 0);
        out.U8(saved.Value ? 1 : 0);
        if (saved.Value) {
            out.U32(saved.Value->Type);
            out.Str(saved.Value->Data);
        }
    }
}

void PutModern(RecordWriter& out, const std::optional<ModernSnapshot>& snapshot) {
    out.U8(snapshot ? 1 : 0);
    if (!snapshot) return;
    out.U32(static_cast<std::uint32_t>(snapshot->size()));
    for (const ModernSavedValue& saved : *snapshot) {
        out.Str(saved.Key);
        out.Str(saved.Interface);
        out.U8(saved.Value ? 1 : 0);
        if (saved.Value) out.U32(static_cast<std::uint32_t>(*saved.Value));
    }
}

// Nothing when the part is damaged; `present` tells whether the record holds the part at all.
std::optional<ModernSnapshot> GetModern(RecordReader& in, bool& damaged) {
    if (!in.Flag()) return std::nullopt;
    const std::uint32_t count = in.U32();
    if (count > in.Left()) {
        damaged = true;
        return std::nullopt;
    }
    ModernSnapshot snapshot;
    for (std::uint32_t i = 0; i < count && in.Ok(); ++i) {
        ModernSavedValue& saved = snapshot.emplace_back();
        saved.Key = in.Str();
        saved.Interface = in.Str();
        if (in.Flag()) saved.Value = static_cast<std::int32_t>(in.U32());
        // Only what the program writes: a setting it knows, or an interface's MTU.
        if (saved.Key != kModernMtuKey ? !ModernSettingByKey(saved.Key) || !saved.Interface.empty()
                                       : saved.Interface.empty())
            damaged = true;
    }
    if (!in.Ok()) damaged = true;
    return snapshot;
}

// Records live where any program of the user can write them, and a restore writes with the
// program's rights: a value that is not one the tuning writes on the record's family makes the
// record damaged, and the key's details are the program's own, never the record's.
std::optional<RegistrySnapshot> GetSnapshot(RecordReader& in, bool isNT) {
    const std::uint32_t count = in.U32();
    if (count > in.Left()) return std::nullopt;  // each value takes bytes: a count beyond them is damage
    RegistrySnapshot snapshot;
    for (std::uint32_t i = 0; i < count && in.Ok(); ++i) {
        SavedValue& saved = snapshot.emplace_back();
        const std::uint8_t root = in.U8();
        if (root > static_cast<std::uint8_t>(RegistryRoot::ClassesRoot)) return std::nullopt;
        saved.Where.Root = static_cast<RegistryRoot>(root);
        saved.Where.Path = in.Str();
        saved.Where.Name = in.Str();
        in.Flag();  // whether the key may be created: the program knows that itself
        if (in.Flag()) {
            const std::uint32_t type = in.U32();
            saved.Value.emplace(RawRegistryValue{type, in.Str()});
        }
        if (!in.Ok()) break;
        auto managed = FindManagedValue(isNT, saved.Where.Root, saved.Where.Path, saved.Where.Name);
        if (!managed) return std::nullopt;
        saved.Where = std::move(*managed);
    }
    if (!in.Ok()) return std::nullopt;
    return snapshot;
}

// The value's key and name as the history lists it: the key's last part is enough to tell them apart.
std::string ShortName(const ManagedValue& where) {
    const auto slash = where.Path.rfind('\\');
    const std::string key = slash == std::string::npos ? where.Path : where.Path.substr(slash + 1);
    return key + "\\" + where.Name;
}

std::string_view TypeName(std::uint32_t type) {
    switch (type) {
        case kRegNone:
            return "REG_NONE";
        case kRegSz:
            return "REG_SZ";
        case kRegExpandSz:
            return "REG_EXPAND_SZ";
        case kRegBinary:
            return "REG_BINARY";
        case kRegDword:
            return "REG_DWORD";
        case kRegDwordBigEndian:
            return "REG_DWORD_BIG_ENDIAN";
        case kRegMultiSz:
            return "REG_MULTI_SZ";
        case kRegQword:
            return "REG_QWORD";
        default:
            return {};
    }
}

}  // namespace

std::vector<ManagedValue> ManagedValues(RegistryAccess& registry, bool isNT, const std::vector<AdapterItem>& adapters) {
    std::vector<ManagedValue> values;
    for (const ProfileValueLocation& at : ProfileValueLocations(isNT))
        values.push_back({at.Root, std::string(at.Path), std::string(at.Name), at.CreatesKey});

    // Every adapter key the registry has (a write may reach any of them) and those of the list.
    std::vector<std::string> keys;
    registry.SetRootKey(RegistryRoot::LocalMachine);
    if (registry.OpenKey(MtuKeysPath(isNT), false)) keys = registry.ListSubkeys();
    registry.CloseKey();
    std::set<std::string> seen;
    for (const std::string& key : keys) seen.insert(Lower(key));
    // The list's own keys too, where they name a key the listing did not (the write skips any
    // that does not open).
    for (const AdapterItem& item : adapters) {
        if (item.AdapterKey.empty() || seen.contains(Lower(item.AdapterKey))) continue;
        if (registry.OpenKey(AdapterMtuPath(isNT, item.AdapterKey), false)) keys.push_back(item.AdapterKey);
        registry.CloseKey();
    }
    seen.clear();
    for (const std::string& key : keys) {
        if (!seen.insert(Lower(key)).second) continue;
        values.push_back(
            {RegistryRoot::LocalMachine, AdapterMtuPath(isNT, key), std::string(MtuValueName(isNT)), false});
    }
    return values;
}

std::optional<ManagedValue> FindManagedValue(bool isNT, RegistryRoot root, std::string_view path,
                                             std::string_view name) {
    const std::string lowerPath = Lower(WithLeadingBackslash(path));
    const std::string lowerName = Lower(name);
    for (const ProfileValueLocation& at : ProfileValueLocations(isNT)) {
        if (at.Root == root && Lower(at.Path) == lowerPath && Lower(at.Name) == lowerName)
            return ManagedValue{at.Root, std::string(at.Path), std::string(at.Name), at.CreatesKey};
    }
    const std::string prefix = Lower(MtuKeysPath(isNT)) + "\\";
    if (root != RegistryRoot::LocalMachine || !lowerPath.starts_with(prefix) || lowerName != Lower(MtuValueName(isNT)))
        return std::nullopt;
    const std::string fullPath = WithLeadingBackslash(path);
    const std::string_view adapterKey = std::string_view(fullPath).substr(prefix.size());
    // One key name below the adapters' keys: no further level, and no NUL or other control
    // character (a NUL would end the name where Windows reads it, naming the parent key).
    if (adapterKey.empty() || std::any_of(adapterKey.begin(), adapterKey.end(),
                                          [](char c) { return c == '\\' || static_cast<unsigned char>(c) < 0x20; }))
        return std::nullopt;
    return ManagedValue{root, AdapterMtuPath(isNT, adapterKey), std::string(MtuValueName(isNT)), false};
}

RegistrySnapshot TakeSnapshot(RegistryAccess& registry, const std::vector<ManagedValue>& values) {
    RegistrySnapshot snapshot;
    try {
        for (const ManagedValue& where : values) {
            SavedValue saved{where, std::nullopt};
            registry.SetRootKey(where.Root);
            if (registry.OpenKey(where.Path, false)) saved.Value = registry.ReadRaw(where.Name);
            snapshot.push_back(std::move(saved));
        }
    } catch (...) {
        registry.CloseKey();
        throw;
    }
    registry.CloseKey();
    return snapshot;
}

RegistrySnapshot PendingValues(RegistryAccess& registry, const RegistrySnapshot& snapshot) {
    RegistrySnapshot pending;
    try {
        for (const SavedValue& saved : snapshot) {
            const ManagedValue& where = saved.Where;
            registry.SetRootKey(where.Root);
            const bool keyThere = registry.OpenKey(where.Path, false);
            const std::optional<RawRegistryValue> now = keyThere ? registry.ReadRaw(where.Name) : std::nullopt;
            // A key that is gone holds nothing to remove, and is made again only by the tuning's
            // own values (an adapter removed since stays removed).
            if (now != saved.Value && (keyThere || where.CreatesKey)) pending.push_back(saved);
        }
    } catch (...) {
        registry.CloseKey();
        throw;
    }
    registry.CloseKey();
    return pending;
}

void RestoreSnapshot(RegistryAccess& registry, const RegistrySnapshot& snapshot) {
    std::string failures;
    for (const SavedValue& saved : PendingValues(registry, snapshot)) {
        const ManagedValue& where = saved.Where;
        try {
            registry.SetRootKey(where.Root);
            if (!registry.OpenKey(where.Path, saved.Value && where.CreatesKey)) {
                if (saved.Value) throw RegistryAccess::SetDataError(where.Name);
                continue;  // the key went since: nothing left to remove
            }
            if (saved.Value) {
                registry.WriteRaw(where.Name, *saved.Value);
            } else {
                registry.RemoveValue(where.Name);  // a refused removal must not pass for a restored value
            }
        } catch (const Error& e) {
            if (!failures.empty()) failures += "\r\n";
            failures += std::string(e.what()) + " in " + std::string(RegistryRootName(where.Root)) +
                        WithLeadingBackslash(where.Path);
        }
    }
    registry.CloseKey();
    if (!failures.empty()) throw Error(failures);
}

std::string_view BackupActionText(BackupAction action) {
    switch (action) {
        case BackupAction::Accelerate:
            return "Accelerate!";
        case BackupAction::RestoreDefaults:
            return "Restore Defaults";
        case BackupAction::Apply:
            return "Apply";
        case BackupAction::Undo:
            return "Undo";
        case BackupAction::Import:
            return "Import";
        case BackupAction::Recommendation:
            return "Recommendation";
    }
    return {};
}

std::string EncodeBackupRecord(const BackupRecord& record) {
    RecordWriter out;
    const bool goal = record.Goal.has_value();
    const bool modern = goal || record.ModernBefore || record.ModernAfter;
    for (const char c : goal ? kGoalRecordMagic : modern ? kModernRecordMagic : kRecordMagic)
        out.U8(static_cast<std::uint8_t>(c));
    out.U32(record.Id);
    out.F64(record.Time);
    out.U8(static_cast<std::uint8_t>(record.Action));
    out.Str(record.WindowsRelease);
    out.Str(record.ProgramVersion);
    out.U8(record.IsNT ? 1 : 0);
    PutSnapshot(out, record.Before);
    out.U8(record.After ? 1 : 0);
    if (record.After) PutSnapshot(out, *record.After);
    if (modern) {
        PutModern(out, record.ModernBefore);
        PutModern(out, record.ModernAfter);
    }
    if (goal) {
        PutSnapshot(out, *record.Goal);
        PutModern(out, record.ModernGoal);
    }
    return out.Take();
}

std::optional<BackupRecord> DecodeBackupRecord(std::string_view bytes) {
    RecordReader in(bytes);
    const std::string_view magic = in.Take(kRecordMagic.size());
    const bool goal = magic == kGoalRecordMagic;
    const bool modern = goal || magic == kModernRecordMagic;
    if (magic != kRecordMagic && !modern) return std::nullopt;
    BackupRecord record;
    record.Id = in.U32();
    record.Time = in.F64();
    const std::uint8_t action = in.U8();
    if (action > static_cast<std::uint8_t>(BackupAction::Recommendation)) return std::nullopt;
    record.Action = static_cast<BackupAction>(action);
    record.WindowsRelease = in.Str();
    record.ProgramVersion = in.Str();
    record.IsNT = in.Flag();
    auto before = GetSnapshot(in, record.IsNT);
    if (!before) return std::nullopt;
    record.Before = std::move(*before);
    if (in.Flag()) {
        record.After = GetSnapshot(in, record.IsNT);
        if (!record.After) return std::nullopt;
    }
    if (modern) {
        bool damaged = false;
        record.ModernBefore = GetModern(in, damaged);
        record.ModernAfter = GetModern(in, damaged);
        if (damaged || (!goal && !record.ModernBefore && !record.ModernAfter)) return std::nullopt;
    }
    if (goal) {
        record.Goal = GetSnapshot(in, record.IsNT);
        if (!record.Goal) return std::nullopt;
        bool damaged = false;
        record.ModernGoal = GetModern(in, damaged);
        if (damaged) return std::nullopt;
    }
    if (!in.Ok() || !in.AtEnd()) return std::nullopt;
    return record;
}

std::string DescribeValue(const std::optional<RawRegistryValue>& value) {
    if (!value) return "(not set)";
    const std::string& data = value->Data;
    if (value->Type == kRegDword && data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i)
            number = (number << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
        return std::to_string(number);
    }
    if (value->Type == kRegSz || value->Type == kRegExpandSz) {
        if (const auto text = Utf16LeToUtf8(data)) {
            return "\"" + text->substr(0, text->find('\0')) + "\"";
        }
    }
    static constexpr char kHex[] = "0123456789abcdef";
    const std::string_view name = TypeName(value->Type);
    std::string shown = name.empty() ? "type " + std::to_string(value->Type) : std::string(name);
    shown += ':';
    constexpr std::size_t kShownBytes = 16;
    for (std::size_t i = 0; i < data.size() && i < kShownBytes; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        shown += ' ';
        shown += kHex[byte >> 4];
        shown += kHex[byte & 15];
    }
    if (data.size() > kShownBytes) shown += " ...";
    return shown;
}

std::vector<ValueChange> RecordChanges(const BackupRecord& record) {
    std::vector<ValueChange> changes;
    for (const SavedValue& before : record.Before) {
        if (!record.After) {
            changes.push_back({ShortName(before.Where), DescribeValue(before.Value), "?"});
            continue;
        }
        const auto after = std::find_if(record.After->begin(), record.After->end(),
                                        [&](const SavedValue& saved) { return saved.Where == before.Where; });
        const std::optional<RawRegistryValue> afterValue = after == record.After->end() ? std::nullopt : after->Value;
        if (afterValue != before.Value)
            changes.push_back({ShortName(before.Where), DescribeValue(before.Value), DescribeValue(afterValue)});
    }
    if (!record.ModernBefore) return changes;
    for (const ModernSavedValue& before : *record.ModernBefore) {
        const auto id = ModernSettingByKey(before.Key);
        const auto describe = [&](std::optional<int> value) {
            return id ? DescribeModernValue(*id, value) : value ? std::to_string(*value) : "unknown";
        };
        if (!record.ModernAfter) {
            changes.push_back({ModernValueName(before), describe(before.Value), "?"});
            continue;
        }
        const auto after = std::find_if(record.ModernAfter->begin(), record.ModernAfter->end(), [&](const auto& saved) {
            return saved.Key == before.Key && saved.Interface == before.Interface;
        });
        const std::optional<int> afterValue = after == record.ModernAfter->end() ? std::nullopt : after->Value;
        if (afterValue != before.Value)
            changes.push_back({ModernValueName(before), describe(before.Value), describe(afterValue)});
    }
    return changes;
}

// --- the keeper ---------------------------------------------------------------------------

BackupKeeper::BackupKeeper(RegistryAccess& registry, BackupContext context)
    : registry_(registry), context_(std::move(context)) {}

void BackupKeeper::DoChange() {
    if (OnChange) OnChange();
}

std::optional<BackupRecord> BackupKeeper::Load(std::uint32_t id) {
    std::optional<BackupRecord> record;
    try {
        registry_.SetRootKey(RegistryRoot::CurrentUser);
        if (registry_.OpenKey(kBackupsKey, false)) {
            if (const auto raw = registry_.ReadRaw(RecordValueName(id)); raw && raw->Type == kRegBinary) {
                record = DecodeBackupRecord(raw->Data);
                if (record && record->Id != id) record.reset();
            }
        }
    } catch (const Error&) {
        record.reset();  // unreadable counts as gone
    }
    registry_.CloseKey();
    return record;
}

std::vector<BackupRecord> BackupKeeper::History() {
    std::vector<BackupRecord> records;
    try {
        for (const StoredRecord& stored : ReadRecords(registry_, kBackupsKey, kRecordPrefix, kBackupLimit)) {
            auto record = stored.Bytes ? DecodeBackupRecord(*stored.Bytes) : std::nullopt;
            if (record && record->Id == stored.Id) records.push_back(std::move(*record));
        }
    } catch (const Error&) {
        records.clear();  // unreadable counts as gone
    }
    return records;
}

bool BackupKeeper::HasBackup() {
    return !History().empty();
}

std::uint32_t BackupKeeper::Save(BackupRecord record) {
    std::uint32_t id = 0;
    try {
        id = AppendRecord(
            registry_, kBackupsKey, kRecordPrefix, kBackupLimit,
            [&record](std::uint32_t next) {
                record.Id = next;
                return EncodeBackupRecord(record);
            },
            [](std::string_view bytes, std::uint32_t next) -> std::optional<std::string> {
                auto kept = DecodeBackupRecord(bytes);
                if (!kept) return std::nullopt;
                kept->Id = next;
                return EncodeBackupRecord(*kept);
            });
    } catch (const std::exception& e) {
        throw BackupError(e);
    }
    DoChange();
    return id;
}

BackupRecord BackupKeeper::NewRecord(BackupAction action, bool isNT) const {
    BackupRecord record;
    record.Time = context_.Now ? context_.Now() : 0;
    record.Action = action;
    record.WindowsRelease = context_.WindowsRelease;
    record.ProgramVersion = context_.ProgramVersion;
    record.IsNT = isNT;
    return record;
}

std::uint32_t BackupKeeper::Record(BackupAction action, bool isNT, const std::vector<AdapterItem>& adapters) {
    BackupRecord record = NewRecord(action, isNT);
    try {
        record.Before = TakeSnapshot(registry_, ManagedValues(registry_, isNT, adapters));
    } catch (const std::exception& e) {
        throw BackupError(e);
    }
    record.ModernBefore = ModernState(adapters);
    return Save(std::move(record));
}

// The modern settings where this Windows has them and they can be reached; a change then touches
// none of them either, so a record without them loses nothing.
std::optional<ModernSnapshot> BackupKeeper::ModernState(const std::vector<AdapterItem>& adapters) {
    if (!modernPort_ || !modernSystem_) return std::nullopt;
    try {
        return TakeModernSnapshot(*modernPort_, *modernSystem_, adapters);
    } catch (const Error&) {
        return std::nullopt;
    }
}

void BackupKeeper::Completed(std::uint32_t id) noexcept {
    try {
        auto record = Load(id);
        if (!record) return;
        std::vector<ManagedValue> values;
        for (const SavedValue& saved : record->Before) values.push_back(saved.Where);
        record->After = TakeSnapshot(registry_, values);
        if (record->ModernBefore && modernPort_) {
            try {
                record->ModernAfter = ReadModernSnapshot(*modernPort_, *record->ModernBefore);
            } catch (const Error&) {
                // The history shows the modern part without its result.
            }
        }
        registry_.SetRootKey(RegistryRoot::CurrentUser);
        if (registry_.OpenKey(kBackupsKey, false))
            registry_.WriteBinary(RecordValueName(id), EncodeBackupRecord(*record));
    } catch (const std::exception&) {
        // The history then shows the record without its result; the way back is intact.
    }
    registry_.CloseKey();
    DoChange();
}

std::vector<std::string> BackupKeeper::WriteRecorded(BackupRecord record, const RegistrySnapshot& values,
                                                     const ModernSnapshot& modern) {
    std::vector<ManagedValue> where;
    for (const SavedValue& saved : values) where.push_back(saved.Where);
    try {
        record.Before = TakeSnapshot(registry_, where);
    } catch (const std::exception& e) {
        throw BackupError(e);
    }
    const bool writesModern = !modern.empty() && modernPort_ && modernSystem_;
    if (writesModern) {
        try {
            record.ModernBefore = ReadModernSnapshot(*modernPort_, modern);
        } catch (const std::exception& e) {
            throw BackupError(e);
        }
    }
    const bool undo = record.Action == BackupAction::Undo;
    if (undo) {
        record.Goal = values;
        if (writesModern) record.ModernGoal = modern;
    }
    const std::uint32_t id = Save(std::move(record));
    std::vector<std::string> notes =
        WriteState(id, values, writesModern ? std::optional<ModernSnapshot>(modern) : std::nullopt,
                   undo ? kUndoAdvice : kChangeAdvice);
    if (!modern.empty() && !writesModern)
        notes.push_back("The TCP settings of this version of Windows could not be reached, so they were not changed.");
    return notes;
}

std::vector<std::string> BackupKeeper::WriteState(std::uint32_t id, const RegistrySnapshot& values,
                                                  const std::optional<ModernSnapshot>& modern,
                                                  std::string_view advice) {
    std::vector<std::string> notes;
    try {
        RestoreSnapshot(registry_, values);
        if (modern && modernPort_ && modernSystem_)
            notes = RestoreModernSnapshot(*modernPort_, *modernSystem_, *modern);
    } catch (const std::exception& e) {
        // The record stays as it is, unfinished: the part written can be undone, and an undo is
        // finished by the next one.
        DoChange();
        throw Error(std::string(e.what()) + "\r\n\r\n" + std::string(advice));
    }
    Completed(id);
    return notes;
}

std::vector<std::string> BackupKeeper::Restore(std::uint32_t id) {
    const auto record = Load(id);
    if (!record) throw Error("This backup no longer exists.");
    return WriteRecorded(NewRecord(BackupAction::Undo, record->IsNT), record->Before,
                         record->ModernBefore.value_or(ModernSnapshot{}));
}

std::vector<std::string> BackupKeeper::Import(const RegistrySnapshot& values, bool isNT, const ModernSnapshot& modern) {
    RegistrySnapshot pending;
    try {
        pending = PendingValues(registry_, values);
    } catch (const std::exception& e) {
        throw BackupError(e);
    }
    if (pending.empty() && (modern.empty() || !modernPort_ || !modernSystem_))
        throw Error(
            "There is nothing to import: the file's values are those in force already, or belong to network adapters "
            "this computer does not have. Nothing was changed.");
    return WriteRecorded(NewRecord(BackupAction::Import, isNT), pending, modern);
}

std::vector<std::string> BackupKeeper::UndoLast() {
    std::vector<StoredRecord> newest;
    try {
        newest = ReadRecords(registry_, kBackupsKey, kRecordPrefix, 1);
    } catch (const Error&) {
        newest.clear();
    }
    if (newest.empty()) throw Error("There is no change to undo.");
    auto record = newest.front().Bytes ? DecodeBackupRecord(*newest.front().Bytes) : std::nullopt;
    if (!record || record->Id != newest.front().Id)
        throw Error(
            "The backup of the last change is damaged, so Tarvex cannot undo that change. Nothing was changed.\r\n\r\n"
            "History lists the earlier changes; each of them can still be restored there.");
    if (record->Goal && !record->After) return WriteState(record->Id, *record->Goal, record->ModernGoal, kUndoAdvice);
    return Restore(record->Id);
}

}  // namespace tarvex
