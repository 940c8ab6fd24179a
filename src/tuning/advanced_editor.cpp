#include "tuning/advanced_editor.h"

#include "tuning/advanced_texts.h"
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
    ShowProfile();
    applyEnabled_ = true;
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
    if (OnWritten) OnWritten();
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
