#pragma once
// The advanced editor's state and rules: what every control of its tabs shows, the refresh
// that copies the registry into them, the enabling rules, the value labels, the user's events
// and "Apply", which copies them back into the profile and writes it. The "MTU" tab is the
// adapters model's; the page only mirrors both.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/change_batch.h"
#include "platform/modern_tcp_settings.h"
#include "platform/registry_access.h"
#include "tuning/adapters.h"
#include "tuning/backup.h"
#include "tuning/modern_tcp.h"
#include "tuning/tuning_profile.h"

namespace tarvex {

// A spinner's or track bar's range; a position outside it shows the nearest end.
struct PositionRange {
    int Min;
    int Max;
    int Step;
    int Clamp(std::int64_t position) const {
        return position < Min ? Min : position > Max ? Max : static_cast<int>(position);
    }
};
inline constexpr PositionRange kRwinRange{1, 100, 1};   // `udRWIN`, the receive window multiplier
inline constexpr PositionRange kTtlRange{32, 256, 32};  // `udTTL`
inline constexpr PositionRange kAckRange{1, 3, 1};      // `udACK`
inline constexpr PositionRange kHttpRange{1, 10, 1};    // `tbHTTP10`, `tbHTTP11`

// A "Windows Default" / "Custom" pair. Values below -1 check neither.
struct DefaultOrCustom {
    bool Default = false;
    bool Custom = false;
    friend bool operator==(const DefaultOrCustom&, const DefaultOrCustom&) = default;
};

// What the controls show, named after them. The texts of the read-only boxes are their
// spinners' positions in decimal.
struct AdvancedControls {
    // "General"
    bool rbEnableBlackHoleDetection = false;
    bool rbEnableAutoMTUDetection = false;
    bool chkSACK = false;
    // "RWIN/TTL"
    DefaultOrCustom rbRWIN;  // `rbRWINDefault`, `rbRWINCustom`
    int udRWIN = 1;
    std::string lblRWINValue = "---";
    bool RWINEnabled = true;  // `txtRWIN`, `udRWIN`, `lblRWINValueLbl`, `lblRWINValue`
    DefaultOrCustom rbTTL;    // `rbTTLDefault`, `rbTTLCustom`
    int udTTL = 32;
    bool TTLEnabled = true;  // `txtTTL`, `udTTL`
    // "HTTP"
    bool chkHTTPConn = false;
    int tbHTTP10 = 1;
    int tbHTTP11 = 1;
    std::string lblHTTP10;
    std::string lblHTTP11;
    bool HTTPEnabled = false;  // both track bars, their value labels, "HTTP 1.0" and "HTTP 1.1"
    // "TCPLW"
    bool chkTCPLW = false;
    int cbTCPLW = -1;  // the choice, which is the option value; -1: none
    bool cbTCPLWEnabled = false;
    // "ACK"
    DefaultOrCustom rbACK;  // `rbACKDefault`, `rbACKCustom`
    int udACK = 2;
    bool ACKEnabled = true;  // `txtACK`, `udACK`

    // Values the running Windows no longer reads (Vista and later): their controls are greyed and
    // say so; "Apply" still writes them as before, which does no harm.
    bool WindowUsed = true;   // the RWIN group
    bool SackUsed = true;     // `chkSACK`
    bool Tcp1323Used = true;  // the TCPLW tab
    bool DupAcksUsed = true;  // the ACK tab

    friend bool operator==(const AdvancedControls&, const AdvancedControls&) = default;
};

// The "Modern TCP" tab (Vista and later): a row per setting of the running Windows, what it holds
// now, Windows' default and the value "Apply" is to set, and below the list the selected row's
// choice and why.
struct ModernRow {
    ModernSettingId Id = ModernSettingId::AutoTuningLevel;
    std::string Caption;
    std::string Current;  // as read; "unknown" where Windows keeps it out of reach
    std::string Default;
    std::string New;                   // the chosen entry; empty: left as it is
    std::vector<std::string> Entries;  // "Windows default", then the values this Windows takes
    std::vector<int> Values;           // each entry's value
    int Chosen = -1;                   // -1: left as it is
    bool Writable = false;
    friend bool operator==(const ModernRow&, const ModernRow&) = default;
};
struct ModernTab {
    bool Shown = false;  // Vista and later
    std::string Status;  // what the tab says above the list
    std::vector<ModernRow> Rows;
    int Selected = -1;
    std::string Why;             // the selected row's default and why, or why nothing can be set
    bool ChoiceEnabled = false;  // the "Set to" list: a writable row is selected and the settings are reachable
    friend bool operator==(const ModernTab&, const ModernTab&) = default;
};

// The window in bytes for a multiplier: the maximum segment size taken as MTU - 40.
std::int64_t ReceiveWindow(std::int32_t mtu, std::int64_t multiplier);
// The multiplier for a window: window / (MTU - 40), halves to the even neighbour; 0 when the
// base is not positive.
std::int64_t ReceiveWindowMultiplier(std::int32_t window, std::int32_t mtu);

class AdvancedEditorModel {
public:
    // Both are the main window's and must outlive the model.
    AdvancedEditorModel(TuningProfile& profile, AdaptersModel& adapters);

