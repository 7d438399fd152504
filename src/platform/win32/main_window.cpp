#include "platform/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <vector>

#include "app/control_ids.h"
#include "app/frmmain.h"
#include "app/layout.h"
#include "tray/menu.h"
#include "tray/tray.h"

namespace {

constexpr UINT kLostFocusMessage = WM_APP + 2;  // a lost focus, handled once the focus has settled
constexpr int kTimerInterval[] = {0, 100, 100, 1000};

// Functions that newer systems have; looked up so that the program still
// starts on Windows 7.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SpiForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

template <class F>
F User32(const char* name) {
    return ProcAddress<F>(::GetModuleHandleW(L"user32.dll"), name);
}

UINT DpiOf(HWND hwnd) {
    static const auto getDpi = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpi && hwnd) {
        const UINT d = getDpi(hwnd);
        if (d) return d;
    }
    HDC dc = ::GetDC(nullptr);
    const int d = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    return d > 0 ? static_cast<UINT>(d) : 96;
}

bool IsText1(int id) { return id >= ID_TEXT1_0 && id < ID_TEXT1_0 + 6; }
bool IsCheck1(int id) { return id >= ID_CHECK1_0 && id < ID_CHECK1_0 + 5; }
bool IsCmdok(int id) { return id >= ID_CMDOK_0 && id < ID_CMDOK_0 + 2; }

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
        return s | SS_NOPREFIX | (c.centred ? SS_CENTER : SS_LEFT) | (c.id == ID_LABAPP ? SS_NOTIFY : 0);
    case ControlKind::ListBox:
        return s | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    case ControlKind::Image:
        return (s & ~WS_VISIBLE) | SS_BITMAP;
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
    case ControlKind::ListBox:
        return WC_LISTBOXW;
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

// No WS_CLIPCHILDREN: the frames do not paint their inside, the window does.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {
    for (const ControlSpec& c : Controls()) shadow_[c.id] = ControlShadow{c.checked ? 1 : 0, c.text, !c.disabled};
}

MainWindow::~MainWindow() {
    frm_ = nullptr;
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool MainWindow::Create() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &MainWindow::WndProc;
    wc.hInstance = instance_;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = APP_WINDOW_CLASS;
    if (!::RegisterClassExW(&wc)) return false;

    hwnd_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, APP_WINDOW_CLASS, kWindowCaption, kWindowStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance_, this);
    return hwnd_ != nullptr;
}

