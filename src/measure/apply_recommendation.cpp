#include "measure/apply_recommendation.h"

#include "tuning/parameter_store.h"

namespace tarvex {

bool CanApply(const Recommendation& recommendation, const ModernTcpSettings* modern) {
    if (recommendation.AutoTuningLevel) return modern && !recommendation.WindowNotTheLimit;
    return recommendation.ReceiveWindow && recommendation.Scenario;
}

void ApplyRecommendation(const Recommendation& recommendation, TuningProfile& profile, AdaptersModel& adapters,
                         RegistryAccess& registry, ModernTcpSettings* modern,
                         const std::function<void(BackupAction)>& beforeWrite, const std::function<void()>& written) {
    if (!CanApply(recommendation, modern)) return;
    if (beforeWrite) beforeWrite(BackupAction::Recommendation);
    if (recommendation.AutoTuningLevel) {
        modern->Write(ModernSettingId::AutoTuningLevel, *recommendation.AutoTuningLevel);
    } else {
        ApplyPreset(profile, *recommendation.Scenario);
        profile.GlobalMaxTcpWindowSize = profile.TcpWindowSize = profile.DefaultRcvWindow =
            *recommendation.ReceiveWindow;
        // Above 65535 the window needs scaling; the presets' options keep their time stamps.
        if (recommendation.WindowScaling) profile.Tcp1323Opts |= 1;
        WriteProfile(registry, profile);
        adapters.SetAllMtu(profile.MTU);
        adapters.Write(registry, profile.IsNT);
    }
    if (written) written();
}

}  // namespace tarvex
