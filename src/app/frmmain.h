#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/local_time.h"
#include "platform/system.h"
#include "platform/types.h"
#include "platform/window.h"

// The main window's logic: its shared state and one member per event. The
// Windows layer owns the real window and calls these members; subsystems
// implement their members in their own folders.
class Frmmain {
public:
    Frmmain(Window& ui, System& sys) : ui_(ui), sys_(sys) {}
    Frmmain(const Frmmain&) = delete;
    Frmmain& operator=(const Frmmain&) = delete;

    // Start-up step 1, before the window exists: false ends this instance.
    bool ShouldStart();

    // Application shell.
    void Form_Load();
    void Form_Unload();
    void Cmdok_Click(int index);
    void Check1_Click(int index);
    // A user's click on a check box: the box takes its next state first.
    void Check1_UserClick(int index);
    // Returns the character to pass on; 0 discards it.
    int Check1_KeyPress(int index, int key);
    int Text1_KeyPress(int index, int key);
    void Text1_GotFocus(int index);
    void Text1_LostFocus(int index);
    // The Tab key on a control of the window: the focus moves on in tab order.
    void TabKey(bool backwards);

    // Tray.
    void ShowTrayTip(const std::wstring& text, const std::wstring& action);
    void Form_Resize();
    void Form_MouseMove(int event);
    void TaskbarCreated();

    // Menu.
    void mnwall_Click(int index);
    void Labapp_Click();
    void Labapp_MouseMove();
    void Frame1_MouseMove(int index);

    // Scheduler.
    void Timer3_Timer();

    // Sets a check box; a change runs its click handling, as a click would.
    void SetCheck(int index, int value);
    // Sets the window state; a change runs the resize handling.
    void SetWindowState(WindowState state);

    // Window-level state shared by all subsystems.
    std::wstring WinDir;
    std::wstring AppDir;
    std::wstring DownloadUrl;
    std::wstring DownloadFile;
    std::int32_t DownloadPercent = 0;
    LocalTime LastChange;  // the zero date-time until the first change
    LocalTime LastSpeak;
    TrayRecord TrayData;
    std::array<std::wstring, 5> Check1Tag;

    Window& ui() { return ui_; }
    System& sys() { return sys_; }

private:
    void LoadSettings();
    void TickClock();
    bool AddTrayIcon(const TrayRecord& record);

    Window& ui_;
    System& sys_;
    bool trayWanted_ = false;   // the icon should be in the notification area
    int trayRetries_ = 0;       // adds still to try while the shell is not up
    bool inTick_ = false;
};

// Control ids of the arrays.
constexpr int Check1(int i) { return 1000 + i; }
constexpr int Text1(int i) { return 1010 + i; }
constexpr int Labday(int i) { return 1020 + i; }