int MainWindow::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// Keys the window handles for its controls: Tab moves the focus in the
// window's own tab order, Enter presses a focused button, Alt and an access
// key presses OK or Cancel.
bool MainWindow::PreTranslate(MSG& msg) {
    if (!hwnd_ || !frm_ || !(msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        frm_->TabKey(::GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && IsCmdok(::GetDlgCtrlID(msg.hwnd))) {
        frm_->Cmdok_Click(::GetDlgCtrlID(msg.hwnd) - ID_CMDOK_0);
        return true;
    }
    if (msg.message == WM_SYSCHAR && (msg.wParam == L'o' || msg.wParam == L'O')) {
        frm_->Cmdok_Click(0);
        return true;
    }
    if (msg.message == WM_SYSCHAR && (msg.wParam == L'c' || msg.wParam == L'C')) {
        frm_->Cmdok_Click(1);
        return true;
    }
    return false;
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
    if (taskbarCreated_ && msg == taskbarCreated_) {
        MakeIcons();
        if (frm_) frm_->TaskbarCreated();
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        dpi_ = DpiOf(hwnd_);
        MakeIcons();
        SizeWindow();
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (!frm_) return 0;
        if (lp == 0 && id >= ID_MNWALL_0 && id < ID_MNWALL_0 + menu::kItems) {
            frm_->mnwall_Click(id - ID_MNWALL_0);
        } else if (IsCheck1(id) && code == BN_CLICKED) {
            frm_->Check1_UserClick(id - ID_CHECK1_0);
        } else if (IsCmdok(id) && code == BN_CLICKED) {
            frm_->Cmdok_Click(id - ID_CMDOK_0);
        } else if (IsText1(id) && code == EN_SETFOCUS) {
            frm_->Text1_GotFocus(id - ID_TEXT1_0);
        } else if (IsText1(id) && code == EN_KILLFOCUS) {
            // A message box inside a focus change would fight the change; let it finish first.
            ::PostMessageW(hwnd_, kLostFocusMessage, static_cast<WPARAM>(id - ID_TEXT1_0), 0);
        } else if (id == ID_LABAPP && code == STN_CLICKED) {
            frm_->Labapp_Click();
        }
        return 0;
    }
    case kLostFocusMessage:
        if (frm_) frm_->Text1_LostFocus(static_cast<int>(wp));
        return 0;
    case tray::kCallbackMessage:
        if (frm_) frm_->Form_MouseMove(LOWORD(lp));
        return 0;
    case WM_TIMER:
        if (frm_ && wp == ID_TIMER3) frm_->Timer3_Timer();
        return 0;
    case WM_SIZE:
        state_ = wp == SIZE_MINIMIZED ? WindowState::Minimized
                 : wp == SIZE_MAXIMIZED ? WindowState::Maximized
                                        : WindowState::Normal;
        if (!quietResize_ && frm_) frm_->Form_Resize();
        return 0;
    case WM_MOUSEMOVE: {
        // The frames let the mouse through to the window; find which one it is over.
        const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        for (int i = 0; i < 2 && frm_; ++i) {
            RECT r;
            HWND frame = Item(ID_FRAME1_0 + i);
            if (!frame || !::GetWindowRect(frame, &r)) continue;
            ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
            if (::PtInRect(&r, pt)) frm_->Frame1_MouseMove(i);
        }
        return 0;
    }
    case WM_SETCURSOR: {
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(wp));
        const ControlSpec* c = reinterpret_cast<HWND>(wp) != hwnd_ ? FindControl(id) : nullptr;
        if (c && c->hand && LOWORD(lp) == HTCLIENT) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lp));
        if (IsText1(id)) {
            auto it = back_.find(id);
            const int index = it == back_.end() ? COLOR_SCROLLBAR : static_cast<int>(it->second);
            ::SetBkColor(dc, ::GetSysColor(index));
            if (!::IsWindowEnabled(reinterpret_cast<HWND>(lp))) ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(index));
        }
        const ControlSpec* c = FindControl(id);
        if (c && c->textColor != kDefaultColor) {
            ::SetTextColor(dc, c->textColor);
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    }
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wp);
        if (controlsMade_) MakeFonts();
        MakeIcons();
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
        if (wp) ::DestroyWindow(hwnd_);
        return 0;
    case WM_CLOSE:
        ::DestroyWindow(hwnd_);
        return 0;
    case WM_DESTROY:
        for (int t = 1; t <= 3; ++t) ::KillTimer(hwnd_, t);
        timers_.clear();
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

LRESULT CALLBACK MainWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self) {
    try {
        return reinterpret_cast<MainWindow*>(self)->ControlMessage(hwnd, msg, wp, lp, static_cast<int>(id));
    } catch (...) {
        return 0;
    }
}

LRESULT MainWindow::ControlMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, int id) {
    if (frm_ && msg == WM_CHAR && wp <= 0xFFFF) {
        int key = static_cast<int>(wp);
        if (IsText1(id))
            key = frm_->Text1_KeyPress(id - ID_TEXT1_0, key);
        else if (IsCheck1(id))
            key = frm_->Check1_KeyPress(id - ID_CHECK1_0, key);
        if (key == 0) return 0;
        wp = static_cast<WPARAM>(key);
    } else if (frm_ && msg == WM_MOUSEMOVE && id == ID_LABAPP) {
        frm_->Labapp_MouseMove();
    } else if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &MainWindow::ControlProc, static_cast<UINT_PTR>(id));
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

