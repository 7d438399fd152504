#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "platform/window.h"
#include "win32/com_library.h"
#include "win32/common_controls.h"
#include "win32/dpi.h"
#include "win32/handles.h"
#include "win32/message_pump.h"
#include "win32/tray_icon.h"

class Frmmain;
struct ControlSpec;

// The real main window with its controls. It turns window messages into
// Frmmain's events and carries out what Frmmain asks of the window.
// main_window.cpp: creation and message dispatch; controls.cpp: the controls
// and their state; look.cpp: DPI, sizes, place, fonts, colours, icons;
// tray_menu.cpp: the notification icon's record (to TrayIcon), the popup menu
// and the shell; message_loop.cpp: the loop (MessagePump) and the keys the
// window handles for its controls.
class MainWindow : public Window {
public:
    explicit MainWindow(HINSTANCE instance);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    void Attach(Frmmain* frm) { frm_ = frm; }
    // Creates the hidden window; its controls come when it is first shown.
    bool Create();
    // Runs the message loop until the window is gone; returns the exit code.
    int Run();
    // The thread's pump, for the loops that wait for something else.
    MessagePump& Pump() { return pump_; }

    int GetValue(int id) const override;
    void SetValue(int id, int value) override;
    std::wstring GetText(int id) const override;
    void SetText(int id, const std::wstring& text) override;
    bool IsEnabled(int id) const override;
    void SetEnabled(int id, bool enabled) override;
    void SetBackColor(int id, SysColor color) override;
    void SetUnderline(int id, bool underline) override;
    int GetFocus() const override;
    void SetFocus(int id) override;
    void PostTab() override;
    WindowState GetWindowState() const override;
    void SetWindowState(WindowState state) override;
    void Show(int focus) override;
    void Hide() override;
    void ScreenSize(int& width, int& height) const override;
    void WindowSize(int& width, int& height) const override;
    void MoveTo(int left, int top) override;
    void Unload() override;
    void SetTimer(Timer timer, int periodMs) override;
    void KillTimer(Timer timer) override;
    void DoEvents() override;
    int MsgBox(const std::wstring& text, int style, const std::wstring& title) override;
    bool NotifyIcon(int action, const TrayRecord& record) override;
    void PopupMenu() override;
    void ShellOpen(const std::wstring& target) override;

private:
    // No WS_CLIPCHILDREN: the frames do not paint their inside, the window does.
    static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    static constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                        DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleCommand(WPARAM wp, LPARAM lp);
    LRESULT HandleColor(HDC dc, HWND control);
    void FrameMouseMove(LPARAM lp);
    LRESULT ControlMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, int id);
    // The keys the window handles for its controls; true when it took the message.
    bool PreTranslate(MSG& msg);

    // The controls are made when the window is first shown; until then their
    // state is kept here, so that start-up stays short and small.
    struct ControlShadow {
        int value = 0;
        std::wstring text;
        bool enabled = true;
    };
    void MakeControls();
    const ControlShadow& Shadow(int id) const;
    void CreateControls();
    void CreateTooltips();
    void CreateMenus();

    RECT PlaceOf(const ControlSpec& c) const;
    HFONT FontOf(const ControlSpec& c) const;
    void SizeWindow();
    void LayOut();
    void MakeFonts();
    void MakeIcons();
    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND lastFocus_ = nullptr;  // the control to focus when the window is next activated
    Frmmain* frm_ = nullptr;
    UINT dpi_ = kDefaultDpi;
    WindowState state_ = WindowState::Normal;
    bool quietResize_ = false;  // a state change asked for by Frmmain, which runs its own handler
    bool controlsMade_ = false;
    std::map<int, ControlShadow> shadow_;
    std::map<int, SysColor> back_;
    bool underline_ = false;
    int lineHeight_ = 0;
    Font font_;
    Font underlineFont_;
    Font dayFont_;
    Icon bigIcon_;
    Icon smallIcon_;
    Menu popup_;
    TrayIcon tray_;
    ComLibrary com_;
    CommonControls controls_;
    MessagePump pump_{[this](MSG& m) { return PreTranslate(m); }};
};
