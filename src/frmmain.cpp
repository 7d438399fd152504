#include "frmmain.h"

#include "app/control_ids.h"
#include "app/layout.h"
#include "base/ignore_errors.h"

namespace {
bool InRange(int id, int first, int count) { return id >= first && id < first + count; }
constexpr int kButtons = 2, kFrames = 2;  // Cmdok(0..1), Frame1(0..1)
}  // namespace

Frmmain::Frmmain(Window& ui, System& sys, Desktop& desk, Transfer& transfer)
    : ui_(ui),
      sys_(sys),
      sound_(sys),
      panel_(ui, sys),
      tray_(ui, sys, sound_, *this),
      rotation_(ui, sys, desk, *this, panel_, tray_),
      menu_(ui, sys, *this, rotation_),
      downloads_(ui, sys, transfer, *this, panel_, tray_, rotation_),
      acquisition_(sys, sound_, *this, panel_, tray_, rotation_, downloads_),
      duties_(ui, sys, sound_, panel_, tray_),
      scheduler_(ui, sys, tray_, acquisition_, duties_) {}

bool Frmmain::ShouldStart() { return !sys_.AnotherInstanceRunning(); }

void Frmmain::Form_Load() {
    IgnoreErrors([&] {
        int sw = 0, sh = 0, ww = 0, wh = 0;
        ui_.ScreenSize(sw, sh);
        ui_.WindowSize(ww, wh);
        ui_.MoveTo((sw - ww) / 2, (sh - wh) / 2);
    });
    IgnoreErrors([&] { SetWindowState(WindowState::Minimized); });
    IgnoreErrors([&] { WinDir = sys_.WindowsDirectory() + L"\\"; });
    IgnoreErrors([&] {
        std::wstring exe = sys_.ExecutablePath();
        const auto slash = exe.find_last_of(L"\\/");
        AppDir = slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash + 1);
        if (AppDir.empty() || AppDir.back() != L'\\') AppDir += L'\\';
    });
    IgnoreErrors([&] {
        const std::wstring list = AppDir + L"deskurl.ini";
        if (sys_.FileExists(list)) sys_.RemoveFile(list);
    });
    IgnoreErrors([&] {
        const std::wstring folder = AppDir + L"Wallpaper";
        if (!sys_.PathExists(folder)) sys_.CreateFolder(folder);
    });
    IgnoreErrors([&] { panel_.Load(); });
    IgnoreErrors([&] { downloads_.Create(); });
    IgnoreErrors([&] { ui_.SetTimer(Timer::Timer3, TimerPeriodMs(Timer::Timer3)); });
    IgnoreErrors([&] { LastSpeak = sys_.Now(); });
    IgnoreErrors([&] { sys_.TrimWorkingSet(); });
}

void Frmmain::Form_Unload() {
    IgnoreErrors([&] { sys_.RemoveFile(AppDir + L"deskurl.ini"); });
    IgnoreErrors([&] { tray_.Remove(); });
    IgnoreErrors([&] { downloads_.Release(); });
}

void Frmmain::Form_Close() { ui_.Unload(); }

void Frmmain::Form_Resize() { tray_.Form_Resize(); }

void Frmmain::Form_MouseMove(int event) { tray_.Form_MouseMove(event); }

void Frmmain::TaskbarCreated() { tray_.TaskbarCreated(); }

void Frmmain::TimerFired(Timer timer) {
    if (timer == Timer::Timer1) Timer1_Timer();
    if (timer == Timer::Timer2) Timer2_Timer();
    if (timer == Timer::Timer3) Timer3_Timer();
}

void Frmmain::Timer1_Timer() { downloads_.Timer1_Timer(); }

void Frmmain::Timer2_Timer() { rotation_.Timer2_Timer(); }

void Frmmain::Timer3_Timer() { scheduler_.Timer3_Timer(); }

void Frmmain::ControlClick(int id) {
    if (InRange(id, ID_CHECK1_0, box::kChecks))
        panel_.Check1_UserClick(id - ID_CHECK1_0);
    else if (InRange(id, ID_CMDOK_0, kButtons))
        Cmdok_Click(id - ID_CMDOK_0);
    else if (id == ID_LABAPP)
        menu_.Labapp_Click();
}

int Frmmain::ControlKeyPress(int id, int ch) {
    if (InRange(id, ID_TEXT1_0, box::kTexts)) return panel_.Text1_KeyPress(id - ID_TEXT1_0, ch);
    if (InRange(id, ID_CHECK1_0, box::kChecks)) return panel_.Check1_KeyPress(id - ID_CHECK1_0, ch);
    return ch;
}

void Frmmain::ControlGotFocus(int id) {
    if (InRange(id, ID_TEXT1_0, box::kTexts)) panel_.Text1_GotFocus(id - ID_TEXT1_0);
}

void Frmmain::ControlLostFocus(int id) {
    if (InRange(id, ID_TEXT1_0, box::kTexts)) panel_.Text1_LostFocus(id - ID_TEXT1_0);
}

void Frmmain::ControlMouseMove(int id) {
    if (id == ID_LABAPP)
        menu_.Labapp_MouseMove();
    else if (InRange(id, ID_FRAME1_0, kFrames))
        menu_.Frame1_MouseMove(id - ID_FRAME1_0);
}

bool Frmmain::KeyDown(int id, int vk, bool shift) {
    if (vk == key::kVkTab) {
        panel_.TabKey(shift);
        return true;
    }
    // Enter presses a focused button, as in a dialog.
    if (vk == key::kVkReturn && InRange(id, ID_CMDOK_0, kButtons)) {
        Cmdok_Click(id - ID_CMDOK_0);
        return true;
    }
    return false;
}

bool Frmmain::AccessKey(wchar_t ch) {
    const int id = AccessKeyControl(ch);
    if (id != 0) ControlClick(id);
    return id != 0;
}

void Frmmain::Cmdok_Click(int index) {
    if (!panel_.Cmdok_Click(index)) return;
    SetWindowState(WindowState::Minimized);
    ui_.Hide();
}

void Frmmain::mnwall_Click(int index) {
    if (index == menu::kSettings) {
        IgnoreErrors([&] { panel_.RememberChecks(); });
        IgnoreErrors([&] { SetWindowState(WindowState::Normal); });
        IgnoreErrors([&] { ui_.Show(TabOrder().front()); });
        IgnoreErrors([&] { tray_.Remove(); });
    } else if (index == menu::kQuit) {
        IgnoreErrors([&] { ui_.Unload(); });
    } else {
        menu_.Run(index);
    }
}

void Frmmain::SetWindowState(WindowState state) {
    if (ui_.GetWindowState() == state) return;
    ui_.SetWindowState(state);
    Form_Resize();
}