// The controls are made when the window is first shown; until then their
// state is kept here, so that start-up stays short and small.
void MainWindow::MakeControls() {
    if (controlsMade_ || !hwnd_) return;
    MakeFonts();
    CreateControls();
    HWND list = Item(ID_LISTURL);
    for (const auto& item : list_) ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(listIndex_), 0);
    list_.clear();
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
    for (int layer = 0; layer < 3; ++layer) {
        for (const ControlSpec& c : Controls()) {
            if (Layer(c.kind) != layer) continue;
            RECT r = PlaceOf(c);
            const ControlShadow& now = Shadow(c.id);
            DWORD style = StyleOf(c) & ~WS_DISABLED;
            if (!now.enabled) style |= WS_DISABLED;
            HWND h = ::CreateWindowExW(0, ClassOf(c.kind), L"", style, r.left, r.top, r.right - r.left,
                                       r.bottom - r.top, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                       instance_, nullptr);
            if (!h) continue;
            ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(c)), FALSE);
            ::SetWindowTextW(h, now.text.c_str());
            if (c.maxLength > 0) ::SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(c.maxLength), 0);
            if (c.kind == ControlKind::CheckBox) ::SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(now.value), 0);
            if (c.kind == ControlKind::TextBox || c.kind == ControlKind::CheckBox || c.id == ID_LABAPP)
                ::SetWindowSubclass(h, &MainWindow::ControlProc, static_cast<UINT_PTR>(c.id),
                                    reinterpret_cast<DWORD_PTR>(this));
        }
    }
}

// Tooltips matter only once the window is seen; made then, to keep start-up short.
void MainWindow::CreateTooltips() {
    if (tooltip_) return;
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                 instance_, nullptr);
    if (!tooltip_) return;
    ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, ::MulDiv(360, static_cast<int>(dpi_), 96));
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

// The popup menu, made at its first use.
void MainWindow::CreateMenus() {
    if (popup_) return;
    popup_.reset(::CreatePopupMenu());
    for (int i = 0; i < menu::kItems; ++i) {
        if (std::wstring(menu::kCaptions[i]) == L"-")
            ::AppendMenuW(popup_.get(), MF_SEPARATOR, ID_MNWALL_0 + i, nullptr);
        else
            ::AppendMenuW(popup_.get(), MF_STRING, ID_MNWALL_0 + i, menu::kCaptions[i]);
    }
}

RECT MainWindow::PlaceOf(const ControlSpec& c) const {
    const int dpi = static_cast<int>(dpi_);
    int left, top;
    WindowPlace(c, left, top);
    int x = TwipsToPixels(left, dpi), y = TwipsToPixels(top, dpi);
    int w = TwipsToPixels(c.width, dpi), h = TwipsToPixels(c.height, dpi);
    // A label lower than a line of the dialog font would cut its text;
    // grow it evenly about its middle.
    if (c.kind == ControlKind::Label && c.id != ID_LABDAY_0 + 1 && h < lineHeight_) {
        y -= (lineHeight_ - h) / 2;
        h = lineHeight_;
    }
    return RECT{x, y, x + w, y + h};
}

HFONT MainWindow::FontOf(const ControlSpec& c) const {
    if (c.id == ID_LABDAY_0 + 1) return dayFont_.get();
    if (c.id == ID_LABAPP && underline_) return underlineFont_.get();
    return font_.get();
}

