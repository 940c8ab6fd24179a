#pragma once
// The main window's own texts, in one place.

namespace tarvex::texts {

inline constexpr char kSidePanelProgram[] = "Tarvex";
inline constexpr char kSidePanelHelp[] = "Help / Settings";
inline constexpr char kSidePanelConnection[] = "Your connection";
inline constexpr char kDownloading[] = "Downloading";
inline constexpr char kSendingData[] = "Sending data";
inline constexpr char kChange[] = "Change";

// Side-panel link captions: per line an image, an indent to x 20, the link and a break.
inline constexpr char kQmHtmlLabel1[] =
    "<IMG src=\"idx:0\"><IND x=\"20\"><A href=\"#0\">Accelerate Internet Connection</A><BR>"
    "<IMG src=\"idx:1\"><IND x=\"20\"><A href=\"#1\">Advanced</A><BR>"
    "<IMG src=\"idx:2\"><IND x=\"20\"><A href=\"#2\">Connection State</A>";
inline constexpr char kQmHtmlLabel2[] =
    "<IMG src=\"idx:3\"><IND x=\"20\"><A href=\"#0\">Program Options</A><BR>"
    "<IMG src=\"idx:4\"><IND x=\"20\"><A href=\"#1\">Program Help</A><BR>"
    "<IMG src=\"idx:4\"><IND x=\"20\"><A href=\"#2\">About</A>";

inline constexpr char kWelcome[] =
    "<B><FONT size=\"10\" color=\"#225ACA\">Welcome to Quillmont Tarvex</FONT></B><BR><BR>To optimize your system "
    "for a specific network scenario, select it from the list below and select \"Accelerate!\". If more than one "
    "description applies, select the scenario which is most important to you.<BR><BR><B>Select your connection "
    "type:</B>";

// Program Options
inline constexpr char kGeneral[] = " General ";
inline constexpr char kLoadAtWinStart[] = "Load Tarvex at Windows Startup";
inline constexpr char kStartInTray[] = "Start Tarvex in System Tray";
inline constexpr char kMinimizeToTray[] = "Minimize to System Tray";
inline constexpr char kUpdates[] = " Updates ";
inline constexpr char kCheckForUpdates[] = "Check for program updates every";

// Support
inline constexpr char kAskQuestionsText[] =
    "If you have questions about using Tarvex please click at the button to send us an email.";
inline constexpr char kAskQuestions[] = "Ask Questions";
inline constexpr char kCheckUpdatesText[] =
    "There may be a new version available online. Click the button below to connect to our web site and check for "
    "updates.";
inline constexpr char kCheckUpdates[] = "Check for updates";
inline constexpr char kProxyDetails[] = " Proxy details ";
inline constexpr char kProxyServer[] = "Proxy server :";
inline constexpr char kProxyUser[] = "Proxy username :";
inline constexpr char kProxyPassword[] = "Proxy password :";
inline constexpr char kProxyNote[] = "(leave blank if no proxy used)";

// About
inline constexpr char kProductTitle[] = "Quillmont Tarvex";
inline constexpr char kVersionPrefix[] = "Version ";
inline constexpr char kLegalNotice[] =
    "Warning: this computer program is protected by copyright law and international treaties. Unauthorized "
    "reproduction or distribution of this program, or any portion of it, may result in severe civil and criminal "
    "penalties, and will be prosecuted to the maximum extent possible under the law.\r\n\r\n"
    "Tarvex changes the TCP/IP settings of Windows. Quillmont makes no warranty that these settings suit every "
    "network; you can return to the settings Windows uses by default at any time with \"Restore Defaults\".";

}  // namespace tarvex::texts
