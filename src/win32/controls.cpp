// The controls of the main window: made from the control table when the
// window is first shown, their state kept until then, and their accessors.

// windows.h comes first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <vector>

#include "app/layout.h"
#include "frmmain.h"
#include "win32/main_window.h"

namespace {

DWORD StyleOf(const ControlSpec& c) {
    DWORD s = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (c.disabled) s |= WS_DISABLED;
    switch (c.kind) {
    case ControlKind::Frame:
        return s | BS_GROUPBOX;
    case ControlKind::TextBox:
        return s | WS_BORDER | ES_AUTOHSCROLL | (c.centred ? ES_CENTER : ES_LEFT);
    case ControlKind::CheckBox:
        // Not an auto box: a click is turned into the next state by the program.
        return s | BS_3STATE;
    case ControlKind::Button:
        return s | BS_PUSHBUTTON;
    case ControlKind::Label:
        return s | SS_NOPREFIX | (c.centred ? SS_CENTER : SS_LEFT) | (c.link ? SS_NOTIFY : 0);
    }
    return s;
}

const wchar_t* ClassOf(ControlKind k) {
    switch (k) {
    case ControlKind::Frame:
    case ControlKind::CheckBox:
    case ControlKind::Button:
        return WC_BUTTONW;
    case ControlKind::TextBox:
        return WC_EDITW;
    default:
        return WC_STATICW;
    }
}

// Creation order is the drawing order: boxes over the captions they sit on,
// frames under everything.
int Layer(ControlKind k) {
    switch (k) {
    case ControlKind::TextBox:
        return 0;
    case ControlKind::Frame:
        return 2;
    default:
        return 1;
    }
}

constexpr int kLayers = 3;

// The widest tooltip line at the default DPI, in pixels.
constexpr int kTipWidth = 360;

// WM_CHAR brings UTF-16 units; anything larger is not a character.
constexpr WPARAM kLastCharUnit = 0xFFFF;

// A Tab keystroke's lParam: pressed once, with the Tab key's scan code.
constexpr LPARAM kTabKeyData = MAKELPARAM(1, 0x0F);

// Controls whose keys or mouse moves the logic wants to see.
bool Subclassed(const ControlSpec& c) {
    return c.kind == ControlKind::TextBox || c.kind == ControlKind::CheckBox || c.link;
}

}  // namespace

LRESULT CALLBACK MainWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self) {
    try {
        return reinterpret_cast<MainWindow*>(self)->ControlMessage(hwnd, msg, wp, lp, static_cast<int>(id));
    } catch (...) {
        return 0;
    }
}

LRESULT MainWindow::ControlMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, int id) {
    if (frm_ && msg == WM_CHAR && wp <= kLastCharUnit) {
        const int ch = frm_->ControlKeyPress(id, static_cast<int>(wp));
        if (ch == 0) return 0;
        wp = static_cast<WPARAM>(ch);
    } else if (frm_ && msg == WM_MOUSEMOVE) {
        frm_->ControlMouseMove(id);
    } else if (msg == WM_NCDESTROY) {
        controls_.RemoveSubclass(hwnd, &MainWindow::ControlProc, static_cast<UINT_PTR>(id));
    }
    return controls_.DefProc(hwnd, msg, wp, lp);
}

void MainWindow::MakeControls() {
    if (controlsMade_ || !hwnd_) return;
    controls_.Load();
    MakeFonts();
    CreateControls();
    shadow_.clear();
    controlsMade_ = true;
    MakeIcons();
    CreateTooltips();
}

const MainWindow::ControlShadow& MainWindow::Shadow(int id) const {
    static const ControlShadow none;
    auto it = shadow_.find(id);
    return it == shadow_.end() ? none : it->second;
}