void MainWindow::SizeWindow() {
    RECT want{0, 0, TwipsToPixels(kClientWidthTwips, static_cast<int>(dpi_)),
              TwipsToPixels(kClientHeightTwips, static_cast<int>(dpi_))};
    static const auto adjust = User32<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (!(adjust && adjust(&want, kWindowStyle, FALSE, WS_EX_CONTROLPARENT, dpi_)))
        ::AdjustWindowRectEx(&want, kWindowStyle, FALSE, WS_EX_CONTROLPARENT);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, want.right - want.left, want.bottom - want.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static bool FontInstalled(const wchar_t* face) {
    LOGFONTW want{};
    want.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(want.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    HDC dc = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(
        dc, &want, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int CALLBACK {
            *reinterpret_cast<bool*>(p) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, dc);
    return found;
}

void MainWindow::MakeFonts() {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    static const auto spiForDpi = User32<SpiForDpiFn>("SystemParametersInfoForDpi");
    LOGFONTW lf{};
    if (spiForDpi && spiForDpi(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0, dpi_)) {
        lf = ncm.lfMessageFont;
    } else if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        lf = ncm.lfMessageFont;
        lf.lfHeight = ::MulDiv(lf.lfHeight, static_cast<int>(dpi_), static_cast<int>(DpiOf(nullptr)));
    } else {
        lf.lfHeight = -::MulDiv(9, static_cast<int>(dpi_), 72);
        lf.lfCharSet = DEFAULT_CHARSET;
    }
    // The captions leave runs of blanks for the boxes that lie over them,
    // measured in SimSun 9 pt, where a blank is half a Chinese character.
    // Other fonts draw the blanks narrower and hide text under the boxes.
    static const bool simsun = FontInstalled(kPanelFontFace);
    if (simsun) {
        lf.lfHeight = -::MulDiv(9, static_cast<int>(dpi_), 72);
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = GB2312_CHARSET;
        lstrcpynW(lf.lfFaceName, kPanelFontFace, LF_FACESIZE);
    }
    font_.reset(::CreateFontIndirectW(&lf));
    HDC dc = ::GetDC(hwnd_);
    HGDIOBJ old = ::SelectObject(dc, font_.get());
    TEXTMETRICW tm{};
    lineHeight_ = ::GetTextMetricsW(dc, &tm) ? static_cast<int>(tm.tmHeight) : 0;
    ::SelectObject(dc, old);
    ::ReleaseDC(hwnd_, dc);
    lf.lfUnderline = TRUE;
    underlineFont_.reset(::CreateFontIndirectW(&lf));
    LOGFONTW day{};
    day.lfHeight = -static_cast<LONG>(kDayFontPoints * dpi_ / 72.0 + 0.5);
    day.lfWeight = kDayFontWeight;
    day.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(day.lfFaceName, kDayFontFace, LF_FACESIZE);
    dayFont_.reset(::CreateFontIndirectW(&day));
}

// The small icon serves the tray from the start; the large one only a window
// that has been seen.
void MainWindow::MakeIcons() {
    auto load = [&](int metric) {
        const int size = ::GetSystemMetrics(metric) * static_cast<int>(dpi_) / 96;
        return Icon(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0)));
    };
    Icon small = load(SM_CXSMICON);
    Icon big = controlsMade_ ? load(SM_CXICON) : Icon();
    if (hwnd_) {
        ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
        if (big) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    }
    // The old icons go only after the window has let go of them.
    smallIcon_ = std::move(small);
    if (big) bigIcon_ = std::move(big);
}

void MainWindow::LayOut() {
    SizeWindow();
    if (!controlsMade_) return;
    for (const ControlSpec& c : Controls()) {
        HWND h = Item(c.id);
        if (!h) continue;
        const RECT r = PlaceOf(c);
        ::SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(c)), TRUE);
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
    // A stored text may be longer than the box takes from typing; it still goes in whole.
    if (IsText1(id)) ::SendMessageW(h, EM_LIMITTEXT, 0, 0);
    ::SetWindowTextW(h, text.c_str());
    const ControlSpec* c = FindControl(id);
    if (IsText1(id) && c && c->maxLength > 0) ::SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(c->maxLength), 0);
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
    if (id != ID_LABAPP || underline == underline_) return;
    underline_ = underline;
    if (controlsMade_)
        ::SendMessageW(Item(id), WM_SETFONT,
                       reinterpret_cast<WPARAM>(underline ? underlineFont_.get() : font_.get()), TRUE);
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
    ::PostMessageW(f ? f : hwnd_, WM_KEYDOWN, VK_TAB, 0x000F0001);
}

int MainWindow::ListCount(int id) const {
    if (!controlsMade_) return static_cast<int>(list_.size());
    return static_cast<int>(::SendMessageW(Item(id), LB_GETCOUNT, 0, 0));
}

std::wstring MainWindow::ListItem(int id, int index) const {
    if (!controlsMade_)
        return index >= 0 && index < static_cast<int>(list_.size()) ? list_[static_cast<size_t>(index)] : L"";
    HWND h = Item(id);
    const LRESULT n = ::SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || n == LB_ERR) return {};
    std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
    const LRESULT got = ::SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
    return got == LB_ERR ? std::wstring() : std::wstring(buf.data(), static_cast<size_t>(got));
}

