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

namespace tray_action {
inline constexpr int kAdd = 0;
inline constexpr int kModify = 1;
inline constexpr int kDelete = 2;
}  // namespace tray_action