void MainWindow::CreateControls() {
    for (int layer = 0; layer < kLayers; ++layer) {
        for (const ControlSpec& c : Controls()) {
            if (Layer(c.kind) != layer) continue;
            RECT r = PlaceOf(c);
            const ControlShadow& now = Shadow(c.id);
            DWORD style = StyleOf(c) & ~WS_DISABLED;
            if (!now.enabled) style |= WS_DISABLED;
            HWND h = ::CreateWindowExW(
                0, ClassOf(c.kind), L"", style, r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
            if (!h) continue;
            ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(c)), FALSE);
            ::SetWindowTextW(h, now.text.c_str());
            if (c.maxLength > 0) ::SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(c.maxLength), 0);
            if (c.kind == ControlKind::CheckBox)
                ::SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(now.value), 0);
            if (Subclassed(c) && controls_.Subclass)
                controls_.Subclass(h, &MainWindow::ControlProc, static_cast<UINT_PTR>(c.id),
                                   reinterpret_cast<DWORD_PTR>(this));
        }
    }
}

// Tooltips matter only once the window is seen; made then, to keep start-up short.
void MainWindow::CreateTooltips() {
    if (tooltip_) return;
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    if (!tooltip_) return;
    ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0,
                   ::MulDiv(kTipWidth, static_cast<int>(dpi_), static_cast<int>(kDefaultDpi)));
    for (const ControlSpec& c : Controls()) {
        HWND h = Item(c.id);
        if (!c.tooltip || !h) continue;
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = hwnd_;
        ti.uId = reinterpret_cast<UINT_PTR>(h);
        ti.lpszText = const_cast<wchar_t*>(c.tooltip);
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

int MainWindow::GetValue(int id) const {
    if (!controlsMade_) return Shadow(id).value;
    return static_cast<int>(::SendMessageW(Item(id), BM_GETCHECK, 0, 0));
}

void MainWindow::SetValue(int id, int value) {
    if (!controlsMade_) {
        shadow_[id].value = value;
        return;
    }
    ::SendMessageW(Item(id), BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

std::wstring MainWindow::GetText(int id) const {
    if (!controlsMade_) return Shadow(id).text;
    HWND h = Item(id);
    const int n = ::GetWindowTextLengthW(h);
    if (n <= 0) return {};
    std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
    const int got = ::GetWindowTextW(h, buf.data(), n + 1);
    return std::wstring(buf.data(), got > 0 ? got : 0);
}

void MainWindow::SetText(int id, const std::wstring& text) {
    if (!controlsMade_) {
        shadow_[id].text = text;
        return;
    }
    HWND h = Item(id);
    const ControlSpec* c = FindControl(id);
    const bool box = c && c->kind == ControlKind::TextBox;
    // A stored text may be longer than the box takes from typing; it still goes in whole.
    if (box) ::SendMessageW(h, EM_LIMITTEXT, 0, 0);
    ::SetWindowTextW(h, text.c_str());
    if (box && c->maxLength > 0) ::SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(c->maxLength), 0);
}

bool MainWindow::IsEnabled(int id) const {
    if (!controlsMade_) return Shadow(id).enabled;
    return ::IsWindowEnabled(Item(id)) != 0;
}

void MainWindow::SetEnabled(int id, bool enabled) {
    if (!controlsMade_) {
        shadow_[id].enabled = enabled;
        return;
    }
    ::EnableWindow(Item(id), enabled ? TRUE : FALSE);
}

void MainWindow::SetBackColor(int id, SysColor color) {
    back_[id] = color;
    if (controlsMade_) ::InvalidateRect(Item(id), nullptr, TRUE);
}

void MainWindow::SetUnderline(int id, bool underline) {
    const ControlSpec* c = FindControl(id);
    if (!c || !c->link || underline == underline_) return;
    underline_ = underline;
    if (controlsMade_) ::SendMessageW(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(*c)), TRUE);
}

int MainWindow::GetFocus() const {
    HWND f = ::GetFocus();
    return controlsMade_ && f && ::IsChild(hwnd_, f) ? ::GetDlgCtrlID(f) : 0;
}

void MainWindow::SetFocus(int id) {
    MakeControls();
    if (HWND h = Item(id)) ::SetFocus(h);
}

void MainWindow::PostTab() {
    HWND f = ::GetFocus();
    ::PostMessageW(f ? f : hwnd_, WM_KEYDOWN, VK_TAB, kTabKeyData);
}
