#include "app/program_options.h"

namespace tarvex {

bool StartInTrayClicked(ProgramOptions& options) {
    if (!options.StartInTray || options.MinimizeToTray) return false;
    options.MinimizeToTray = true;
    return true;
}

}  // namespace tarvex
