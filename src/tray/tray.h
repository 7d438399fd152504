#pragma once

#include <cstddef>
#include <string>

#include "app/form_state.h"
#include "app/notices.h"
#include "platform/system.h"
#include "platform/window.h"
#include "sound/sound.h"

namespace tray {
inline constexpr const wchar_t* kTip = L"晴窗画匣 V1.82";
inline constexpr const wchar_t* kTitle = L"温馨提示";
inline constexpr const wchar_t* kFirstGreeting =
    L"呵呵，我是晴窗画匣，你用鼠标左键点击我为你报时,右键则可查看更多功能! ";
inline constexpr const wchar_t* kAgainGreeting = L"呵呵，我又躲到这里了，祝你开心! ";

// The icon's events come as this private message (WM_APP + 1), the event in
// the low word of lParam: a message of the window's own would be taken for
// real mouse moves over the open window.
inline constexpr unsigned kCallbackMessage = kAppMessage + 1;
inline constexpr unsigned kFlags = nif::kMessage | nif::kIcon | nif::kTip | nif::kInfo;
inline constexpr unsigned kIconId = 1;  // the program's only icon

// Field sizes of the record, in UTF-16 units with the terminating NUL.
inline constexpr std::size_t kTipChars = 128;
inline constexpr std::size_t kInfoChars = 256;
inline constexpr std::size_t kTitleChars = 64;

// Cuts a text to fit a field of `capacity` units with its NUL, never between
// the two halves of a surrogate pair.
std::wstring FitField(const std::wstring& text, std::size_t capacity);

// How many times a refused first add is tried again, once a second.
inline constexpr int kAddRetries = 60;
}  // namespace tray

// The notification-area icon: its record, whether the user should see it and
// whether the shell has it, its balloons and its mouse events.
class Tray : public Notices {
public:
    Tray(Window& ui, System& sys, Sound& sound, FormState& form)
        : ui_(ui), sys_(sys), sound_(sound), form_(form) {}

    // Other actions than "0" and "1" do nothing.
    void ShowTrayTip(const std::wstring& text, const std::wstring& action) override;
    // Takes the icon away, with the record as last filled.
    void Remove();
    // Minimised: the window hides and the icon comes with its greeting.
    void Form_Resize();
    void Form_MouseMove(int event);
    // A new notification area (Explorer restarted) has none of our icons.
    void TaskbarCreated();
    // Once a second: tries again an add that the shell refused.
    void RetryAdd();
    void SetProgress(const std::wstring& line) override;

private:
    bool Add(const TrayRecord& record) { return ui_.NotifyIcon(tray_action::kAdd, record); }

    std::wstring Tip() const;

    Window& ui_;
    System& sys_;
    Sound& sound_;
    FormState& form_;

    std::wstring progress_;
    bool wanted_ = false;  // the icon should be in the notification area
    int retries_ = 0;      // adds still to try while the shell is not up
};