    const AdvancedControls& Controls() const { return controls_; }
    const ModernTab& Modern() const { return modern_; }

    // Windows Vista and later: the modern stack's tab, read and written through `port`
    // (borrowed; it must outlive the model), and the classic values it no longer reads greyed.
    void SetModern(ModernTcpSettings* port, std::optional<ModernSystem> system);
    // "Apply" is enabled once a refresh has completed, and again only after the next one that
    // completes: after a refresh that stopped part-way, the adapter list and the profile no
    // longer hold what the registry holds, and applying would overwrite values nobody saw.
    bool ApplyEnabled() const { return applyEnabled_; }

    // "Refresh" and the main window's creation: the adapters, then the profile, then each tab.
    // An adapter's MTU of the wrong type stops it with the registry's error; the controls stay
    // as they were.
    void Refresh(RegistryAccess& registry);
    // "Apply": the adapters' MTU, then each control into the profile, then the profile's write.
    // An error ends it where it happens; the fields changed before it stay changed.
    void Apply(RegistryAccess& registry);

    // The user's events. Check boxes pass their new mark; radio buttons are checked by a click,
    // and checking the checked one changes nothing. A spinner's event passes the position it is
    // about to take (its position plus its step times the direction, unclamped); the model
    // decides where it stands, so the view lets the control not move by itself and mirrors.
    void SetBlackHoleDetection(bool checked);
    void SetAutoMTUDetection(bool checked);
    void SetSACK(bool checked);
    void CheckRWINDefault();
    void CheckRWINCustom();
    // The RWIN spinner is about to take `position` (its position plus or minus one, which may
    // lie outside its range).
    void udRWINChangingEx(std::int64_t position);
    void CheckTTLDefault();
    void CheckTTLCustom();
    // A spinner is about to take `position`; it keeps within its range.
    void udTTLChanging(std::int64_t position);
    void SetHTTPConn(bool checked);
    void tbHTTP10Change(int position);
    void tbHTTP11Change(int position);
    void SetTCPLW(bool checked);
    void ChooseTCPLW(int index);  // -1 clears the choice
    void CheckACKDefault();
    void CheckACKCustom();
    void udACKChanging(std::int64_t position);
    // The "Modern TCP" tab: a row of the list selected (-1: none), an entry of its "Set to" list
    // chosen (-1: leave the setting as it is).
    void SelectModern(int row);
    void ChooseModern(int entry);

    std::function<void()> OnChange;
    // "Apply" made what it could, but Windows refused some of the modern settings: the message.
    std::function<void(std::string_view text)> OnInformation;  // once per operation above, also when it fails part-way
    // "Apply" is about to write (the backup's moment): an error it throws ends "Apply" with
    // nothing written or changed. OnWritten follows an "Apply" that wrote everything.
    std::function<void(BackupAction action)> OnBeforeWrite;
    std::function<void()> OnWritten;

private:
    // The handlers the controls' events raise.
    void rbRWINDefaultClick();
    void rbTTLDefaultClick();
    void rbACKDefaultClick();
    void chkTCPLWClick();
    void chkHTTPConnClick();

    // Checks one button of a pair (or neither, for values below -1) and runs its handler when a
    // button became checked.
    void SetPair(DefaultOrCustom& pair, bool isDefault, bool isCustom, void (AdvancedEditorModel::*click)());
    void ShowProfile();
    std::int32_t WindowToApply() const;
    void ReadModern();
    std::vector<std::string> ApplyModern();

    TuningProfile& profile_;
    AdaptersModel& adapters_;
    AdvancedControls controls_;
    ModernTab modern_;
    ModernTcpSettings* modernPort_ = nullptr;
    std::optional<ModernSystem> modernSystem_;
    bool modernReachable_ = false;
    std::string unreachableReason_;
    std::vector<AdapterItem> readAdapters_;  // the adapter list as the last refresh read it
    bool applyEnabled_ = false;
    int batchDepth_ = 0;  // operations under way, see ChangeBatch
};

}  // namespace tarvex
