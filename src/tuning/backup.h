#pragma once
// The way back from every change of the TCP/IP values: before "Accelerate!", "Restore
// Defaults", the advanced editor's "Apply", an undo or an import writes anything, the state of
// every value it may touch is recorded exactly (present or not, type and bytes as stored) in
// the current user's registry. "Undo last change" and the history write such a record back.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/modern_tcp_settings.h"
#include "platform/registry_access.h"
#include "tuning/adapters.h"
#include "tuning/modern_tcp.h"

namespace tarvex {

// Where the records live, newest first, at most kBackupLimit of them.
inline constexpr char kBackupsKey[] = "\\Software\\Quillmont\\Tarvex\\Backups";
inline constexpr std::size_t kBackupLimit = 20;

// One value the program writes. Path starts at the root with a backslash.
struct ManagedValue {
    RegistryRoot Root = RegistryRoot::LocalMachine;
    std::string Path;
    std::string Name;
    bool CreatesKey = false;  // the tuning creates this key when it is missing, so a restore may too
    friend bool operator==(const ManagedValue&, const ManagedValue&) = default;
};

// Every value the tuning, the advanced editor and the adapter list write on this family: the
// profile's values, and the MTU of each adapter key that exists, below the MTU keys or named
// by `adapters` (the list the next write takes its adapters from).
std::vector<ManagedValue> ManagedValues(RegistryAccess& registry, bool isNT, const std::vector<AdapterItem>& adapters);
// Whether a write of `name` in `path` is one the program makes on this family (adapters: any
// direct subkey of the MTU keys). Paths compare without regard to case, with or without the
// leading backslash.
std::optional<ManagedValue> FindManagedValue(bool isNT, RegistryRoot root, std::string_view path,
                                             std::string_view name);

// A value's state: nothing when it is absent.
struct SavedValue {
    ManagedValue Where;
    std::optional<RawRegistryValue> Value;
    friend bool operator==(const SavedValue&, const SavedValue&) = default;
};
using RegistrySnapshot = std::vector<SavedValue>;

// Reads each value as stored. A key that does not open counts as holding none of its values;
// a value that cannot be read throws, since a backup without it would be no way back.
RegistrySnapshot TakeSnapshot(RegistryAccess& registry, const std::vector<ManagedValue>& values);
// The values of `snapshot` that a restore changes: those that differ from what is stored now,
// where their key is there or is one the tuning creates.
RegistrySnapshot PendingValues(RegistryAccess& registry, const RegistrySnapshot& snapshot);
// Writes each pending value back with its type and bytes, and removes those that were absent;
// values stored as they were are not touched. A key that is gone is recreated only for a value
// the tuning would create it for (an adapter that went stays gone). A failing write does not
// stop the others: at the end an error names each value that failed, with its key.
void RestoreSnapshot(RegistryAccess& registry, const RegistrySnapshot& snapshot);

enum class BackupAction { Accelerate, RestoreDefaults, Apply, Undo, Import, Recommendation };
// The action as the history names it.
std::string_view BackupActionText(BackupAction action);

struct BackupRecord {
    std::uint32_t Id = 0;  // grows with each record
    double Time = 0;       // the registry's date-time, local
    BackupAction Action = BackupAction::Accelerate;
    std::string WindowsRelease;
    std::string ProgramVersion;
    bool IsNT = true;
    RegistrySnapshot Before;
    std::optional<RegistrySnapshot> After;  // once the change has been made
    // The settings of the modern TCP stack (Vista and later), where they could be reached.
    std::optional<ModernSnapshot> ModernBefore;
    std::optional<ModernSnapshot> ModernAfter;
    // An undo's aim, kept before it writes anything: the state it gives back. An undo cut short
    // (the program ended, a write refused) has no After yet, and the next undo finishes it.
    std::optional<RegistrySnapshot> Goal;
    std::optional<ModernSnapshot> ModernGoal;
    friend bool operator==(const BackupRecord&, const BackupRecord&) = default;
};

// The record's bytes as stored, and back; nothing for bytes that are no record.
std::string EncodeBackupRecord(const BackupRecord& record);
std::optional<BackupRecord> DecodeBackupRecord(std::string_view bytes);

// One line of the history's list of changes.
struct ValueChange {
    std::string Value;  // the value's key and name
    std::string Before;
    std::string After;
    friend bool operator==(const ValueChange&, const ValueChange&) = default;
};
// The values the record's change altered; before a change completed, every recorded value
// with "?" after it.
std::vector<ValueChange> RecordChanges(const BackupRecord& record);
// A value as the history shows it: "(not set)", a number, a text, or its type and bytes.
std::string DescribeValue(const std::optional<RawRegistryValue>& value);

// What each record tells besides the values.
struct BackupContext {
    std::function<double()> Now;
    std::string WindowsRelease;
    std::string ProgramVersion;
};

class BackupKeeper {
public:
    // Both are borrowed; the registry is the one the changes go through.
    BackupKeeper(RegistryAccess& registry, BackupContext context);

