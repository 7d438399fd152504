#include "tray/tray.h"

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

}  // namespace tray

void Tray::ShowTrayTip(const std::wstring& text, const std::wstring& action) {
    TrayRecord& r = form_.TrayData;
    r = TrayRecord{};
    r.uID = tray::kIconId;
    r.uFlags = tray::kFlags;
    r.uCallbackMessage = tray::kCallbackMessage;
    r.hasIcon = true;
    r.dwState = 0;
    r.dwStateMask = 0;
    r.szTip = Tip();
    r.szInfo = tray::FitField(text, tray::kInfoChars);
    r.szInfoTitle = tray::FitField(tray::kTitle, tray::kTitleChars);
    r.dwInfoFlags = nif::kInfoIcon;
    if (action == L"0") {
        wanted_ = true;
        retries_ = Add(r) ? 0 : tray::kAddRetries;
    } else if (action == L"1") {
        ui_.NotifyIcon(tray_action::kModify, r);
    }
}

void Tray::Remove() {
    wanted_ = false;
    retries_ = 0;
    ui_.NotifyIcon(tray_action::kDelete, form_.TrayData);
}

void Tray::Form_Resize() {
    if (ui_.GetWindowState() != WindowState::Minimized) return;
    ui_.Hide();
    ShowTrayTip(form_.Listurl.Count() > 0 ? tray::kAgainGreeting : tray::kFirstGreeting, L"0");
}

void Tray::Form_MouseMove(int event) {
    if (event == mouse::kLeftUp) {
        const LocalTime now = sys_.Now();
        if (MinuteSerial(now) - MinuteSerial(form_.LastSpeak) > 1) {
            form_.LastSpeak = now;
            sound_.SpeakTime(now);
        }
    } else if (event == mouse::kRightUp) {
        ui_.PopupMenu();
    }
}

void Tray::TaskbarCreated() {
    if (!wanted_) return;
    // Add it back without replaying the last balloon.
    TrayRecord quiet = form_.TrayData;
    quiet.uFlags &= ~nif::kInfo;
    quiet.szInfo.clear();
    quiet.szInfoTitle.clear();
    quiet.dwInfoFlags = 0;
    if (Add(quiet)) retries_ = 0;
}

std::wstring Tray::Tip() const {
    return tray::FitField(progress_.empty() ? std::wstring(tray::kTip) : tray::kTip + (L"\n" + progress_),
                          tray::kTipChars);
}

void Tray::SetProgress(const std::wstring& line) {
    if (line == progress_) return;
    progress_ = line;
    if (!wanted_) return;
    form_.TrayData.szTip = Tip();
    // The tip alone: no balloon comes again.
    TrayRecord tip = form_.TrayData;
    tip.uFlags = nif::kTip;
    ui_.NotifyIcon(tray_action::kModify, tip);
}

void Tray::RetryAdd() {
    if (!wanted_ || retries_ <= 0) return;
    --retries_;
    if (Add(form_.TrayData)) retries_ = 0;
}
