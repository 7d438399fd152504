#pragma once

#include <string>

#include "app/form_state.h"
#include "platform/system.h"
#include "platform/window.h"
#include "wallpaper/rotation.h"

namespace menu {
// The items of the popup menu, mnwall(0..10), by what each does.
enum Command : int {
    kSettings,
    kDisplayProperties,
    kKeepWallpaper,
    kOpenFolder,
    kSeparator1,
    kHomePage,
    kWriteMail,
    kHelp,
    kAbout,
    kSeparator2,
    kQuit,
    kCount
};
struct Item {
    Command command;
    const wchar_t* caption;  // nullptr for a separator
};
// In menu order: an item's command is its index.
inline constexpr Item kItems[kCount] = {
    {kSettings, L"设置(&S)..."},
    {kDisplayProperties, L"桌面属性(&D)"},
    {kKeepWallpaper, L"收藏当前壁纸(&C)"},
    {kOpenFolder, L"打开壁纸目录(&F)"},
    {kSeparator1, nullptr},
    {kHomePage, L"作者网站(&W)"},
    {kWriteMail, L"给作者写信(&M)"},
    {kHelp, L"帮助说明(&H)"},
    {kAbout, L"关于(&A)..."},
    {kSeparator2, nullptr},
    {kQuit, L"退出(&Q)"},
};
static_assert([] {
    for (int i = 0; i < kCount; ++i)
        if (kItems[i].command != i) return false;
    return true;
}());

inline constexpr const wchar_t* kHomePageUrl = L"http://qingchuang.example/";
inline constexpr const wchar_t* kMailAddress = L"author@qingchuang.example";
inline constexpr const wchar_t* kDisplaySettings = L"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0";

// "晴窗画匣 V1.82": the minor number with at least two digits.
std::wstring VersionLine(int major, int minor);
std::wstring AboutText(int major, int minor);
}  // namespace menu

// The popup menu's commands that stand alone, and the folder link label.
// The settings item and quit involve the whole window; Frmmain runs those.
class MenuCommands {
public:
    MenuCommands(Window& ui, System& sys, const FormState& form, Rotation& rotation)
        : ui_(ui), sys_(sys), form_(form), rotation_(rotation) {}

    void Run(int index);
    void Labapp_Click();
    void Labapp_MouseMove();
    void Frame1_MouseMove(int index);

private:
    Window& ui_;
    System& sys_;
    const FormState& form_;
    Rotation& rotation_;
};
