#pragma once
// The tuning profile in the registry: the values the TCP/IP stack of the NT or the 9x family
// reads at start-up, and the connection limits of the Internet settings.
#include <string_view>
#include <vector>

#include "platform/registry_access.h"
#include "tuning/tuning_profile.h"

namespace tarvex {

// Fills the managed values of the profile's family from the registry and sets MTU to 576.
// Never fails: a missing, mistyped or unreadable value reads as kSystemDefault, and so do the
// values of a key that does not open.
void ReadProfile(RegistryAccess& registry, TuningProfile& profile);

// Writes every managed value the profile's family stores, in a fixed order, and removes those
// that hold kSystemDefault. A key that does not open is skipped (only the TCP/IP key is
// created when missing). A failing write throws its error and ends the operation there; the
// values before it stay written.
void WriteProfile(RegistryAccess& registry, const TuningProfile& profile);

// Where WriteProfile writes (or removes) a value on this family, in its order.
struct ProfileValueLocation {
    RegistryRoot Root;
    std::string_view Path;  // from the root, with a leading backslash
    std::string_view Name;
    bool CreatesKey;  // the write creates the key when it is missing
};
std::vector<ProfileValueLocation> ProfileValueLocations(bool isNT);

}  // namespace tarvex
