#include "win32/main_window.h"

#include <windowsx.h>

#include "app/control_ids.h"
#include "app/layout.h"
#include "frmmain.h"
#include "tray/menu.h"
#include "tray/tray.h"
#include "win32/dpi.h"

namespace {

constexpr UINT kLostFocusMessage = WM_APP + 2;  // a lost focus, handled once the focus has settled

// The size the window is made with; WM_CREATE sizes it for its DPI.
constexpr int kFirstWidth = 400;
constexpr int kFirstHeight = 300;

constexpr Timer kTimers[] = {Timer::Timer1, Timer::Timer2, Timer::Timer3};

UINT_PTR TimerId(Timer timer) { return static_cast<UINT_PTR>(timer); }

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance), tray_(instance) {
    for (const ControlSpec& c : Controls())
        shadow_[c.id] = ControlShadow{c.checked ? 1 : 0, c.text, !c.disabled};
}

MainWindow::~MainWindow() {
    frm_ = nullptr;
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool MainWindow::Create() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &MainWindow::WndProc;
    wc.hInstance = instance_;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = APP_WINDOW_CLASS;
    if (!::RegisterClassExW(&wc)) return false;

    hwnd_ = ::CreateWindowExW(kExStyle, APP_WINDOW_CLASS, kWindowCaption, kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, kFirstWidth, kFirstHeight, nullptr, nullptr, instance_, this);
    return hwnd_ != nullptr;
}

LRESULT CALLBACK MainWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    // Errors inside an event are the event's own; they never leave the window procedure.
    try {
        return self->Handle(msg, wp, lp);
    } catch (...) {
        return 0;
    }
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    if (tray_.TaskbarCreated(msg)) {
        if (frm_) frm_->TaskbarCreated();
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        dpi_ = DpiOf(hwnd_);
        tray_.Attach(hwnd_, dpi_);
        SizeWindow();
        return 0;
    case WM_COMMAND:
        return HandleCommand(wp, lp);
    case kLostFocusMessage:
        if (frm_) frm_->ControlLostFocus(static_cast<int>(wp));
        return 0;
    case tray::kCallbackMessage:
        if (frm_) frm_->Form_MouseMove(LOWORD(lp));
        return 0;
    case WM_TIMER:
        for (Timer t : kTimers)
            if (frm_ && wp == TimerId(t)) frm_->TimerFired(t);
        return 0;
    case WM_SIZE:
        state_ = wp == SIZE_MINIMIZED   ? WindowState::Minimized
                 : wp == SIZE_MAXIMIZED ? WindowState::Maximized
                                        : WindowState::Normal;
        if (!quietResize_ && frm_) frm_->Form_Resize();
        return 0;
    case WM_MOUSEMOVE:
        FrameMouseMove(lp);
        return 0;
    case WM_SETCURSOR: {
        const ControlSpec* c = reinterpret_cast<HWND>(wp) != hwnd_
                                   ? FindControl(::GetDlgCtrlID(reinterpret_cast<HWND>(wp)))
                                   : nullptr;
        if (c && c->hand && LOWORD(lp) == HTCLIENT) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (const LRESULT brush = HandleColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
            return brush;
        break;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wp);
        if (controlsMade_) MakeFonts();
        MakeIcons();
        tray_.SetDpi(dpi_);
        const RECT* r = reinterpret_cast<const RECT*>(lp);
        ::SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        LayOut();
        return 0;
    }
    case WM_ACTIVATE:
        // Keep the focused control across a switch to another window and back.
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND f = ::GetFocus();
            if (f && ::IsChild(hwnd_, f)) lastFocus_ = f;
        } else if (lastFocus_ && ::IsWindow(lastFocus_) && ::IsWindowEnabled(lastFocus_)) {
            ::SetFocus(lastFocus_);
            return 0;
        }
        break;
    case WM_ENDSESSION:
        if (wp && frm_) frm_->Form_Close();
        return 0;
    case WM_CLOSE:
        if (frm_) frm_->Form_Close();
        return 0;
    case WM_DESTROY:
        for (Timer t : kTimers) ::KillTimer(hwnd_, TimerId(t));
        if (frm_) frm_->Form_Unload();
        ::PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT MainWindow::HandleCommand(WPARAM wp, LPARAM lp) {
    const int id = LOWORD(wp);
    const int code = HIWORD(wp);
    if (!frm_) return 0;
    if (lp == 0 && id >= ID_MNWALL_0 && id < ID_MNWALL_0 + menu::kCount) {
        frm_->mnwall_Click(id - ID_MNWALL_0);
    } else if (lp != 0 && (code == BN_CLICKED || code == STN_CLICKED)) {
        // BN_CLICKED and STN_CLICKED share their value.
        frm_->ControlClick(id);
    } else if (code == EN_SETFOCUS) {
        frm_->ControlGotFocus(id);
    } else if (code == EN_KILLFOCUS) {
        // A message box inside a focus change would fight the change; let it finish first.
        ::PostMessageW(hwnd_, kLostFocusMessage, static_cast<WPARAM>(id), 0);
    }
    return 0;
}

// The frames let the mouse through to the window; find which one it is over.
void MainWindow::FrameMouseMove(LPARAM lp) {
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    for (const ControlSpec& c : Controls()) {
        RECT r;
        HWND frame = c.kind == ControlKind::Frame ? Item(c.id) : nullptr;
        if (!frame || !::GetWindowRect(frame, &r)) continue;
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        if (::PtInRect(&r, pt) && frm_) frm_->ControlMouseMove(c.id);
    }
}

WindowState MainWindow::GetWindowState() const { return state_; }

void MainWindow::SetWindowState(WindowState state) {
    quietResize_ = true;
    const bool visible = ::IsWindowVisible(hwnd_) != 0;
    // A hidden window only records its state, so that start-up never flashes it.
    if (state == WindowState::Minimized && visible)
        ::ShowWindow(hwnd_, SW_MINIMIZE);
    else if (state == WindowState::Maximized && visible)
        ::ShowWindow(hwnd_, SW_MAXIMIZE);
    else if (state == WindowState::Normal && ::IsIconic(hwnd_))
        ::ShowWindow(hwnd_, SW_RESTORE);
    state_ = state;
    quietResize_ = false;
}

void MainWindow::Show(int focus) {
    MakeControls();
    if (!::IsChild(hwnd_, ::GetFocus())) lastFocus_ = Item(focus);
    ::ShowWindow(hwnd_, state_ == WindowState::Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    ::SetForegroundWindow(hwnd_);
}

void MainWindow::Hide() { ::ShowWindow(hwnd_, SW_HIDE); }

void MainWindow::Unload() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

void MainWindow::SetTimer(Timer timer, int periodMs) {
    ::SetTimer(hwnd_, TimerId(timer), static_cast<UINT>(periodMs), nullptr);
}

void MainWindow::KillTimer(Timer timer) { ::KillTimer(hwnd_, TimerId(timer)); }

int MainWindow::MsgBox(const std::wstring& text, int style, const std::wstring& title) {
    return ::MessageBoxW(hwnd_, text.c_str(), title.c_str(), static_cast<UINT>(style));
}
