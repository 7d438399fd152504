#pragma once

#include "app/form_state.h"
#include "app/panel.h"
#include "download/picture_queue.h"
#include "platform/desktop.h"
#include "platform/system.h"
#include "platform/transfer.h"
#include "platform/window.h"
#include "scheduler/acquisition.h"
#include "scheduler/tick.h"
#include "sound/sound.h"
#include "tray/menu.h"
#include "tray/tray.h"
#include "wallpaper/rotation.h"

// The main window's logic: the state that the subsystems share and one
// member per event, each handing the event to the subsystem that owns it.
// The Windows layer owns the real window and calls these members.
class Frmmain : public FormState {
public:
    Frmmain(Window& ui, System& sys, Desktop& desk, Transfer& transfer);
    Frmmain(const Frmmain&) = delete;
    Frmmain& operator=(const Frmmain&) = delete;

    // Before the window exists: false when another instance runs, and this one ends.
    bool ShouldStart();

    void Form_Load();
    void Form_Unload();
    // The close box, or the session ending: the program ends.
    void Form_Close();
    void Form_Resize();
    // An event of the tray icon (a mouse message number).
    void Form_MouseMove(int event);
    void TaskbarCreated();
    void TimerFired(Timer timer);
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

    // Events of the controls, by control id.
    void ControlClick(int id);
    // Returns the character to pass on; 0 discards it.
    int ControlKeyPress(int id, int ch);
    void ControlGotFocus(int id);
    void ControlLostFocus(int id);
    void ControlMouseMove(int id);
    // A key going down on control `id`; true when the window handled it.
    bool KeyDown(int id, int vk, bool shift);
    // Alt and a letter; true when a control has it as its access key.
    bool AccessKey(wchar_t ch);

    void Cmdok_Click(int index);
    void mnwall_Click(int index);
    void ShowTrayTip(const std::wstring& text, const std::wstring& action) {
        tray_.ShowTrayTip(text, action);
    }

private:
    // Sets the window state; a change runs the resize handling.
    void SetWindowState(WindowState state);

    Window& ui_;
    System& sys_;
    Sound sound_;
    SettingsPanel panel_;
    Tray tray_;
    Rotation rotation_;
    MenuCommands menu_;
    WallpaperDownloads downloads_;
    Acquisition acquisition_;
    TimedDuties duties_;
    Scheduler scheduler_;
};
