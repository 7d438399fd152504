#include "app/layout.h"

#include <cwctype>

#include "app/control_ids.h"

const wchar_t* const kWindowCaption = L"   晴窗画匣 V1.82  设计：晴窗工作室";
const wchar_t* const kPanelFontFace = L"SimSun";
const wchar_t* const kDayFontFace = L"Small Fonts";

namespace {

constexpr int F0 = ID_FRAME1_0;
constexpr int F1 = ID_FRAME1_0 + 1;
constexpr std::uint32_t kBlue = 0x00FF0000u;
constexpr std::uint32_t kRed = 0x000000FFu;
// Builders for the table, so that each row names only what it sets.
constexpr ControlSpec Frame(int id, int l, int t, int w, int h, const wchar_t* text) {
    return {id, ControlKind::Frame, 0, l, t, w, h, text};
}
constexpr ControlSpec Box(int id, int in, int l, int t, int w, int h, const wchar_t* text, int maxLength,
                          bool disabled, const wchar_t* tip = nullptr) {
    ControlSpec c{id, ControlKind::TextBox, in, l, t, w, h, text, maxLength, true, disabled};
    c.tooltip = tip;
    c.focusColors = true;
    return c;
}
constexpr ControlSpec Check(int id, int in, int l, int t, int w, int h, const wchar_t* text,
                            bool checked = false, const wchar_t* tip = nullptr) {
    ControlSpec c{id, ControlKind::CheckBox, in, l, t, w, h, text};
    c.checked = checked;
    c.hand = true;
    c.tooltip = tip;
    return c;
}
constexpr ControlSpec Button(int id, int l, int t, int w, int h, const wchar_t* text,
                             const wchar_t* tip = nullptr) {
    ControlSpec c{id, ControlKind::Button, 0, l, t, w, h, text};
    c.hand = true;
    c.tooltip = tip;
    return c;
}
constexpr ControlSpec Label(int id, int in, int l, int t, int w, int h, const wchar_t* text,
                            bool centred = false, std::uint32_t color = kDefaultColor) {
    ControlSpec c{id, ControlKind::Label, in, l, t, w, h, text, 0, centred};
    c.textColor = color;
    return c;
}
constexpr ControlSpec Link(ControlSpec c, const wchar_t* tip) {
    c.hand = true;
    c.link = true;
    c.tooltip = tip;
    return c;
}
constexpr ControlSpec DayFont(ControlSpec c) {
    c.font = FontKind::Day;
    return c;
}

// In the order the window holds them within each container.
const ControlSpec kControls[] = {
    Frame(F0, 150, 120, 3615, 1215, L"壁纸设置"),
    Box(ID_TEXT1_0 + 0, F0, 1440, 735, 615, 300, L"5", 3, false),
    Check(ID_CHECK1_0 + 1, F0, 1440, 330, 1575, 255, L"仅使用本地图片", false,
          L"选中后将不下载新图片，而只使用软件安装目录下的wallpaper子目录中文件名以tirnaco开头的图片"),
    Check(ID_CHECK1_0 + 0, F0, 240, 330, 1095, 255, L"随机显示"),
    Link(Label(ID_LABAPP, F0, 3150, 345, 180, 180, L"\u2026", false, kBlue), L"打开保存壁纸的文件夹"),
    Label(ID_LABEL1, F0, 240, 795, 3150, 180, L"更新频率：每         分钟换一次壁纸"),
    Frame(F1, 150, 1440, 3615, 1575, L"其它选项"),
    Box(ID_TEXT1_0 + 3, F1, 1440, 705, 1935, 300, L"在此输入提醒内容", 0, false,
        L"提示：也可输入需要定时打开的程序、文件或网址"),
    Box(ID_TEXT1_0 + 5, F1, 2520, 1095, 615, 300, L"30", 2, true),
    Box(ID_TEXT1_0 + 4, F1, 1440, 1095, 615, 300, L"17", 2, true),
    Box(ID_TEXT1_0 + 2, F1, 2520, 315, 615, 300, L"", 2, true),
    Box(ID_TEXT1_0 + 1, F1, 1440, 315, 615, 300, L"", 2, true),
    Check(ID_CHECK1_0 + 2, F1, 240, 345, 3180, 255, L"定时提醒          时          分"),
    Check(ID_CHECK1_0 + 4, F1, 240, 1110, 3240, 255, L"自动关机          时          分"),
    Check(ID_CHECK1_0 + 3, F1, 240, 727, 1095, 255, L"整点响铃", true),
    Button(ID_CMDOK_0 + 0, 3990, 240, 1095, 375, L"确定(&O)", L"点击确定后每次开机有效"),
    Button(ID_CMDOK_0 + 1, 3990, 840, 1095, 375, L"取消(&C)"),
    Label(ID_LABDAY_0 + 2, 0, 3945, 2780, 1095, 255, L"14时37分", true),
    DayFont(Label(ID_LABDAY_0 + 1, 0, 3915, 1800, 1095, 975, L"20", true, kRed)),
    Label(ID_LABDAY_0 + 0, 0, 4095, 1560, 915, 180, L"2007年12月", true),
};

const int kTabOrder[] = {
    ID_CHECK1_0 + 0, ID_CHECK1_0 + 1, ID_TEXT1_0 + 0,  ID_CHECK1_0 + 2, ID_TEXT1_0 + 1,
    ID_TEXT1_0 + 2,  ID_TEXT1_0 + 3,  ID_CHECK1_0 + 3, ID_CHECK1_0 + 4, ID_TEXT1_0 + 4,
    ID_TEXT1_0 + 5,  ID_CMDOK_0 + 0,  ID_CMDOK_0 + 1,
};

}  // namespace

std::span<const ControlSpec> Controls() { return kControls; }

const ControlSpec* FindControl(int id) {
    for (const auto& c : kControls)
        if (c.id == id) return &c;
    return nullptr;
}

void WindowPlace(const ControlSpec& c, int& left, int& top) {
    left = c.left;
    top = c.top;
    if (c.container != 0) {
        const ControlSpec* frame = FindControl(c.container);
        if (frame) {
            left += frame->left;
            top += frame->top;
        }
    }
}

std::span<const int> TabOrder() { return kTabOrder; }

int AccessKeyControl(wchar_t ch) {
    for (const auto& c : kControls) {
        const std::wstring_view text = c.text;
        const auto amp = text.find(L'&');
        if (amp != std::wstring_view::npos && amp + 1 < text.size() &&
            std::towupper(text[amp + 1]) == std::towupper(ch))
            return c.id;
    }
    return 0;
}

int TimerPeriodMs(Timer timer) { return timer == Timer::Timer3 ? 1000 : 100; }
