#include "app/settings_store.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "app/password_scramble.h"

namespace tarvex {
namespace {

constexpr char kLoadAtWinStart[] = "LoadAtWinStart";
constexpr char kStartInTray[] = "StartInTray";
constexpr char kMinimizeToTray[] = "MinimizeToTray";
constexpr char kSelectedAdapter[] = "SelectedAdapter";
constexpr char kProxyServer[] = "ProxyServer";
constexpr char kProxyUserName[] = "ProxyUserName";
constexpr char kProxyPassword[] = "ProxyPassword";
constexpr char kCheckForUpdates[] = "CheckForUpdates";
constexpr char kCheckForUpdatesInterval[] = "CheckForUpdatesInterval";
constexpr char kCheckForUpdatesDate[] = "CheckForUpdatesDate";

// The values of "Window Position" in the order they load, and the bounds each one holds.
struct PositionValue {
    const char* Edge;
    int WindowBounds::*Member;
};
constexpr std::array<PositionValue, 4> kPositionValues = {{
    {"_Left", &WindowBounds::Left},
    {"_Top", &WindowBounds::Top},
    {"_Width", &WindowBounds::Width},
    {"_Height", &WindowBounds::Height},
}};

// The values of the groups where a failing read stops the load, in the order they load.
constexpr std::array<const char*, 9> kStoppingValues = {
    kLoadAtWinStart, kStartInTray,   kMinimizeToTray,  kSelectedAdapter,         kProxyServer,
    kProxyUserName,  kProxyPassword, kCheckForUpdates, kCheckForUpdatesInterval,
};

std::string PositionName(const char* edge) {
    return std::string(kMainFormName) + edge;
}

// The index a list of `count` entries shows when asked to select `index`.
int ListIndex(int index, int count) {
    return index >= 0 && index < count ? index : -1;
}

// The password as this version stores it, its scrambled bytes in a REG_BINARY, which keeps a
// byte that scrambles to 0; or as earlier versions stored it, those bytes read as ANSI text
// into a REG_SZ, cut at such a byte. A missing value is the empty password.
std::string ReadPassword(RegistryAccess& registry, AnsiCodePage& codePage) {
    const std::optional<std::uint32_t> type = registry.ValueType(kProxyPassword);
    if (!type) return {};
    const std::string scrambled = *type == kRegBinary ? registry.ReadBinary(kProxyPassword)
                                                      : codePage.FromUtf8(registry.ReadText(kProxyPassword));
    return codePage.ToUtf8(UnscramblePassword(scrambled));
}

// The stored time of the last scheduled check, or nothing when it does not read as one. A
// value that is no number would make every interval's comparison false, for good.
std::optional<double> ReadLastUpdateCheck(RegistryAccess& registry) {
    try {
        const double when = registry.ReadDateTime(kCheckForUpdatesDate);
        if (std::isfinite(when)) return when;
    } catch (const Error&) {
    }
    return std::nullopt;
}

std::int64_t Gap(int start, int length, int otherStart, int otherLength) {
    const std::int64_t end = std::int64_t{start} + length;
    const std::int64_t otherEnd = std::int64_t{otherStart} + otherLength;
    return std::max<std::int64_t>({0, otherStart - end, start - otherEnd});
}

std::int64_t Overlap(int start, int length, int otherStart, int otherLength) {
    const std::int64_t from = std::max(start, otherStart);
    const std::int64_t to = std::min(std::int64_t{start} + length, std::int64_t{otherStart} + otherLength);
    return to - from;
}

// The start of a span of `length` moved into [areaStart, areaStart + areaLength) as far as it fits.
int MoveInto(int start, int length, int areaStart, int areaLength) {
    if (length >= areaLength) return areaStart;
    return static_cast<int>(std::clamp<std::int64_t>(start, areaStart, std::int64_t{areaStart} + areaLength - length));
}

}  // namespace

WindowBounds CentreOnScreen(WindowBounds window, int screenWidth, int screenHeight) {
    window.Left = std::max(0, (screenWidth - window.Width) / 2);
    window.Top = std::max(0, (screenHeight - window.Height) / 2);
    return window;
}

WindowBounds BringOntoWorkArea(WindowBounds window, const std::vector<WindowBounds>& workAreas) {
    // A negative size from the registry counts as none here; the window itself keeps to its
    // smallest size.
    const int width = std::max(window.Width, 0);
    const int height = std::max(window.Height, 0);
    const WindowBounds* nearest = nullptr;
    double nearestDistance = std::numeric_limits<double>::infinity();  // squared; far beyond 64 bits
    for (const WindowBounds& area : workAreas) {
        if (Overlap(window.Left, width, area.Left, area.Width) >= std::min(width, kMinVisiblePixels) &&
            Overlap(window.Top, height, area.Top, area.Height) >= std::min(height, kMinVisiblePixels))
            return window;
        const auto dx = static_cast<double>(Gap(window.Left, width, area.Left, area.Width));
        const auto dy = static_cast<double>(Gap(window.Top, height, area.Top, area.Height));
        if (dx * dx + dy * dy < nearestDistance) {
            nearestDistance = dx * dx + dy * dy;
            nearest = &area;
        }
    }
    if (!nearest) return window;
    window.Left = MoveInto(window.Left, width, nearest->Left, nearest->Width);
    window.Top = MoveInto(window.Top, height, nearest->Top, nearest->Height);
    return window;
}

LoadedSettings LoadSettings(RegistryAccess& registry, AnsiCodePage& codePage, const SettingsLoadContext& context) {
    LoadedSettings loaded;
    ProgramSettings& settings = loaded.Settings;
    settings.Window = context.LayoutBounds;
    settings.SelectedAdapter = ListIndex(settings.SelectedAdapter, context.AdapterCount);
    settings.LastUpdateCheck = context.Now;
    registry.SetRootKey(RegistryRoot::CurrentUser);

    if (registry.OpenKey(kWindowPositionKey, false)) {
        // Each value takes effect as it is read; the first that fails ends the position alone.
        std::size_t next = 0;
        try {
            for (; next < kPositionValues.size(); ++next) {
                const PositionValue& value = kPositionValues[next];
                settings.Window.*value.Member = registry.ReadInteger(PositionName(value.Edge));
            }
        } catch (const Error&) {
            for (; next < kPositionValues.size(); ++next)
                loaded.Unread.push_back(PositionName(kPositionValues[next].Edge));
        }
    } else {
        settings.Window = CentreOnScreen(settings.Window, context.ScreenWidth, context.ScreenHeight);
    }
    // The window grows to its minimum size when it is placed; that size is the one to fit.
    settings.Window.Width = std::max(settings.Window.Width, context.MinimumWidth);
    settings.Window.Height = std::max(settings.Window.Height, context.MinimumHeight);
    settings.Window = BringOntoWorkArea(settings.Window, context.WorkAreas);

    const char* reading = kStoppingValues.front();  // the value whose read may fail next
    const auto read = [&reading](const char* name) { return reading = name; };
    try {
        ProgramOptions& options = settings.Options;
        if (registry.OpenKey(kGeneralKey, false)) {
            options.LoadAtWinStart = registry.ReadFlag(read(kLoadAtWinStart));
            options.StartInTray = registry.ReadFlag(read(kStartInTray));
            // Checking "Start Tarvex in System Tray" checks "Minimize to System Tray" too, until
            // its own value is read.
            if (options.StartInTray) options.MinimizeToTray = true;
            options.MinimizeToTray = registry.ReadFlag(read(kMinimizeToTray));
            loaded.StartMinimized = options.StartInTray;
        }
        if (registry.OpenKey(kAdaptersKey, false))
            settings.SelectedAdapter = ListIndex(registry.ReadInteger(read(kSelectedAdapter)), context.AdapterCount);
        if (registry.OpenKey(kUpdateKey, false)) {
            settings.ProxyServer = registry.ReadText(read(kProxyServer));
            settings.ProxyUserName = registry.ReadText(read(kProxyUserName));
            read(kProxyPassword);
            settings.ProxyPassword = ReadPassword(registry, codePage);
            options.CheckForUpdates = registry.ReadFlag(read(kCheckForUpdates));
            options.UpdateInterval = ListIndex(registry.ReadInteger(read(kCheckForUpdatesInterval)),
                                               static_cast<int>(kUpdateIntervalTexts.size()));
            if (options.CheckForUpdates) {
                loaded.LastUpdateCheckMissing = !registry.ValueExists(kCheckForUpdatesDate);
                settings.LastUpdateCheck = ReadLastUpdateCheck(registry).value_or(context.Now);
                loaded.ScheduledCheckPending = true;
            }
        }
    } catch (const Error& error) {
        loaded.Failure = error;
        const auto failed = std::find(kStoppingValues.begin(), kStoppingValues.end(), reading);
        loaded.Unread.insert(loaded.Unread.end(), failed, kStoppingValues.end());
    }
    registry.CloseKey();
    return loaded;
}

void FinishScheduledCheck(RegistryAccess& registry, const LoadedSettings& loaded, bool checkRan, double lastCheck) {
    if (!loaded.ScheduledCheckPending || !(checkRan || loaded.LastUpdateCheckMissing)) return;
    registry.SetRootKey(RegistryRoot::CurrentUser);
    registry.OpenKey(kUpdateKey, true);  // one that does not open fails the write with its error
    registry.WriteDateTime(kCheckForUpdatesDate, lastCheck);
    registry.CloseKey();
}

void SaveSettings(RegistryAccess& registry, AnsiCodePage& codePage, const ProgramSettings& settings,
                  const LoadedSettings& loaded, const std::function<void(bool loadAtWinStart)>& updateAutostart) {
    // A value the load read is written; one it did not read only once it differs from what the
    // load gave in its place, so that a value the load stopped at, and those after it, stay.
    const auto writes = [&loaded](std::string_view name, bool unchanged) {
        return !unchanged || std::find(loaded.Unread.begin(), loaded.Unread.end(), name) == loaded.Unread.end();
    };
    const ProgramSettings& before = loaded.Settings;
    registry.SetRootKey(RegistryRoot::CurrentUser);
    if (registry.OpenKey(kWindowPositionKey, true) && !settings.WindowMaximized) {
        for (const PositionValue& value : kPositionValues) {
            const std::string name = PositionName(value.Edge);
            const int edge = settings.Window.*value.Member;
            if (writes(name, edge == before.Window.*value.Member)) registry.WriteInteger(name, edge);
        }
    }
    const ProgramOptions& options = settings.Options;
    if (registry.OpenKey(kGeneralKey, true)) {
        // The autostart entry follows the stored value: neither changes unless the value does.
        if (writes(kLoadAtWinStart, options.LoadAtWinStart == before.Options.LoadAtWinStart)) {
            registry.WriteFlag(kLoadAtWinStart, options.LoadAtWinStart);
            if (updateAutostart) {
                updateAutostart(options.LoadAtWinStart);
                // Should it have used this object after all, the next writes still go to this key;
                // one that no longer opens fails them with their error.
                registry.SetRootKey(RegistryRoot::CurrentUser);
                registry.OpenKey(kGeneralKey, true);
            }
        }
        if (writes(kStartInTray, options.StartInTray == before.Options.StartInTray))
            registry.WriteFlag(kStartInTray, options.StartInTray);
        if (writes(kMinimizeToTray, options.MinimizeToTray == before.Options.MinimizeToTray))
            registry.WriteFlag(kMinimizeToTray, options.MinimizeToTray);
    }
    if (registry.OpenKey(kAdaptersKey, true) &&
        writes(kSelectedAdapter, settings.SelectedAdapter == before.SelectedAdapter))
        registry.WriteInteger(kSelectedAdapter, settings.SelectedAdapter);
    if (registry.OpenKey(kUpdateKey, true)) {
        if (writes(kProxyServer, settings.ProxyServer == before.ProxyServer))
            registry.WriteText(kProxyServer, settings.ProxyServer);
        if (writes(kProxyUserName, settings.ProxyUserName == before.ProxyUserName))
            registry.WriteText(kProxyUserName, settings.ProxyUserName);
        if (writes(kProxyPassword, settings.ProxyPassword == before.ProxyPassword))
            registry.WriteBinary(kProxyPassword, ScramblePassword(codePage.FromUtf8(settings.ProxyPassword)));
        if (writes(kCheckForUpdates, options.CheckForUpdates == before.Options.CheckForUpdates))
            registry.WriteFlag(kCheckForUpdates, options.CheckForUpdates);
        if (writes(kCheckForUpdatesInterval, options.UpdateInterval == before.Options.UpdateInterval))
            registry.WriteInteger(kCheckForUpdatesInterval, options.UpdateInterval);
    }
    registry.CloseKey();
}

}  // namespace tarvex
