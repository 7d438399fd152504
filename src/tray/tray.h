#pragma once

#include <cstddef>
#include <string>

namespace tray {
inline constexpr const wchar_t* kTip = L"晴窗画匣 V1.82";
inline constexpr const wchar_t* kTitle = L"温馨提示";
inline constexpr const wchar_t* kFirstGreeting =
    L"呵呵，我是晴窗画匣，你用鼠标左键点击我为你报时,右键则可查看更多功能! ";
inline constexpr const wchar_t* kAgainGreeting = L"呵呵，我又躲到这里了，祝你开心! ";

// The icon's events come as this private message; the event is the low word
// of lParam.
inline constexpr unsigned kCallbackMessage = 0x8000 + 1;  // WM_APP + 1
inline constexpr unsigned kFlags = 23;                    // message, icon, tip, info
inline constexpr unsigned kFlagInfo = 16;
inline constexpr int kLeftButtonUp = 514;
inline constexpr int kRightButtonUp = 517;

// Field sizes of the record, in UTF-16 units with the terminating NUL.
inline constexpr std::size_t kTipChars = 128;
inline constexpr std::size_t kInfoChars = 256;
inline constexpr std::size_t kTitleChars = 64;

// Cuts a text to fit a field of `capacity` units with its NUL, never between
// the two halves of a surrogate pair.
std::wstring FitField(const std::wstring& text, std::size_t capacity);

const wchar_t* Greeting(int listCount);

// How many times a refused first add is tried again, once a second.
inline constexpr int kAddRetries = 60;
}  // namespace tray
