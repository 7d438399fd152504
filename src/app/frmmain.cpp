#include "app/frmmain.h"

#include "app/control_ids.h"
#include "app/step.h"

bool Frmmain::ShouldStart() { return !sys_.AnotherInstanceRunning(); }

void Frmmain::Form_Load() {
    Step([&] {
        int sw = 0, sh = 0, ww = 0, wh = 0;
        ui_.ScreenSize(sw, sh);
        ui_.WindowSize(ww, wh);
        ui_.MoveTo((sw - ww) / 2, (sh - wh) / 2);
    });
    Step([&] { SetWindowState(WindowState::Minimized); });
    Step([&] { WinDir = sys_.WindowsDirectory() + L"\\"; });
    Step([&] {
        std::wstring exe = sys_.ExecutablePath();
        const auto slash = exe.find_last_of(L"\\/");
        AppDir = slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash + 1);
        if (AppDir.empty() || AppDir.back() != L'\\') AppDir += L'\\';
    });
    Step([&] {
        const std::wstring list = AppDir + L"deskurl.ini";
        if (sys_.FileExists(list)) sys_.RemoveFile(list);
    });
    Step([&] {
        const std::wstring folder = AppDir + L"Wallpaper";
        if (!sys_.PathExists(folder)) sys_.CreateFolder(folder);
    });
    Step([&] { LoadSettings(); });
    Step([&] { ui_.SetTimerEnabled(Timer::Timer3, true); });
    Step([&] { LastSpeak = sys_.Now(); });
    Step([&] { sys_.TrimWorkingSet(); });
}

void Frmmain::Form_Unload() {
    Step([&] { sys_.RemoveFile(AppDir + L"deskurl.ini"); });
    Step([&] {
        trayWanted_ = false;
        ui_.NotifyIcon(tray_action::kDelete, TrayData);
    });
}

void Frmmain::SetCheck(int index, int value) {
    if (ui_.GetValue(Check1(index)) == value) return;
    ui_.SetValue(Check1(index), value);
    Check1_Click(index);
}

void Frmmain::SetWindowState(WindowState state) {
    if (ui_.GetWindowState() == state) return;
    ui_.SetWindowState(state);
    Form_Resize();
}
