#pragma once
// "Apply recommendation": the connection test's recommendation written as "Accelerate!" writes,
// backup first.
#include <functional>

#include "measure/connection_test.h"
#include "platform/modern_tcp_settings.h"
#include "platform/registry_access.h"
#include "tuning/adapters.h"
#include "tuning/backup.h"
#include "tuning/tuning_profile.h"

namespace tarvex {

// Whether there is anything to write: a receive window and scenario on the classic stacks, an
// auto-tuning level that differs from the one in force on Vista and later (with its port).
bool CanApply(const Recommendation& recommendation, const ModernTcpSettings* modern);

// Classic stacks: the scenario's preset with the recommended receive window (window scaling on
// where it passes 65535), its MTU on every adapter. Vista and later: the auto-tuning level through
// the port. `beforeWrite` runs first (the backup; what it throws ends this with nothing written),
// `written` after a write that succeeded. The write's error is thrown.
void ApplyRecommendation(const Recommendation& recommendation, TuningProfile& profile, AdaptersModel& adapters,
                         RegistryAccess& registry, ModernTcpSettings* modern,
                         const std::function<void(BackupAction)>& beforeWrite, const std::function<void()>& written);

}  // namespace tarvex
