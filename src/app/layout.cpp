#include "app/layout.h"

#include "app/control_ids.h"

const wchar_t* const kWindowCaption = L"   晴窗画匣 V1.82  设计：晴窗工作室";
const wchar_t* const kPanelFontFace = L"SimSun";
const wchar_t* const kDayFontFace = L"Small Fonts";

namespace {

constexpr int F0 = ID_FRAME1_0;
constexpr int F1 = ID_FRAME1_0 + 1;
constexpr std::uint32_t kBlue = 0x00FF0000u;
constexpr std::uint32_t kRed = 0x000000FFu;

// In the order the window holds them within each container.
const ControlSpec kControls[] = {
    {F0, ControlKind::Frame, 0, 150, 120, 3615, 1215, L"壁纸设置"},
    {ID_TEXT1_0 + 0, ControlKind::TextBox, F0, 1440, 735, 615, 300, L"5", 3, true},
    {ID_CHECK1_0 + 1, ControlKind::CheckBox, F0, 1440, 330, 1575, 255, L"仅使用本地图片", 0, false, false, false, true,
     L"选中后将不下载新图片，而只使用软件安装目录下的wallpaper子目录中文件名以tirnaco开头的图片"},
    {ID_CHECK1_0 + 0, ControlKind::CheckBox, F0, 240, 330, 1095, 255, L"随机显示", 0, false, false, false, true},
    {ID_LABAPP, ControlKind::Label, F0, 3150, 345, 180, 180, L"\u2026", 0, false, false, false, true,
     L"打开保存壁纸的文件夹", kBlue},
    {ID_LABEL1, ControlKind::Label, F0, 240, 795, 3150, 180, L"更新频率：每         分钟换一次壁纸"},
    {F1, ControlKind::Frame, 0, 150, 1440, 3615, 1575, L"其它选项"},
    {ID_TEXT1_0 + 3, ControlKind::TextBox, F1, 1440, 705, 1935, 300, L"在此输入提醒内容", 0, true, false, false, false,
     L"提示：也可输入需要定时打开的程序、文件或网址"},
    {ID_TEXT1_0 + 5, ControlKind::TextBox, F1, 2520, 1095, 615, 300, L"30", 2, true, true},
    {ID_TEXT1_0 + 4, ControlKind::TextBox, F1, 1440, 1095, 615, 300, L"17", 2, true, true},
    {ID_TEXT1_0 + 2, ControlKind::TextBox, F1, 2520, 315, 615, 300, L"", 2, true, true},
    {ID_TEXT1_0 + 1, ControlKind::TextBox, F1, 1440, 315, 615, 300, L"", 2, true, true},
    {ID_CHECK1_0 + 2, ControlKind::CheckBox, F1, 240, 345, 3180, 255, L"定时提醒          时          分", 0, false, false,
     false, true},
    {ID_CHECK1_0 + 4, ControlKind::CheckBox, F1, 240, 1110, 3240, 255, L"自动关机          时          分", 0, false, false,
     false, true},
    {ID_CHECK1_0 + 3, ControlKind::CheckBox, F1, 240, 727, 1095, 255, L"整点响铃", 0, false, false, true, true},
    {ID_CMDOK_0 + 0, ControlKind::Button, 0, 3990, 240, 1095, 375, L"确定(&O)", 0, false, false, false, true,
     L"点击确定后每次开机有效"},
    {ID_CMDOK_0 + 1, ControlKind::Button, 0, 3990, 840, 1095, 375, L"取消(&C)", 0, false, false, false, true},
    {ID_LISTURL, ControlKind::ListBox, 0, 240, 4440, 4575, 4020, L""},
    {ID_LABDAY_0 + 2, ControlKind::Label, 0, 3945, 2780, 1095, 255, L"14时37分", 0, true},
    {ID_LABDAY_0 + 1, ControlKind::Label, 0, 3915, 1800, 1095, 975, L"20", 0, true, false, false, false, nullptr, kRed},
    {ID_LABDAY_0 + 0, ControlKind::Label, 0, 4095, 1560, 915, 180, L"2007年12月", 0, true},
    {ID_IMGVECTOR, ControlKind::Image, 0, 5040, 6120, 1095, 975, L""},
};

const int kTabOrder[] = {
    ID_CHECK1_0 + 0, ID_CHECK1_0 + 1, ID_TEXT1_0 + 0, ID_CHECK1_0 + 2, ID_TEXT1_0 + 1,
    ID_TEXT1_0 + 2,  ID_TEXT1_0 + 3,  ID_CHECK1_0 + 3, ID_CHECK1_0 + 4, ID_TEXT1_0 + 4,
    ID_TEXT1_0 + 5,  ID_CMDOK_0 + 0,  ID_CMDOK_0 + 1, ID_LISTURL,
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
