#include "tuning/advanced_editor.h"

#include <algorithm>
#include <cstdlib>

#include "tuning/advanced_texts.h"
#include "tuning/modern_changes.h"
#include "tuning/parameter_store.h"
#include "tuning/tuning_run.h"

namespace tarvex {

std::int64_t ReceiveWindow(std::int32_t mtu, std::int64_t multiplier) {
    return (static_cast<std::int64_t>(mtu) - 40) * multiplier;
}

std::int64_t ReceiveWindowMultiplier(std::int32_t window, std::int32_t mtu) {
    const std::int64_t base = static_cast<std::int64_t>(mtu) - 40;
    if (base <= 0) return 0;
    // Floor division, so that the remainder is never negative.
    std::int64_t quotient = window / base;
    std::int64_t remainder = window % base;
    if (remainder < 0) {
        --quotient;
        remainder += base;
    }
    if (2 * remainder > base || (2 * remainder == base && quotient % 2 != 0)) ++quotient;
    return quotient;
}

AdvancedEditorModel::AdvancedEditorModel(TuningProfile& profile, AdaptersModel& adapters)
    : profile_(profile), adapters_(adapters) {}

void AdvancedEditorModel::Refresh(RegistryAccess& registry) {
    const ChangeBatch batch(batchDepth_, OnChange);
    applyEnabled_ = false;
    RefreshTuningValues(registry, adapters_, profile_);
    readAdapters_ = adapters_.Items();
    ShowProfile();
    ReadModern();
    applyEnabled_ = true;
}

void AdvancedEditorModel::SetModern(ModernTcpSettings* port, std::optional<ModernSystem> system) {
    const ChangeBatch batch(batchDepth_, OnChange);
    modernPort_ = port;
    modernSystem_ = std::move(system);
    const bool modern = modernPort_ && modernSystem_;
    // Since Vista the receive window comes from auto-tuning; SACK, the RFC 1323 options and the
    // duplicate-ACK threshold have no documented effect there.
    controls_.WindowUsed = controls_.SackUsed = controls_.Tcp1323Used = controls_.DupAcksUsed = !modern;
    modern_ = ModernTab{};
    modern_.Shown = modern;
    if (!modern) return;
    for (const ModernSettingInfo& info : ModernSettings()) {
        if (!HasSetting(*modernSystem_, info.Id)) continue;
        ModernRow row;
        row.Id = info.Id;
        row.Caption = info.Caption;
        row.Default = info.DefaultText.empty() ? std::string(advanced_texts::kModernWindowsDefault)
                                               : std::string(info.DefaultText);
        row.Writable = CanWriteSetting(*modernSystem_, info.Id);
        row.Entries.push_back(advanced_texts::kModernWindowsDefault);
        row.Values.push_back(kWindowsDefault);
        if (info.Choices.empty()) {
            for (const int value : {300, 500, 1000, 2000, 3000}) {
                row.Entries.push_back(DescribeModernValue(info.Id, value));
                row.Values.push_back(value);
            }
        } else {
            for (const ModernChoice& choice : info.Choices) {
                if (!IsValidValue(*modernSystem_, info.Id, choice.Value)) continue;
                row.Entries.emplace_back(choice.Caption);
                row.Values.push_back(choice.Value);
            }
        }
        row.Current = DescribeModernValue(info.Id, std::nullopt);
        modern_.Rows.push_back(std::move(row));
    }
}

// The values Windows holds now; the choices the user made stay until "Apply" sets them.
void AdvancedEditorModel::ReadModern() {
    if (!modern_.Shown) return;
    // Emplaced rather than assigned over a default reading: in the mingw build an assignment whose
    // call threw left that reading with stray values (measured under Wine's win10, where WMI fails).
    std::optional<ModernReading> reading;
    try {
        reading.emplace(modernPort_->Read());
    } catch (const Error& e) {
        modern_.Status = advanced_texts::kModernUnreachable;
        unreachableReason_ = e.what();
    }
    modernReachable_ = reading.has_value();
    bool anyKnown = false;
    for (ModernRow& row : modern_.Rows) {
        const std::optional<int> value = reading ? reading->Value(row.Id) : std::nullopt;
        anyKnown = anyKnown || value.has_value();
        row.Current = DescribeModernValue(row.Id, value);
    }
    if (modernReachable_) modern_.Status = anyKnown ? advanced_texts::kModernRead : advanced_texts::kModernUnreadable;
    SelectModern(modern_.Selected);
}

void AdvancedEditorModel::SelectModern(int row) {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (row < -1 || row >= static_cast<int>(modern_.Rows.size())) return;
    modern_.Selected = row;
    modern_.Why.clear();
    modern_.ChoiceEnabled = false;
    // Where nothing can be set, the reason says why, whatever row is selected.
    if (!modernReachable_) {
        modern_.Why = unreachableReason_;
        return;
    }
    if (row < 0) return;
    const ModernRow& selected = modern_.Rows[static_cast<std::size_t>(row)];
    modern_.Why =
        advanced_texts::kModernDefault + selected.Default + ". " + std::string(ModernSettingOf(selected.Id).Why);
    if (!selected.Writable) modern_.Why += std::string(" ") + advanced_texts::kModernReadOnly;
    modern_.ChoiceEnabled = selected.Writable && modernReachable_;
}

void AdvancedEditorModel::ChooseModern(int entry) {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (!modern_.ChoiceEnabled || modern_.Selected < 0) return;
    ModernRow& row = modern_.Rows[static_cast<std::size_t>(modern_.Selected)];
    if (entry < -1 || entry >= static_cast<int>(row.Entries.size())) return;
    row.Chosen = entry;
    row.New = entry < 0 ? std::string() : row.Entries[static_cast<std::size_t>(entry)];
}

// Each chosen value in turn; one that Windows refuses does not stop the others. Returns the refusals.
std::vector<std::string> AdvancedEditorModel::ApplyModern() {
    std::vector<std::string> refusals;
    if (!modern_.Shown || !modernReachable_) return refusals;
    for (ModernRow& row : modern_.Rows) {
        if (row.Chosen < 0 || !row.Writable) continue;
        try {
            modernPort_->Write(row.Id, row.Values[static_cast<std::size_t>(row.Chosen)]);
            row.Chosen = -1;
            row.New.clear();
        } catch (const Error& e) {
            refusals.push_back(row.Caption + ": " + e.what());
        }
    }
    // An MTU changed on the MTU tab goes to the interface too, where Windows uses another. One
    // left as read is not pushed: the classic value may be an old tool's that this Windows never
    // took. "Windows Default" has no modern counterpart (an interface's MTU is its link's unless
    // set), so it only removes the classic value.
    try {
        const std::vector<ModernInterface> interfaces = modernPort_->Interfaces();
        for (const AdapterItem& adapter : adapters_.Items()) {
            if (std::find(readAdapters_.begin(), readAdapters_.end(), adapter) != readAdapters_.end()) continue;
            const ModernInterface* found = InterfaceOf(interfaces, adapter.AdapterKey);
            const int mtu = found && !adapter.MtuText.empty() ? std::atoi(adapter.MtuText.c_str()) : 0;
            if (mtu <= 0 || found->Mtu == mtu) continue;
            try {
                modernPort_->WriteMtu(*found, mtu);
            } catch (const Error& e) {
                refusals.push_back("MTU of " + (found->Name.empty() ? adapter.Caption : found->Name) + ": " + e.what());
            }
        }
    } catch (const Error& e) {
        refusals.push_back(std::string("MTU: ") + e.what());
    }
    return refusals;
}

void AdvancedEditorModel::ShowProfile() {
    const TuningProfile& p = profile_;
    AdvancedControls& c = controls_;

    c.rbEnableBlackHoleDetection = p.EnablePMTUBHDetect == 1;
    c.rbEnableAutoMTUDetection = p.EnablePMTUDiscovery == 1;

    SetPair(c.rbTTL, p.DefaultTTL == -1, p.DefaultTTL >= 0, &AdvancedEditorModel::rbTTLDefaultClick);
    // A TTL below the spinner's range leaves it where it is.
    if (p.DefaultTTL >= kTtlRange.Min) udTTLChanging(p.DefaultTTL);

    const std::int32_t window = p.IsNT ? p.GlobalMaxTcpWindowSize : p.DefaultRcvWindow;
    SetPair(c.rbRWIN, window == -1, window >= 0, &AdvancedEditorModel::rbRWINDefaultClick);
    const std::int64_t multiplier = ReceiveWindowMultiplier(window, p.MTU);
    if (multiplier > 0 && multiplier == c.udRWIN && c.lblRWINValue != advanced_texts::kNoRwinValue) {
        // The spinner does not move, but a label that shows a window must show this one: left
        // as it was, it would show (and "Apply" would store) a window the registry no longer holds.
        c.lblRWINValue = std::to_string(ReceiveWindow(p.MTU, multiplier));
    } else {
        udRWINChangingEx(multiplier);
    }

    c.chkSACK = p.SackOpts == 1;

    c.chkTCPLW = p.Tcp1323Opts != -1;
    ChooseTCPLW(p.Tcp1323Opts >= 0 && p.Tcp1323Opts < static_cast<int>(advanced_texts::kTcplwChoices.size())
                    ? p.Tcp1323Opts
                    : -1);
    chkTCPLWClick();

    const std::int32_t dupAcks = p.IsNT ? p.TcpMaxDupAcks : p.MaxDupAcks;
    SetPair(c.rbACK, dupAcks == -1, dupAcks >= 0, &AdvancedEditorModel::rbACKDefaultClick);
    udACKChanging(dupAcks);

    c.lblHTTP10.clear();
    c.lblHTTP11.clear();
    c.chkHTTPConn = p.MaxConnectionsPer1_0Server != -1 || p.MaxConnectionsPerServer != -1;
    if (c.chkHTTPConn) {
        tbHTTP10Change(kHttpRange.Clamp(p.MaxConnectionsPer1_0Server));
        tbHTTP11Change(kHttpRange.Clamp(p.MaxConnectionsPerServer));
    }
    chkHTTPConnClick();
}

void AdvancedEditorModel::Apply(RegistryAccess& registry) {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (!applyEnabled_) return;  // a click that reached a disabled button
    const AdvancedControls& c = controls_;
    TuningProfile& p = profile_;

    if (OnBeforeWrite) OnBeforeWrite(BackupAction::Apply);
    adapters_.Write(registry, p.IsNT);
    // An unchecked box means the system's default (the value is removed), not off.
    p.EnablePMTUBHDetect = c.rbEnableBlackHoleDetection ? 1 : kSystemDefault;
    p.EnablePMTUDiscovery = c.rbEnableAutoMTUDetection ? 1 : kSystemDefault;
    p.DefaultTTL = c.rbTTL.Default ? kSystemDefault : c.udTTL;
    const std::int32_t window = c.rbRWIN.Default ? kSystemDefault : WindowToApply();
    (p.IsNT ? p.GlobalMaxTcpWindowSize : p.DefaultRcvWindow) = window;
    p.SackOpts = c.chkSACK ? 1 : kSystemDefault;
    p.Tcp1323Opts = c.chkTCPLW ? c.cbTCPLW : kSystemDefault;
    // The tab shows each family's own value, so it is the one that takes the user's choice.
    const std::int32_t dupAcks = c.rbACK.Default ? kSystemDefault : c.udACK;
    if (p.IsNT) {
        p.TcpMaxDupAcks = dupAcks;
    } else {
        p.TcpMaxDupAcks = kSystemDefault;
        p.MaxDupAcks = dupAcks;
    }
    p.MaxConnectionsPer1_0Server = c.chkHTTPConn ? c.tbHTTP10 : kSystemDefault;
    p.MaxConnectionsPerServer = c.chkHTTPConn ? c.tbHTTP11 : kSystemDefault;
    WriteProfile(registry, p);
    const std::vector<std::string> refusals = ApplyModern();
    if (OnWritten) OnWritten();
    // The tab shows what Windows holds now, whatever it took.
    ReadModern();
    if (!refusals.empty() && OnInformation) OnInformation(ModernRefusedMessage(refusals));
}

// What the value label shows. Before it shows any, the spinner was never moved off the
// multiplier the refresh set: the window the refresh read stays, or, where there was none
// ("Windows Default" was then changed to "Custom"), the window of the multiplier on show.
std::int32_t AdvancedEditorModel::WindowToApply() const {
    if (controls_.lblRWINValue == advanced_texts::kNoRwinValue) {
        const std::int32_t current = profile_.IsNT ? profile_.GlobalMaxTcpWindowSize : profile_.DefaultRcvWindow;
        if (current >= 0) return current;
        return TextToInteger(std::to_string(ReceiveWindow(profile_.MTU, controls_.udRWIN)));
    }
    return TextToInteger(controls_.lblRWINValue);
}

void AdvancedEditorModel::SetBlackHoleDetection(bool checked) {
    const ChangeBatch batch(batchDepth_, OnChange);
    controls_.rbEnableBlackHoleDetection = checked;
}

void AdvancedEditorModel::SetAutoMTUDetection(bool checked) {
    const ChangeBatch batch(batchDepth_, OnChange);
    controls_.rbEnableAutoMTUDetection = checked;
}

void AdvancedEditorModel::SetSACK(bool checked) {
    const ChangeBatch batch(batchDepth_, OnChange);
    controls_.chkSACK = checked;
}

void AdvancedEditorModel::CheckRWINDefault() {
    const ChangeBatch batch(batchDepth_, OnChange);
    SetPair(controls_.rbRWIN, true, false, &AdvancedEditorModel::rbRWINDefaultClick);
}

void AdvancedEditorModel::CheckRWINCustom() {
    const ChangeBatch batch(batchDepth_, OnChange);
    SetPair(controls_.rbRWIN, false, true, &AdvancedEditorModel::rbRWINDefaultClick);
}

void AdvancedEditorModel::udRWINChangingEx(std::int64_t position) {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (position == controls_.udRWIN) return;
    // The label follows even a multiplier beyond the range, which the spinner itself does not
    // take. A base that is not positive (no MTU known yet) gives no window.
    const std::int64_t window = ReceiveWindow(profile_.MTU, position);
    if (position > 0 && window > 0) controls_.lblRWINValue = std::to_string(window);
    controls_.udRWIN = kRwinRange.Clamp(position);
}

void AdvancedEditorModel::CheckTTLDefault() {
    const ChangeBatch batch(batchDepth_, OnChange);
    SetPair(controls_.rbTTL, true, false, &AdvancedEditorModel::rbTTLDefaultClick);
}

void AdvancedEditorModel::CheckTTLCustom() {
    const ChangeBatch batch(batchDepth_, OnChange);
    SetPair(controls_.rbTTL, false, true, &AdvancedEditorModel::rbTTLDefaultClick);
}

void AdvancedEditorModel::udTTLChanging(std::int64_t position) {
    const ChangeBatch batch(batchDepth_, OnChange);
    controls_.udTTL = kTtlRange.Clamp(position);
}

void AdvancedEditorModel::SetHTTPConn(bool checked) {
    const ChangeBatch batch(batchDepth_, OnChange);
    controls_.chkHTTPConn = checked;
    chkHTTPConnClick();
}

void AdvancedEditorModel::tbHTTP10Change(int position) {
    const ChangeBatch batch(batchDepth_, OnChange);
    const int clamped = kHttpRange.Clamp(position);
    if (clamped == controls_.tbHTTP10) return;
    controls_.tbHTTP10 = clamped;
    controls_.lblHTTP10 = std::to_string(clamped);
}

void AdvancedEditorModel::tbHTTP11Change(int position) {
    const ChangeBatch batch(batchDepth_, OnChange);
    const int clamped = kHttpRange.Clamp(position);
    if (clamped == controls_.tbHTTP11) return;
    controls_.tbHTTP11 = clamped;
    controls_.lblHTTP11 = std::to_string(clamped);
}

void AdvancedEditorModel::SetTCPLW(bool checked) {
    const ChangeBatch batch(batchDepth_, OnChange);
    controls_.chkTCPLW = checked;
    chkTCPLWClick();
}

void AdvancedEditorModel::ChooseTCPLW(int index) {
    const ChangeBatch batch(batchDepth_, OnChange);
    if (index < -1 || index >= static_cast<int>(advanced_texts::kTcplwChoices.size())) return;
    controls_.cbTCPLW = index;
}

void AdvancedEditorModel::CheckACKDefault() {
    const ChangeBatch batch(batchDepth_, OnChange);
    SetPair(controls_.rbACK, true, false, &AdvancedEditorModel::rbACKDefaultClick);
}

void AdvancedEditorModel::CheckACKCustom() {
    const ChangeBatch batch(batchDepth_, OnChange);
    SetPair(controls_.rbACK, false, true, &AdvancedEditorModel::rbACKDefaultClick);
}

void AdvancedEditorModel::udACKChanging(std::int64_t position) {
    const ChangeBatch batch(batchDepth_, OnChange);
    controls_.udACK = kAckRange.Clamp(position);
}

void AdvancedEditorModel::rbRWINDefaultClick() {
    controls_.RWINEnabled = !controls_.rbRWIN.Default;
}

void AdvancedEditorModel::rbTTLDefaultClick() {
    controls_.TTLEnabled = !controls_.rbTTL.Default;
}

void AdvancedEditorModel::rbACKDefaultClick() {
    controls_.ACKEnabled = !controls_.rbACK.Default;
}

void AdvancedEditorModel::chkTCPLWClick() {
    controls_.cbTCPLWEnabled = controls_.chkTCPLW;
}

// An enabled value label shows its track bar's position, also where the bar did not move (a
// refresh that finds the values it found before, a box checked after a refresh cleared them).
void AdvancedEditorModel::chkHTTPConnClick() {
    controls_.HTTPEnabled = controls_.chkHTTPConn;
    if (!controls_.chkHTTPConn) return;
    controls_.lblHTTP10 = std::to_string(controls_.tbHTTP10);
    controls_.lblHTTP11 = std::to_string(controls_.tbHTTP11);
}

void AdvancedEditorModel::SetPair(DefaultOrCustom& pair, bool isDefault, bool isCustom,
                                  void (AdvancedEditorModel::*click)()) {
    const DefaultOrCustom next{isDefault, isCustom};
    if (pair == next) return;
    pair = next;
    // The enabling follows "Windows Default" whichever way the pair changed, so that a pair
    // with neither button checked (a stored value below -1) leaves the values usable.
    (this->*click)();
}

}  // namespace tarvex
