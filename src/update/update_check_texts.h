#pragma once
// The texts of the scheduled update check.
namespace tarvex::update_texts {

inline constexpr char kUpdateCheckCaption[] = "Update Check";
inline constexpr char kCheckingForUpdates[] = "Checking for application updates.";
inline constexpr char kPleaseWait[] = "Please wait...";
inline constexpr char kNewUpdateFound[] = "New Update found...";
inline constexpr char kNoUpdatesAvailable[] = "No updates available at this time.";
// "A new version of " + title + kUpdatePromptEnd.
inline constexpr char kUpdatePromptStart[] = "A new version of ";
inline constexpr char kUpdatePromptEnd[] =
    " is available as a downloadable update.\r\n\r\nWould you like to update now?";

}  // namespace tarvex::update_texts
