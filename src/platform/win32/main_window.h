#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/com_library.h"
#include "platform/win32/handles.h"
#include "platform/window.h"

class Frmmain;

// The real main window with its controls. It turns window messages into
// Frmmain's events and carries out what Frmmain asks of the window.
class MainWindow : public Window {
public:
    explicit MainWindow(HINSTANCE instance);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    void Attach(Frmmain* frm) { frm_ = frm; }
    // Creates the hidden window with all its controls.
    bool Create();
    // Runs the message loop until the window is gone; returns the exit code.
    int Run();

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
    int ListCount(int id) const override;
    std::wstring ListItem(int id, int index) const override;
    void ListAdd(int id, const std::wstring& item) override;
    void ListClear(int id) override;
    int ListIndex(int id) const override;
    void SetListIndex(int id, int index) override;
    WindowState GetWindowState() const override;
    void SetWindowState(WindowState state) override;
    bool IsVisible() const override;
    void Show() override;
    void Hide() override;
    void ScreenSize(int& width, int& height) const override;
    void WindowSize(int& width, int& height) const override;
    void MoveTo(int left, int top) override;
    void Unload() override;
    void SetTimerEnabled(Timer timer, bool enabled) override;
    bool IsTimerEnabled(Timer timer) const override;
    int MsgBox(const std::wstring& text, int style, const std::wstring& title) override;
    bool NotifyIcon(int action, const TrayRecord& record) override;
    void SetForeground() override;
    void PopupMenu() override;
    void ShellOpen(const std::wstring& target) override;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT ControlMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, int id);
    bool PreTranslate(MSG& msg);
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
    RECT PlaceOf(const struct ControlSpec& c) const;
    HFONT FontOf(const struct ControlSpec& c) const;
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
    UINT dpi_ = 96;
    UINT taskbarCreated_ = 0;
    WindowState state_ = WindowState::Normal;
    bool quietResize_ = false;  // a state change asked for by Frmmain, which runs its own handler
    bool controlsMade_ = false;
    std::map<int, ControlShadow> shadow_;
    std::vector<std::wstring> list_;  // Listurl's entries and selection until it exists
    int listIndex_ = -1;
    std::map<int, SysColor> back_;
    std::set<int> timers_;
    bool underline_ = false;
    int lineHeight_ = 0;
    Font font_;
    Font underlineFont_;
    Font dayFont_;
    Icon bigIcon_;
    Icon smallIcon_;
    Menu popup_;
    ComLibrary com_;
};
