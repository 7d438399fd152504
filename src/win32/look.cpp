// How the main window looks at its DPI: its size and place, the places of
// its controls, their fonts and colours, and the window's icons.

#include "app/control_ids.h"
#include "app/layout.h"
#include "win32/dpi.h"
#include "win32/main_window.h"

namespace {

constexpr int kPointsPerInch = 72;
// The panel's font where the system names none, and the size its captions are laid out for.
constexpr int kPanelFontPoints = 9;

// A font height for a size in points; negative: the characters' height, not the cell's.
int CharHeight(int points, UINT dpi) { return -::MulDiv(points, static_cast<int>(dpi), kPointsPerInch); }

bool FontInstalled(const wchar_t* face) {
    LOGFONTW want{};
    want.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(want.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    ::EnumFontFamiliesExW(
        GetWindowDc(nullptr).get(), &want,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int CALLBACK {
            *reinterpret_cast<bool*>(p) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

}  // namespace

RECT MainWindow::PlaceOf(const ControlSpec& c) const {
    const int dpi = static_cast<int>(dpi_);
    int left, top;
    WindowPlace(c, left, top);
    int x = TwipsToPixels(left, dpi), y = TwipsToPixels(top, dpi);
    int w = TwipsToPixels(c.width, dpi), h = TwipsToPixels(c.height, dpi);
    // A label lower than a line of the panel font would cut its text; grow
    // it evenly about its middle.
    if (c.kind == ControlKind::Label && c.font == FontKind::Panel && h < lineHeight_) {
        y -= (lineHeight_ - h) / 2;
        h = lineHeight_;
    }
    return RECT{x, y, x + w, y + h};
}

// Focus-coloured boxes show the colour the logic set; coloured labels their
// text colour. 0 leaves the control to its default look.
LRESULT MainWindow::HandleColor(HDC dc, HWND control) {
    const ControlSpec* c = FindControl(::GetDlgCtrlID(control));
    if (!c) return 0;
    if (c->focusColors) {
        auto it = back_.find(c->id);
        const int index = static_cast<int>(it == back_.end() ? kUnfocusedColor : it->second);
        ::SetBkColor(dc, ::GetSysColor(index));
        if (!::IsWindowEnabled(control)) ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(index));
    }
    if (c->textColor != kDefaultColor) {
        ::SetTextColor(dc, c->textColor);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    return 0;
}

HFONT MainWindow::FontOf(const ControlSpec& c) const {
    if (c.font == FontKind::Day) return dayFont_.get();
    if (c.link && underline_) return underlineFont_.get();
    return font_.get();
}

void MainWindow::SizeWindow() {
    RECT want{0, 0, TwipsToPixels(kClientWidthTwips, static_cast<int>(dpi_)),
              TwipsToPixels(kClientHeightTwips, static_cast<int>(dpi_))};
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = User32<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (!(adjust && adjust(&want, kStyle, FALSE, kExStyle, dpi_)))
        ::AdjustWindowRectEx(&want, kStyle, FALSE, kExStyle);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, want.right - want.left, want.bottom - want.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::MakeFonts() {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    using SpiForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto spiForDpi = User32<SpiForDpiFn>("SystemParametersInfoForDpi");
    LOGFONTW lf{};
    if (spiForDpi && spiForDpi(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0, dpi_)) {
        lf = ncm.lfMessageFont;
    } else if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        lf = ncm.lfMessageFont;
        lf.lfHeight = ::MulDiv(lf.lfHeight, static_cast<int>(dpi_), static_cast<int>(DpiOf(nullptr)));
    } else {
        lf.lfHeight = CharHeight(kPanelFontPoints, dpi_);
        lf.lfCharSet = DEFAULT_CHARSET;
    }
    // The captions leave runs of blanks for the boxes that lie over them,
    // measured in SimSun 9 pt, where a blank is half a Chinese character.
    // Other fonts draw the blanks narrower and hide text under the boxes.
    static const bool simsun = FontInstalled(kPanelFontFace);
    if (simsun) {
        lf.lfHeight = CharHeight(kPanelFontPoints, dpi_);
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = GB2312_CHARSET;
        lstrcpynW(lf.lfFaceName, kPanelFontFace, LF_FACESIZE);
    }
    font_.reset(::CreateFontIndirectW(&lf));
    {
        const WindowDc dc = GetWindowDc(hwnd_);
        const Selection chosen = Select(dc.get(), font_.get());
        TEXTMETRICW tm{};
        lineHeight_ = ::GetTextMetricsW(dc.get(), &tm) ? static_cast<int>(tm.tmHeight) : 0;
    }
    lf.lfUnderline = TRUE;
    underlineFont_.reset(::CreateFontIndirectW(&lf));
    LOGFONTW day{};
    day.lfHeight = -static_cast<LONG>(kDayFontPoints * dpi_ / kPointsPerInch + 0.5);
    day.lfWeight = kDayFontWeight;
    day.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(day.lfFaceName, kDayFontFace, LF_FACESIZE);
    dayFont_.reset(::CreateFontIndirectW(&day));
}

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

// The window's icons matter only once it has been seen.
void MainWindow::MakeIcons() {
    if (!controlsMade_ || !hwnd_) return;
    Icon small = AppIcon(instance_, SM_CXSMICON, dpi_);
    Icon big = AppIcon(instance_, SM_CXICON, dpi_);
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    if (big) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
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
        ::SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(c)), TRUE);
    }
}
