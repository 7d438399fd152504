#include "tray/menu.h"

#include "app/control_ids.h"
#include "base/step.h"
#include "wallpaper/naming.h"

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

std::wstring LastFour(const std::wstring& text) {
    return text.size() <= 4 ? text : text.substr(text.size() - 4);
}

std::wstring KeepCopyTarget(const std::wstring& appDir, const std::wstring& entry,
                            const std::function<bool(const std::wstring&)>& exists) {
    for (int n = 10; n <= 32767; ++n) {
        std::wstring candidate = wallpaper::NumberedFile(appDir, n, entry);
        if (!exists(candidate)) return candidate;
    }
    return {};
}

}  // namespace menu

void MenuCommands::Run(int index) {
    switch (index) {
    case menu::kDisplayProperties:
        Step([&] { sys_.StartProcess(menu::kDisplaySettings); });
        break;
    case menu::kKeepWallpaper:
        Step([&] { KeepCurrentWallpaper(); });
        break;
    case menu::kOpenFolder:
        Labapp_Click();
        break;
    case menu::kHomePage:
        Step([&] { ui_.ShellOpen(menu::kHomePageUrl); });
        break;
    case menu::kWriteMail:
        Step([&] { ui_.ShellOpen(std::wstring(L"mailto:") + menu::kMailAddress); });
        break;
    case menu::kHelp:
        // Quoted, so that a program folder with blanks in its path still opens;
        // the viewer reads its command line in the ANSI code page.
        Step(
            [&] { sys_.StartProcess(L"hh.exe \"" + sys_.AnsiSafePath(form_.AppDir + L"help.chm") + L"\""); });
        break;
    case menu::kAbout:
        Step([&] {
            ui_.MsgBox(menu::AboutText(APP_VERSION_MAJOR, APP_VERSION_MINOR), mb::kOk + mb::kInformation,
                       L" 关于...");
        });
        break;
    default:
        break;
    }
}

void MenuCommands::KeepCurrentWallpaper() {
    const PictureList& list = form_.Listurl;
    const std::wstring entry = list.Current();
    if (!wallpaper::IsWebEntry(entry)) {
        ui_.MsgBox(L"   当前壁纸原本属于本地图片，不需要收藏!   ", mb::kOk + mb::kInformation, L"提示");
        return;
    }
    const std::wstring source = menu::LastFour(form_.DownloadFile) != L".ini"
                                    ? form_.DownloadFile
                                    : wallpaper::NumberedFile(form_.AppDir, list.position, entry);
    const std::wstring target =
        menu::KeepCopyTarget(form_.AppDir, entry, [&](const std::wstring& p) { return sys_.PathExists(p); });
    // Name the target only when the copy is really there.
    if (!target.empty() && !source.empty() && sys_.CopyFileTo(source, target))
        ui_.MsgBox(L"  当前壁纸已被成功保存到" + target + L"   ", mb::kOk + mb::kInformation, L"提示");
    else
        ui_.MsgBox(L"  当前壁纸保存失败，请检查壁纸目录是否可写!   ", mb::kOk + mb::kInformation, L"提示");
}

void MenuCommands::Labapp_Click() {
    Step([&] { ui_.ShellOpen(form_.AppDir + L"Wallpaper\\"); });
}

void MenuCommands::Labapp_MouseMove() { ui_.SetUnderline(ID_LABAPP, true); }

void MenuCommands::Frame1_MouseMove(int) { ui_.SetUnderline(ID_LABAPP, false); }
