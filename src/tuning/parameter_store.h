#pragma once
// The tuning profile in the registry: the values the TCP/IP stack of the NT or the 9x family
// reads at start-up, and the connection limits of the Internet settings.
#include "platform/registry_access.h"
#include "tuning/tuning_profile.h"

namespace tarvex {

// Fills the managed values of the profile's family from the registry and sets MTU to 576.
// Never fails: a missing, mistyped or unreadable value reads as kSystemDefault, and the
// fields of a key that does not open keep what they held.
void ReadProfile(RegistryAccess& registry, TuningProfile& profile);

// Writes every managed value the profile's family stores, in a fixed order, and removes those
// that hold kSystemDefault. A key that does not open is skipped (only the TCP/IP key is
// created when missing). A failing write throws its error and ends the operation there; the
// values before it stay written.
void WriteProfile(RegistryAccess& registry, const TuningProfile& profile);

}  // namespace tarvex
