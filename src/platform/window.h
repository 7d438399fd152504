#pragma once

#include <string>

#include "platform/types.h"

// What the program's logic needs of its one window and its controls.
// Controls are addressed by the ids of app/control_ids.h. Setting a value
// never raises an event: the logic raises its own handlers where the
// original events would fire.
class Window {
public:
    virtual ~Window() = default;

    // Check boxes: 0 clear, 1 checked, 2 greyed.
    virtual int GetValue(int id) const = 0;
    virtual void SetValue(int id, int value) = 0;

    virtual std::wstring GetText(int id) const = 0;
    virtual void SetText(int id, const std::wstring& text) = 0;

    virtual bool IsEnabled(int id) const = 0;
    virtual void SetEnabled(int id, bool enabled) = 0;
    virtual void SetBackColor(int id, SysColor color) = 0;
    virtual void SetUnderline(int id, bool underline) = 0;

    // Id of the control that has the focus, 0 when none of ours has it.
    virtual int GetFocus() const = 0;
    virtual void SetFocus(int id) = 0;
    // Posts a Tab keystroke to the focused control.
    virtual void PostTab() = 0;

    // The window itself. Sizes in pixels of the screen the window is on.
    virtual WindowState GetWindowState() const = 0;
    virtual void SetWindowState(WindowState state) = 0;
    // Shows the window; `focus` gets the focus unless one of the window's
    // controls has it already, and keeps it across activations.
    virtual void Show(int focus) = 0;
    virtual void Hide() = 0;
    virtual void ScreenSize(int& width, int& height) const = 0;
    virtual void WindowSize(int& width, int& height) const = 0;
    virtual void MoveTo(int left, int top) = 0;
    // Destroys the window; the program ends after Form_Unload has run.
    virtual void Unload() = 0;

    // Starts (or restarts) a timer with its period; stops one.
    virtual void SetTimer(Timer timer, int periodMs) = 0;
    virtual void KillTimer(Timer timer) = 0;

    // Lets the window's pending messages run (timers among them).
    virtual void DoEvents() = 0;

    // A modal message box; returns the answer (mb::kAnswerOk ...).
    virtual int MsgBox(const std::wstring& text, int style, const std::wstring& title) = 0;

    // The notification-area icon; false when the shell refused the call.
    virtual bool NotifyIcon(int action, const TrayRecord& record) = 0;
    // Pops the menu up at the mouse pointer; a chosen item comes back later
    // as mnwall_Click.
    virtual void PopupMenu() = 0;

    // Shell "open" on a file, folder or address, shown normally.
    virtual void ShellOpen(const std::wstring& target) = 0;
};
