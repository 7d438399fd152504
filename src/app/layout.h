#pragma once

#include <cstdint>
#include <span>

#include "platform/types.h"

// The design of the main window: every control with its place in twips
// (relative to its container), its design text and its properties, and the
// window's timers. The Windows layer builds the window from this data alone.

enum class ControlKind { Frame, TextBox, CheckBox, Label, Button };

enum class FontKind { Panel, Day };

inline constexpr std::uint32_t kDefaultColor = 0xFFFFFFFFu;

struct ControlSpec {
    int id;
    ControlKind kind;
    int container;  // 0: the window; otherwise the id of the frame
    int left, top, width, height;
    const wchar_t* text;
    int maxLength = 0;  // 0: no limit
    bool centred = false;
    bool disabled = false;
    bool checked = false;
    bool hand = false;  // shows the hand cursor
    const wchar_t* tooltip = nullptr;
    std::uint32_t textColor = kDefaultColor;  // 0x00BBGGRR
    FontKind font = FontKind::Panel;
    bool link = false;         // a label that takes clicks and underlines under the mouse
    bool focusColors = false;  // the background follows the focus (SetBackColor)
};

inline constexpr int kClientWidthTwips = 5280;
inline constexpr int kClientHeightTwips = 3270;
// Background of a focus-coloured box that does not have the focus.
inline constexpr SysColor kUnfocusedColor = SysColor::ScrollBar;
inline constexpr SysColor kFocusedColor = SysColor::Window;

// The window caption: the product name, version and our designer credit.
extern const wchar_t* const kWindowCaption;
// Font of the panel's captions, when the system has it.
extern const wchar_t* const kPanelFontFace;
// Font of the day-of-month label.
extern const wchar_t* const kDayFontFace;
inline constexpr double kDayFontPoints = 33.75;
inline constexpr int kDayFontWeight = 700;

std::span<const ControlSpec> Controls();
const ControlSpec* FindControl(int id);
// Place of a control relative to the window's client area, in twips.
void WindowPlace(const ControlSpec& c, int& left, int& top);

// Controls that take the focus, in tab order; the first one has it when the
// window opens.
std::span<const int> TabOrder();

// The control whose caption has `ch` as its access key ("确定(&O)"), any
// case; 0 when none has.
int AccessKeyControl(wchar_t ch);

int TimerPeriodMs(Timer timer);

// Twips to pixels at a given DPI, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, int dpi) {
    const long long v = static_cast<long long>(twips) * dpi;
    return static_cast<int>(v >= 0 ? (v + 720) / 1440 : -((-v + 720) / 1440));
}
