#include "app/panel.h"

#include "app/control_ids.h"
#include "app/frmmain.h"
#include "app/layout.h"

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

void Frmmain::Check1_Click(int) {
    const bool reminder = ui_.GetValue(Check1(2)) == 1;
    ui_.SetEnabled(Text1(1), reminder);
    ui_.SetEnabled(Text1(2), reminder);
    const bool shutdown = ui_.GetValue(Check1(4)) == 1;
    ui_.SetEnabled(Text1(4), shutdown);
    ui_.SetEnabled(Text1(5), shutdown);
}

void Frmmain::Check1_UserClick(int index) {
    if (index < 0 || index > 4) return;
    // A click checks a clear or greyed box and clears a checked one.
    SetCheck(index, ui_.GetValue(Check1(index)) == 1 ? 0 : 1);
}

int Frmmain::Check1_KeyPress(int, int key) {
    if (key == 13) ui_.PostTab();
    return key;
}

int Frmmain::Text1_KeyPress(int index, int key) {
    if (key == 13) ui_.PostTab();
    if (index != 3 && (key < '0' || key > '9')) return 0;
    return key;
}

void Frmmain::Text1_GotFocus(int index) {
    if (index == 3 && ui_.GetText(Text1(3)) == L"在此输入提醒内容") ui_.SetText(Text1(3), L"");
    ui_.SetBackColor(Text1(index), SysColor::Window);
}

void Frmmain::Text1_LostFocus(int index) {
    ui_.SetBackColor(Text1(index), SysColor::ScrollBar);
    if (index != 1 && index != 2 && index != 4 && index != 5) return;
    const int limit = (index == 1 || index == 4) ? 24 : 60;
    if (!panel::TimeBoxRejected(ui_.GetText(Text1(index)), limit)) return;
    ui_.MsgBox(L"   请输入标准的时间格式!    ", mb::kOk + mb::kInformation, L"提示");
    ui_.SetText(Text1(index), L"");
    ui_.SetFocus(Text1(index));
}

void Frmmain::TabKey(bool backwards) {
    auto canFocus = [](int id, void* self) { return static_cast<Frmmain*>(self)->ui_.IsEnabled(id); };
    const int next = panel::NextInTabOrder(TabOrder(), ui_.GetFocus(), backwards, canFocus, this);
    if (next != 0) ui_.SetFocus(next);
}
