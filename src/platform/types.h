#pragma once

#include <cstdint>
#include <string>

// Types that the platform interfaces exchange; no Windows types here.

enum class SysColor { ScrollBar = 0, Window = 5 };

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

enum class Timer { Timer1 = 1, Timer2 = 2, Timer3 = 3 };

// Message box styles and answers, numbered as the platform numbers them.
namespace mb {
inline constexpr int kOk = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kInformation = 64;
inline constexpr int kSystemModal = 4096;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
}  // namespace mb

// The first message number a program may give its own messages (WM_APP).
inline constexpr unsigned kAppMessage = 0x8000;

// Mouse messages as the platform numbers them; the tray icon reports its
// events with these.
namespace mouse {
inline constexpr int kLeftUp = 514;   // WM_LBUTTONUP
inline constexpr int kRightUp = 517;  // WM_RBUTTONUP
}  // namespace mouse

// Keys: characters as typed, and the virtual keys the window passes on.
namespace key {
inline constexpr int kEnter = 13;
inline constexpr int kVkTab = 9;
inline constexpr int kVkReturn = 13;
}  // namespace key

// Shutdown request flags, as the platform numbers them.
namespace shutdown {
inline constexpr unsigned kShutdown = 1;
inline constexpr unsigned kForce = 4;
inline constexpr unsigned kPowerOff = 8;
}  // namespace shutdown

// The notification-icon record, field for field; its size, the window handle
// and the icon handle are added by the Windows layer.
struct TrayRecord {
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    bool hasIcon = false;
    std::wstring szTip;
    std::uint32_t dwState = 0;
    std::uint32_t dwStateMask = 0;
    std::wstring szInfo;
    std::uint32_t uTimeout = 0;
    std::wstring szInfoTitle;
    std::uint32_t dwInfoFlags = 0;
    bool operator==(const TrayRecord&) const = default;
};

// The record's flags and the shell's actions, as the platform numbers them.
namespace nif {
inline constexpr std::uint32_t kMessage = 1;
inline constexpr std::uint32_t kIcon = 2;
inline constexpr std::uint32_t kTip = 4;
inline constexpr std::uint32_t kInfo = 16;
inline constexpr std::uint32_t kInfoIcon = 1;  // dwInfoFlags: the information icon
}  // namespace nif

namespace tray_action {
inline constexpr int kAdd = 0;
inline constexpr int kModify = 1;
inline constexpr int kDelete = 2;
}  // namespace tray_action
