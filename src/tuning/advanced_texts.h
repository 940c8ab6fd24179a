#pragma once
// The advanced editor's own texts, in one place, exactly as the page shows them.
#include <array>

namespace tarvex::advanced_texts {

// The tabs of `PageControlAdvanced`, in order; the first is active when the window opens.
inline constexpr std::array<const char*, 7> kTabs = {"Welcome", "General", "MTU", "RWIN/TTL", "HTTP", "TCPLW", "ACK"};

// "Welcome", in the HTML label's markup.
inline constexpr char kWelcome[] =
    "<FONT color=\"#225ACA\" size=\"10\"><B>Welcome to the advanced Tarvex settings.</B></FONT><BR><BR>If you are "
    "comfortable adjusting your network and internet settings manually, the advanced options will allow you to "
    "experiment with various configurations until you arrive at 100% optimal performance.<BR><BR>Please remember to "
    "click on the Apply button to save any changes you've made.";

// "General"
inline constexpr char kGeneralGroup[] = " General Settings ";
inline constexpr char kBlackHoleText[] =
    "Specifies whether the stack will attempt to detect Maximum Transmission Unit (MTU) routers that do not send "
    "back ICMP fragmentation-needed messages. The default is 0.";
inline constexpr char kAutoMtuText[] =
    "Specifies whether the TCP/IP stack will attempt to perform path MTU discovery as specified in RFC 1191. The "
    "default is 1.";
inline constexpr char kSackText[] =
    "This parameter controls whether or not Selective ACK (SACK - RFC 2018) support is enabled. With SACK enabled "
    "(default), a packet or series of packets can be dropped, and the receiver informs the sender which data has "
    "been received, and where there may be \"holes\" in the data.";
inline constexpr char kEnableBlackHoleDetection[] = "Enable Black Hole Detection";
inline constexpr char kEnableAutoMTUDetection[] = "Enable automatic MTU Detection";
inline constexpr char kSack[] = "Enable SACK (Selective Acknowledge)";

// "MTU" (the list's entries are kMtuTexts in tuning/adapters.h)
inline constexpr char kMtuGroup[] = " Network Adapter MTU (Maximum Transfer Unit) ";
inline constexpr char kMtuText[] =
    "MTU stands for Maximum Transmission Unit and in basic terms, it defines the maximum size of a packet that can "
    "be transferred in one frame over a network.";
inline constexpr char kAdapterNameColumn[] = "Adapter Name";

// Both radio buttons of each pair on "MTU", "RWIN/TTL" and "ACK".
inline constexpr char kWindowsDefault[] = "Windows Default";
inline constexpr char kCustom[] = "Custom";

// "RWIN/TTL"
inline constexpr char kRwinGroup[] = " RWIN (TCP Receive Window Size) ";
inline constexpr char kRwinText[] =
    "RWIN (Receive WINdow) is the buffer your machine waits to fill with data before attending to whatever other TCP "
    "transactions are occurring on the other threads and sockets WinSock has open while a connection is in "
    "progress.";
inline constexpr char kTimes[] = "x";
inline constexpr char kRwinValueCaption[] = "Calculated RWIN Value:";
inline constexpr char kNoRwinValue[] = "---";  // `lblRWINValue` until a multiplier is shown
inline constexpr char kTtlGroup[] = " TTL (Time to Live) ";
inline constexpr char kTtlText[] =
    "The value of TTL (Time To Live) defines how long a packet can stay active before being discarded.";

// "HTTP"
inline constexpr char kHttpGroup[] = " Number of Allowed Simultaneous HTTP Connections ";
inline constexpr char kHttpText[] =
    "Windows normally limits the number of simultaneous connections made to a single web server. This behavior can "
    "be seen in Internet Explorer when downloading multiple files from a web site and only a certain number will be "
    "active at any one time. \r\n\r\n";
inline constexpr char kChangeValues[] = "Change values";
inline constexpr char kHttp10[] = "HTTP 1.0";
inline constexpr char kHttp11[] = "HTTP 1.1";

// "TCPLW"; an entry's index is the option value.
inline constexpr char kTcplwGroup[] = " TCPLW (Support for TCP Large Windows) ";
inline constexpr char kTcplwText[] =
    "This setting controls RFC 1323 time stamps and window scaling options for TCP/IP packets.";
inline constexpr char kEnable[] = "Enable";
inline constexpr std::array<const char*, 4> kTcplwChoices = {
    "0 - disable RFC 1323 options",
    "1 - window scale enabled only",
    "2 - time stamps enabled only",
    "3 - both options enabled",
};

// "ACK"
inline constexpr char kAckGroup[] = " Duplicate ACKs for Fast Retransmit ";
inline constexpr char kAckText[] =
    "This parameter determines the number of duplicate ACKs that must be received for the same sequence number of "
    "sent data before \"fast retransmit\" is triggered to resend the segment that has been dropped in transit. ";

// Vista and later: the modern stack's own tab, and what greyed classic values say.
inline constexpr char kModernTab[] = "Modern TCP";
inline constexpr char kModernGroup[] = " TCP Settings of this Windows ";
inline constexpr char kModernSetting[] = "Setting";
inline constexpr char kModernCurrent[] = "Current";
inline constexpr char kModernDefault[] = "Default: ";
inline constexpr char kModernNew[] = "New";
inline constexpr char kModernSetTo[] = "Set to:";
inline constexpr char kModernLeave[] = "(leave as it is)";
inline constexpr char kModernWindowsDefault[] = "Windows default";
inline constexpr char kModernRead[] = "As Windows holds them now. \"Apply\" sets the New values for new connections.";
inline constexpr char kModernUnreadable[] =
    "This Windows shows them only in its own language: Tarvex cannot read them. \"Apply\" sets the New values.";
inline constexpr char kModernUnreachable[] =
    "The TCP settings of this version of Windows cannot be read or changed here.";
inline constexpr char kModernReadOnly[] = "This edition of Windows does not let programs change this setting.";
inline constexpr char kNotUsedHere[] = "Not used by this version of Windows";

// The buttons under the tabs.
inline constexpr char kRefresh[] = "Refresh";
inline constexpr char kApply[] = "Apply";
inline constexpr char kUndoLastChange[] = "Undo last change";
inline constexpr char kHelp[] = "Help";

}  // namespace tarvex::advanced_texts