void MainWindow::ListAdd(int id, const std::wstring& item) {
    if (!controlsMade_) {
        list_.push_back(item);
        return;
    }
    ::SendMessageW(Item(id), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void MainWindow::ListClear(int id) {
    if (!controlsMade_) {
        list_.clear();
        listIndex_ = -1;
        return;
    }
    ::SendMessageW(Item(id), LB_RESETCONTENT, 0, 0);
}

int MainWindow::ListIndex(int id) const {
    if (!controlsMade_) return listIndex_;
    return static_cast<int>(::SendMessageW(Item(id), LB_GETCURSEL, 0, 0));
}

void MainWindow::SetListIndex(int id, int index) {
    if (!controlsMade_) {
        listIndex_ = index >= 0 && index < static_cast<int>(list_.size()) ? index : -1;
        return;
    }
    ::SendMessageW(Item(id), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
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

bool MainWindow::IsVisible() const { return ::IsWindowVisible(hwnd_) != 0; }

void MainWindow::Show() {
    MakeControls();
    // Like a dialog, the window opens with the focus on its first control.
    if (!::IsChild(hwnd_, ::GetFocus())) lastFocus_ = Item(TabOrder().front());
    ::ShowWindow(hwnd_, state_ == WindowState::Minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    ::SetForegroundWindow(hwnd_);
}

void MainWindow::Hide() { ::ShowWindow(hwnd_, SW_HIDE); }

void MainWindow::ScreenSize(int& width, int& height) const {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi)) {
        width = mi.rcMonitor.right - mi.rcMonitor.left;
        height = mi.rcMonitor.bottom - mi.rcMonitor.top;
    } else {
        width = ::GetSystemMetrics(SM_CXSCREEN);
        height = ::GetSystemMetrics(SM_CYSCREEN);
    }
}

void MainWindow::WindowSize(int& width, int& height) const {
    RECT r{};
    ::GetWindowRect(hwnd_, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
}

void MainWindow::MoveTo(int left, int top) {
    ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Unload() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

void MainWindow::SetTimerEnabled(Timer timer, bool enabled) {
    const int t = static_cast<int>(timer);
    if (t < 1 || t > 3) return;
    if (enabled) {
        ::SetTimer(hwnd_, static_cast<UINT_PTR>(t), static_cast<UINT>(kTimerInterval[t]), nullptr);
        timers_.insert(t);
    } else {
        ::KillTimer(hwnd_, static_cast<UINT_PTR>(t));
        timers_.erase(t);
    }
}

bool MainWindow::IsTimerEnabled(Timer timer) const { return timers_.count(static_cast<int>(timer)) != 0; }

int MainWindow::MsgBox(const std::wstring& text, int style, const std::wstring& title) {
    return ::MessageBoxW(hwnd_, text.c_str(), title.c_str(), static_cast<UINT>(style));
}

bool MainWindow::NotifyIcon(int action, const TrayRecord& r) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = r.uID;
    nid.uFlags = r.uFlags;
    nid.uCallbackMessage = r.uCallbackMessage;
    nid.hIcon = r.hasIcon ? smallIcon_.get() : nullptr;
    lstrcpynW(nid.szTip, r.szTip.c_str(), ARRAYSIZE(nid.szTip));
    nid.dwState = r.dwState;
    nid.dwStateMask = r.dwStateMask;
    lstrcpynW(nid.szInfo, r.szInfo.c_str(), ARRAYSIZE(nid.szInfo));
    nid.uTimeout = r.uTimeout;
    lstrcpynW(nid.szInfoTitle, r.szInfoTitle.c_str(), ARRAYSIZE(nid.szInfoTitle));
    nid.dwInfoFlags = r.dwInfoFlags;
    return ::Shell_NotifyIconW(static_cast<DWORD>(action), &nid) != 0;
}

void MainWindow::SetForeground() { ::SetForegroundWindow(hwnd_); }

void MainWindow::PopupMenu() {
    CreateMenus();
    POINT pt{};
    ::GetCursorPos(&pt);
    ::TrackPopupMenu(popup_.get(), 0, pt.x, pt.y, 0, hwnd_, nullptr);
    // Without this the menu does not close when the user clicks elsewhere.
    ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void MainWindow::ShellOpen(const std::wstring& target) {
    com_.Initialize();  // the shell may hand the target to a COM handler
    ::ShellExecuteW(hwnd_, L"open", target.c_str(), L"", L"", SW_SHOW);
}
