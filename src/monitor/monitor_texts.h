#pragma once
// The connection monitor's texts, as the Connection State page and the side panel show them.
namespace tarvex::monitor_texts {

inline constexpr char kAdapterGroup[] = " Adapter ";
inline constexpr char kSelectAdapter[] = "Please select the network adapter to monitor:";
inline constexpr char kStatisticsGroup[] = " Network Transfer Statistics ";
inline constexpr char kCurrentIncoming[] = "Current incoming rate:";
inline constexpr char kCurrentOutgoing[] = "Current outgoing rate:";
inline constexpr char kTotalThroughput[] = "Total throughput rate:";
inline constexpr char kAverageIncoming[] = "Average incoming rate:";
inline constexpr char kAverageOutgoing[] = "Average outgoing rate:";
inline constexpr char kIncomingData[] = "Incoming Data";
inline constexpr char kOutgoingData[] = "Outgoing Data";

// HTML label captions; the handlers act on the link id "#1" only.
inline constexpr char kStopCounters[] = "<A href=\"#1\">Stop Counters</A>";
inline constexpr char kStartCounters[] = "<A href=\"#1\">Start Counters</A>";
inline constexpr char kResetCounters[] = "<A href=\"#1\">Reset Counters</A>";
inline constexpr char kChangeAdapter[] = "<A href=\"#1\">Change</A>";
inline constexpr char kLinkId[] = "#1";

// Figures before the first tick, and for a tick in which nothing moved.
inline constexpr char kNoFigure[] = "---";
inline constexpr char kZeroKb[] = "0.0 Kb";
inline constexpr char kNoAdapterSelected[] = "No Adapter Selected";

}  // namespace tarvex::monitor_texts
