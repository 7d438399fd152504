#include "tray/menu.h"

#include "app/control_ids.h"
#include "base/ignore_errors.h"

namespace menu {

std::wstring VersionLine(int major, int minor) {
    std::wstring m = std::to_wstring(minor);
    if (minor >= 0 && minor < 10) m = L"0" + m;
    return L"晴窗画匣 V" + std::to_wstring(major) + L"." + m;
}

std::wstring AboutText(int major, int minor) {
    static const wchar_t* const kLines[] = {
        L"版权所有 (C) 2007-2026 晴窗工作室", L"设计：晴窗工作室",   L"邮箱：author@qingchuang.example",
        L"主页：http://qingchuang.example/",  L"电话：010-00000000", L"地址：中国 北京市 晴窗路 1 号",
    };
    std::wstring text = VersionLine(major, minor) + L"\r\n";
    for (const wchar_t* line : kLines) text += std::wstring(L"\r\n") + line;
    return text;
}

}  // namespace menu

void MenuCommands::Run(int index) {
    switch (index) {
    case menu::kDisplayProperties:
        IgnoreErrors([&] { sys_.StartProcess(menu::kDisplaySettings); });
        break;
    case menu::kKeepWallpaper:
        IgnoreErrors([&] { rotation_.KeepCurrentWallpaper(); });
        break;
    case menu::kOpenFolder:
        Labapp_Click();
        break;
    case menu::kHomePage:
        IgnoreErrors([&] { ui_.ShellOpen(menu::kHomePageUrl); });
        break;
    case menu::kWriteMail:
        IgnoreErrors([&] { ui_.ShellOpen(std::wstring(L"mailto:") + menu::kMailAddress); });
        break;
    case menu::kHelp:
        // Quoted, so that a program folder with blanks in its path still opens;
        // the viewer reads its command line in the ANSI code page.
        IgnoreErrors(
            [&] { sys_.StartProcess(L"hh.exe \"" + sys_.AnsiSafePath(form_.AppDir + L"help.chm") + L"\""); });
        break;
    case menu::kAbout:
        IgnoreErrors([&] {
            ui_.MsgBox(menu::AboutText(APP_VERSION_MAJOR, APP_VERSION_MINOR), mb::kOk + mb::kInformation,
                       L" 关于...");
        });
        break;
    default:
        break;
    }
}

void MenuCommands::Labapp_Click() {
    IgnoreErrors([&] { ui_.ShellOpen(form_.AppDir + L"Wallpaper\\"); });
}

void MenuCommands::Labapp_MouseMove() { ui_.SetUnderline(ID_LABAPP, true); }

void MenuCommands::Frame1_MouseMove(int) { ui_.SetUnderline(ID_LABAPP, false); }
