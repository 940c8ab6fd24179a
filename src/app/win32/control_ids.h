#pragma once
// Stable ids of the main window's controls; buttons and menu items of the navigation use
// kCommandBase + NavItem (app/navigation.h).

namespace tarvex::ids {

inline constexpr int kCoolBar1 = 100;
inline constexpr int kToolBarMenu = 101;
inline constexpr int kToolBarTop = 102;
inline constexpr int kAdvPanelGroup = 103;
inline constexpr int kPageControlMain = 104;
inline constexpr int kFirstPage = 110;  // + page index

inline constexpr int kMenuBarButtonBase = 3000;  // + index of the drop-down menu

inline constexpr int kQmHtmlLabel1 = 200;
inline constexpr int kQmHtmlLabel2 = 201;
inline constexpr int kLblAdapterName = 202;
inline constexpr int kLblChange = 203;
inline constexpr int kLblDownloading = 204;
inline constexpr int kLblSending = 205;
inline constexpr int kLblRateIn2 = 206;
inline constexpr int kLblRateOut2 = 207;

inline constexpr int kHTMLabel1 = 300;
inline constexpr int kRbScenarioFirst = 301;  // + ConnectionScenario, rbDialUpModem to rbRestore
inline constexpr int kBtnHelp = 310;
inline constexpr int kBtnAccelerate = 311;

inline constexpr int kPageControlAdvanced = 800;
inline constexpr int kBtnRefresh = 801;
inline constexpr int kBtnApply = 802;
inline constexpr int kBtnHelp2 = 803;
inline constexpr int kBtnUndoLastChange = 804;
inline constexpr int kHTMLabelAdvanced = 810;
inline constexpr int kGbGeneralSettings = 811;
inline constexpr int kRbEnableBlackHoleDetection = 812;
inline constexpr int kRbEnableAutoMTUDetection = 813;
inline constexpr int kChkSACK = 814;
inline constexpr int kGbMTU = 820;
inline constexpr int kListViewAdapters = 821;
inline constexpr int kRbMTUDefault = 822;
inline constexpr int kRbMTU = 823;
inline constexpr int kCbMTU = 824;
inline constexpr int kGbRWIN = 830;
inline constexpr int kRbRWINDefault = 831;
inline constexpr int kRbRWINCustom = 832;
inline constexpr int kTxtRWIN = 833;
inline constexpr int kUdRWIN = 834;
inline constexpr int kLblRWINValueLbl = 835;
inline constexpr int kLblRWINValue = 836;
inline constexpr int kGbTTL = 837;
inline constexpr int kRbTTLDefault = 838;
inline constexpr int kRbTTLCustom = 839;
inline constexpr int kTxtTTL = 840;
inline constexpr int kUdTTL = 841;
inline constexpr int kGbHTTP = 850;
inline constexpr int kChkHTTPConn = 851;
inline constexpr int kLblHTTP10Left = 852;
inline constexpr int kTbHTTP10 = 853;
inline constexpr int kLblHTTP10 = 854;
inline constexpr int kLblHTTP11Left = 855;
inline constexpr int kTbHTTP11 = 856;
inline constexpr int kLblHTTP11 = 857;
inline constexpr int kGbTCPLW = 860;
inline constexpr int kChkTCPLW = 861;
inline constexpr int kCbTCPLW = 862;
inline constexpr int kGbACK = 870;
inline constexpr int kRbACKDefault = 871;
inline constexpr int kRbACKCustom = 872;
inline constexpr int kTxtACK = 873;
inline constexpr int kUdACK = 874;
inline constexpr int kFirstAdvancedText = 880;  // + index of an explanatory text
// Vista and later: the "Modern TCP" tab, and the notes on classic values that Windows no longer reads.
inline constexpr int kGbModern = 960;
inline constexpr int kLblModernStatus = 961;
inline constexpr int kListViewModern = 962;
inline constexpr int kLblModernSetTo = 963;
inline constexpr int kCbModern = 964;
inline constexpr int kLblModernWhy = 965;
inline constexpr int kLblNotUsedRwin = 966;
inline constexpr int kLblNotUsedSack = 967;
inline constexpr int kLblNotUsedTcplw = 968;
inline constexpr int kLblNotUsedAck = 969;
inline constexpr int kBtnTestConnection = 970;   // the welcome page's
inline constexpr int kBtnTestConnection2 = 971;  // the RWIN/TTL tab's

inline constexpr int kGbAdapter = 900;
inline constexpr int kLblSelectAdapter = 901;
inline constexpr int kCbAdapter = 902;
inline constexpr int kGbStatistics = 903;
inline constexpr int kLblRateIn = 904;
inline constexpr int kLblRateOut = 905;
inline constexpr int kLblRateTotal = 906;
inline constexpr int kLblAverageIn = 907;
inline constexpr int kLblAverageOut = 908;
inline constexpr int kOverloadIndicatorIn = 909;
inline constexpr int kOverloadIndicatorOut = 910;
inline constexpr int kLblPeakIn = 911;
inline constexpr int kLblPeakOut = 912;
inline constexpr int kLblStopCounter = 913;
inline constexpr int kLblResetCounters = 914;
inline constexpr int kFirstMonitorCaption = 920;  // + index of a caption beside or above a figure

inline constexpr int kLblOptimizing = 700;
inline constexpr int kListViewProgress = 701;
inline constexpr int kProgressBarOptimize = 702;
inline constexpr int kTxtWorking = 703;
inline constexpr int kBtnOK = 704;

inline constexpr int kGbGeneral = 400;
inline constexpr int kChkLoadAtWinStart = 401;
inline constexpr int kChkStartInTray = 402;
inline constexpr int kChkMinimizeToTray = 403;
inline constexpr int kGbUpdates = 404;
inline constexpr int kChkCheckForUpdates = 405;
inline constexpr int kCbCheckForUpdates = 406;

inline constexpr int kLblAskQuestions = 500;
inline constexpr int kBtnAskQuestions = 501;
inline constexpr int kLblCheckUpdates = 502;
inline constexpr int kBtnCheckUpdates = 503;
inline constexpr int kLblUpdateProgress = 504;
inline constexpr int kGbProxyDetails = 505;
inline constexpr int kTxtProxyServer = 506;
inline constexpr int kTxtProxyUser = 507;
inline constexpr int kTxtProxyPwd = 508;
inline constexpr int kLblProxyNote = 509;

inline constexpr int kLblTitle = 600;
inline constexpr int kLblVersion = 601;
inline constexpr int kLblEmail = 602;  // AutoURLLabel2
inline constexpr int kLblURL = 603;
inline constexpr int kBevelAbout = 604;
inline constexpr int kMemoLegal = 605;

}  // namespace tarvex::ids
