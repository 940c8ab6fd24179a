#pragma once
// The texts of the "Update Check" window; the lines the check itself sets are in
// update/scheduled_check.h.
namespace tarvex::update_texts {

inline constexpr char kUpdateCheckCaption[] = "Update Check";
inline constexpr char kCheckingForUpdates[] = "Checking for application updates.";
inline constexpr char kPleaseWait[] = "Please wait...";

}  // namespace tarvex::update_texts
