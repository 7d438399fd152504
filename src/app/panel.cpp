#include "app/panel.h"

#include "app/control_ids.h"
#include "app/layout.h"
#include "app/settings.h"

namespace {
constexpr int Check1(int i) { return ID_CHECK1_0 + i; }
constexpr int Text1(int i) { return ID_TEXT1_0 + i; }
constexpr const wchar_t* kPlaceholder = L"在此输入提醒内容";
}  // namespace

namespace panel {

long long LeadingNumber(const std::wstring& text) {
    long long v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') break;
        v = v * 10 + (c - L'0');
        if (v > 1000000000LL) break;  // far past every limit; stop before overflow
    }
    return v;
}

bool TimeBoxRejected(const std::wstring& text, int limit) {
    return LeadingNumber(text) > limit && text.size() != 2;
}

int NextInTabOrder(std::span<const int> order, int current, bool backwards, bool (*canFocus)(int, void*),
                   void* context) {
    const int n = static_cast<int>(order.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (order[i] == current) at = i;
    for (int step = 1; step <= n; ++step) {
        int i;
        if (at < 0)
            i = backwards ? n - step : step - 1;
        else
            i = ((at + (backwards ? -step : step)) % n + n) % n;
        if (canFocus(order[i], context)) return order[i];
    }
    return current;
}

}  // namespace panel

void SettingsPanel::Load() {
    using namespace settings;
    // Each value in its own step: one bad value touches only its own control.
    for (int i = 0; i < box::kChecks; ++i) {
        try {
            const auto text =
                sys_.GetSetting(kApp, kSection, kCheckKeys[i].name).value_or(kCheckKeys[i].fallback);
            if (const auto state = ToCheckState(text)) SetCheck(i, *state);
        } catch (...) {
        }
    }
    for (int i = 0; i < box::kTexts; ++i) {
        try {
            ui_.SetText(Text1(i),
                        sys_.GetSetting(kApp, kSection, kTextKeys[i].name).value_or(kTextKeys[i].fallback));
        } catch (...) {
        }
    }
}

int SettingsPanel::Check(int index) const { return ui_.GetValue(Check1(index)); }

std::wstring SettingsPanel::Text(int index) const { return ui_.GetText(Text1(index)); }

void SettingsPanel::SetCheck(int index, int value) {
    if (ui_.GetValue(Check1(index)) == value) return;
    ui_.SetValue(Check1(index), value);
    Check1_Click(index);
}

void SettingsPanel::Check1_Click(int) {
    ui_.SetEnabled(Text1(box::kReminderHour), ReminderOn());
    ui_.SetEnabled(Text1(box::kReminderMinute), ReminderOn());
    ui_.SetEnabled(Text1(box::kShutdownHour), ShutdownOn());
    ui_.SetEnabled(Text1(box::kShutdownMinute), ShutdownOn());
}

void SettingsPanel::Check1_UserClick(int index) {
    if (index < 0 || index >= box::kChecks) return;
    // A click checks a clear or greyed box and clears a checked one.
    SetCheck(index, ui_.GetValue(Check1(index)) == 1 ? 0 : 1);
}

int SettingsPanel::Check1_KeyPress(int, int ch) {
    if (ch == key::kEnter) ui_.PostTab();
    return ch;
}

int SettingsPanel::Text1_KeyPress(int index, int ch) {
    if (ch == key::kEnter) ui_.PostTab();
    if (index != box::kReminderText && (ch < '0' || ch > '9')) return 0;
    return ch;
}

void SettingsPanel::Text1_GotFocus(int index) {
    if (index == box::kReminderText && ReminderTarget() == kPlaceholder) ui_.SetText(Text1(index), L"");
    ui_.SetBackColor(Text1(index), kFocusedColor);
}

void SettingsPanel::Text1_LostFocus(int index) {
    ui_.SetBackColor(Text1(index), kUnfocusedColor);
    using namespace box;
    const bool hour = index == kReminderHour || index == kShutdownHour;
    const bool minute = index == kReminderMinute || index == kShutdownMinute;
    if (!hour && !minute) return;
    const int limit = hour ? 24 : 60;
    if (!panel::TimeBoxRejected(ui_.GetText(Text1(index)), limit)) return;
    ui_.MsgBox(L"   请输入标准的时间格式!    ", mb::kOk + mb::kInformation, L"提示");
    ui_.SetText(Text1(index), L"");
    ui_.SetFocus(Text1(index));
}

bool SettingsPanel::Cmdok_Click(int index) {
    using namespace settings;
    if (index == 0) {
        const std::wstring prompt =
            L"   你要让设定在以后每次打开本软件时都有效吗？如果是就    \r\n"
            L"请按'确定'，如果只想让设定本次有效，请按'取消'。    ";
        if (ui_.MsgBox(prompt, mb::kOkCancel + mb::kInformation, L"提示") == mb::kAnswerOk) {
            // A failed write loses only that value; the others are still written.
            for (int i = 0; i < box::kChecks; ++i)
                sys_.SaveSetting(kApp, kSection, kCheckKeys[i].name,
                                 std::to_wstring(ui_.GetValue(Check1(i))));
            for (int i = 0; i < box::kTexts; ++i)
                sys_.SaveSetting(kApp, kSection, kTextKeys[i].name, ui_.GetText(Text1(i)));
        }
    } else if (index == 1) {
        for (int i = 0; i < box::kChecks; ++i)
            if (const auto state = ToCheckState(tags_[i])) SetCheck(i, *state);
    } else {
        return false;
    }
    if (ReminderHour().empty() || ReminderMinute().empty() || ReminderTarget().empty()) SwitchReminderOff();
    if (ShutdownHour().empty() || ShutdownMinute().empty()) SetCheck(box::kShutdown, 0);
    return true;
}

void SettingsPanel::RememberChecks() {
    for (int i = 0; i < box::kChecks; ++i) tags_[i] = std::to_wstring(ui_.GetValue(Check1(i)));
}

void SettingsPanel::TabKey(bool backwards) {
    auto canFocus = [](int id, void* self) { return static_cast<SettingsPanel*>(self)->ui_.IsEnabled(id); };
    const int next = panel::NextInTabOrder(TabOrder(), ui_.GetFocus(), backwards, canFocus, this);
    if (next != 0) ui_.SetFocus(next);
}