    // What the next records tell of the system and the program.
    void SetContext(BackupContext context) { context_ = std::move(context); }

    // The modern stack's settings go into every record and back with every restore, from now on.
    void SetModern(ModernTcpSettings* port, std::optional<ModernSystem> system) {
        modernPort_ = port;
        modernSystem_ = std::move(system);
    }

    // The records, newest first; records that do not read are left out.
    std::vector<BackupRecord> History();
    bool HasBackup();

    // Records the values `ManagedValues` names before `action` writes them, and returns the
    // record's id. Throws an error saying that nothing was changed when the record cannot be
    // written; the change must then not run.
    std::uint32_t Record(BackupAction action, bool isNT, const std::vector<AdapterItem>& adapters);
    // The change recorded as `id` has been made: its result joins the record, for the history.
    // Failing to add it loses nothing that an undo needs, so it is not reported.
    void Completed(std::uint32_t id) noexcept;

    // Writes record `id`'s earlier state back. The undo is recorded first, with its aim, so it
    // can be undone; a write that fails ends in an error naming it after the others were written,
    // and the undo's record stays unfinished. Returns a line for each modern setting not given
    // back exactly (its earlier value was unknown).
    std::vector<std::string> Restore(std::uint32_t id);
    // "Undo last change": the newest record only. An undo that was cut short is finished (its aim
    // written again, no new record); any other change is undone by Restore. A newest record that
    // does not read is an error: no earlier change is undone in its place.
    std::vector<std::string> UndoLast();
    // Writes `values` and `modern` (an imported file's) on this family after recording what they
    // change. Nothing to change (values as stored, or only adapters that are not there) is an
    // error and records nothing; a failing write ends in its error and the record stays, so the
    // part written can be undone.
    std::vector<std::string> Import(const RegistrySnapshot& values, bool isNT, const ModernSnapshot& modern = {});

    // Called after every change of the records.
    std::function<void()> OnChange;

private:
    std::uint32_t Save(BackupRecord record);
    std::optional<BackupRecord> Load(std::uint32_t id);
    void DoChange();
    BackupRecord NewRecord(BackupAction action, bool isNT) const;
    std::vector<std::string> WriteRecorded(BackupRecord record, const RegistrySnapshot& values,
                                           const ModernSnapshot& modern);
    // Writes the values and the modern settings, then completes record `id`; a failing write
    // throws with `advice` after its error.
    std::vector<std::string> WriteState(std::uint32_t id, const RegistrySnapshot& values,
                                        const std::optional<ModernSnapshot>& modern, std::string_view advice);
    std::optional<ModernSnapshot> ModernState(const std::vector<AdapterItem>& adapters);

    RegistryAccess& registry_;
    BackupContext context_;
    ModernTcpSettings* modernPort_ = nullptr;
    std::optional<ModernSystem> modernSystem_;
};

}  // namespace tarvex
