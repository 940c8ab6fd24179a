#include "app/tray_icon_mouse.h"

namespace tarvex {
namespace {

using Kind = TrayMouseStep::Kind;

TrayMouseStep Down(TrayMouseButton button) {
    return {Kind::MouseDown, button};
}
TrayMouseStep Up(TrayMouseButton button) {
    return {Kind::MouseUp, button};
}

}  // namespace

std::vector<TrayMouseStep> TrayClickTracker::Message(TrayMouseMessage message, const TrayMouseSettings& settings) {
    if (!settings.Enabled) return {};
    std::vector<TrayMouseStep> steps;
    switch (message) {
        case TrayMouseMessage::RightDown:
            steps.push_back(Down(TrayMouseButton::Right));
            if (settings.HasMenu) steps.push_back({Kind::PopupMenu});
            break;
        case TrayMouseMessage::RightUp:
            steps.push_back(Up(TrayMouseButton::Right));
            break;
        case TrayMouseMessage::MiddleDown:
            steps.push_back(Down(TrayMouseButton::Middle));
            break;
        case TrayMouseMessage::MiddleUp:
            steps.push_back(Up(TrayMouseButton::Middle));
            break;
        case TrayMouseMessage::LeftDown:
            // Only a double-click handler makes a click wait for a possible second one.
            if (settings.HasDblClickHandler) {
                steps.push_back({Kind::StartClickTimer});
                timerRunning_ = true;
            }
            clickStarted_ = true;
            clickReady_ = false;
            steps.push_back(Down(TrayMouseButton::Left));
            if (settings.LeftPopup && settings.HasMenu) steps.push_back({Kind::PopupMenu});
            break;
        case TrayMouseMessage::LeftUp:
            steps.push_back(Up(TrayMouseButton::Left));
            if (!clickStarted_) break;  // the second release of a double click
            if (timerRunning_) {
                clickReady_ = true;
            } else {
                clickStarted_ = false;
                steps.push_back({Kind::Click});
            }
            break;
        case TrayMouseMessage::LeftDoubleClick:
            if (timerRunning_) {
                steps.push_back({Kind::StopClickTimer});
                timerRunning_ = false;
            }
            clickStarted_ = false;
            clickReady_ = false;
            steps.push_back({Kind::DblClick});
            if (settings.HasMenu && !settings.LeftPopup) steps.push_back({Kind::RunDefaultItem});
            break;
    }
    return steps;
}

std::vector<TrayMouseStep> TrayClickTracker::ClickTimerElapsed() {
    std::vector<TrayMouseStep> steps{{Kind::StopClickTimer}};
    timerRunning_ = false;
    // With the button still down, its release reports the click.
    if (clickReady_) {
        clickStarted_ = false;
        clickReady_ = false;
        steps.push_back({Kind::Click});
    }
    return steps;
}

}  // namespace tarvex
