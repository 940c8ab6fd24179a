#pragma once
// The connection test from the command line, without a window:
//   Tarvex.exe /test[:<address>] [/json] [/quiet]
// It prints the figures and the recommendation (one JSON object with /json) on standard output,
// or on the console the program was started from, keeps the test with the others, and ends with
// one of the exit codes below. /quiet shows no message box, also where no output can be written.
#include <optional>

namespace tarvex {

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefusedInput = 2;  // an address that is no http(s) address the program accepts
inline constexpr int kExitTestFailed = 3;    // the host could not be reached, the download failed or stalled

// Runs the test when the command line asks for it; nothing when it does not.
std::optional<int> RunTestCommand();

}  // namespace tarvex
