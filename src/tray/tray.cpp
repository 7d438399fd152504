#include "tray/tray.h"

#include "app/control_ids.h"
#include "app/frmmain.h"
#include "sound/play_wav.h"

namespace tray {

std::wstring FitField(const std::wstring& text, std::size_t capacity) {
    if (capacity == 0) return {};
    // An embedded NUL would end the text early anyway.
    std::wstring s = text.substr(0, text.find(L'\0'));
    if (s.size() < capacity) return s;
    std::size_t n = capacity - 1;
    if (n > 0 && s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF) --n;  // keep a pair whole
    return s.substr(0, n);
}

const wchar_t* Greeting(int listCount) { return listCount > 0 ? kAgainGreeting : kFirstGreeting; }

}  // namespace tray

void Frmmain::ShowTrayTip(const std::wstring& text, const std::wstring& action) {
    TrayData = TrayRecord{};
    TrayData.uID = 1;
    TrayData.uFlags = tray::kFlags;
    TrayData.uCallbackMessage = tray::kCallbackMessage;
    TrayData.hasIcon = true;
    TrayData.dwState = 0;
    TrayData.dwStateMask = 0;
    TrayData.szTip = tray::FitField(tray::kTip, tray::kTipChars);
    TrayData.szInfo = tray::FitField(text, tray::kInfoChars);
    TrayData.szInfoTitle = tray::FitField(tray::kTitle, tray::kTitleChars);
    TrayData.dwInfoFlags = 1;
    const int act = action == L"0" ? tray_action::kAdd : action == L"1" ? tray_action::kModify : -1;
    if (act == tray_action::kAdd) {
        trayWanted_ = true;
        trayRetries_ = AddTrayIcon(TrayData) ? 0 : tray::kAddRetries;
    } else if (act == tray_action::kModify) {
        ui_.NotifyIcon(act, TrayData);
    }
}

bool Frmmain::AddTrayIcon(const TrayRecord& record) { return ui_.NotifyIcon(tray_action::kAdd, record); }

void Frmmain::TaskbarCreated() {
    if (!trayWanted_) return;
    // The new shell has no icon of ours; add it back without replaying the
    // last balloon.
    TrayRecord quiet = TrayData;
    quiet.uFlags &= ~tray::kFlagInfo;
    quiet.szInfo.clear();
    quiet.szInfoTitle.clear();
    quiet.dwInfoFlags = 0;
    if (AddTrayIcon(quiet)) trayRetries_ = 0;
}

void Frmmain::Form_Resize() {
    if (ui_.GetWindowState() != WindowState::Minimized) return;
    ui_.Hide();
    ShowTrayTip(tray::Greeting(ui_.ListCount(ID_LISTURL)), L"0");
}

void Frmmain::Form_MouseMove(int event) {
    if (event == tray::kLeftButtonUp) {
        const LocalTime now = sys_.Now();
        if (MinuteSerial(now) - MinuteSerial(LastSpeak) > 1) {
            LastSpeak = now;
            SpeakTime(sys_, now);
        }
    } else if (event == tray::kRightButtonUp) {
        ui_.SetForeground();
        ui_.PopupMenu();
    }
}
