#pragma once

// The program started from a fresh folder whose name has Chinese characters
// and a blank, and ended cleanly (or killed) when the test is done. Each test
// starts from an empty settings store and leaves none behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/control_ids.h"
#include "support/driver.h"

namespace e2e {

inline int Check(int i) { return ID_CHECK1_0 + i; }
inline int Text1(int i) { return ID_TEXT1_0 + i; }

class Product {
public:
    Product() {
        if (!CopyFileW(ProductPath().c_str(), Exe().c_str(), FALSE))
            throw std::runtime_error("cannot copy the program");
    }
    ~Product() {
        if (process_.Running()) Quit();
    }
    const Sandbox& Box() const { return box_; }
    fs::path Dir() const { return box_.Dir(); }
    fs::path Exe() const { return box_.Dir() / L"qingchuang.exe"; }
    Process& Proc() { return process_; }
    HWND Window() const { return window_; }
    HWND Ctl(int id) const { return Control(window_, id); }

    // Start-up is over once the window answers again: it lets go of the
    // window only when done, and the steps after the icon take milliseconds.
    void Start() {
        process_.Start(Exe());
        window_ = FindTopWindow(process_.Pid(), APP_WINDOW_CLASS);
        ASSERT_NE(window_, nullptr) << "no main window";
        WaitForInputIdle(process_.Handle(), 15000);
        DWORD_PTR r = 0;
        ASSERT_TRUE(SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r))
            << "the window hangs";
        Pump(300ms);
    }
    // The settings command of the menu; the window is ready once the first tick has filled the calendar.
    void OpenPanel() {
        ASSERT_TRUE(PostCommand(window_, ID_MNWALL_0));
        ASSERT_TRUE(WaitUntil([&] {
            const std::wstring month = Text(Ctl(ID_LABDAY_0));
            return IsWindowVisible(window_) && !month.empty() && month != L"2007年12月";
        })) << "the settings window did not open";
    }
    void Quit() {
        PostCommand(window_, ID_MNWALL_0 + 10);
        if (!process_.WaitExit(10s)) {
            ADD_FAILURE() << "the program did not end after quit";
            process_.Kill();
        }
    }
    // The program's message box with this title, once it shows.
    HWND FindBox(const std::wstring& title, Millis timeout = kTimeout) {
        HWND box = nullptr;
        WaitUntil([&] { return Text(box = FindTopWindow(process_.Pid(), L"#32770", true, 0ms)) == title; },
                  timeout);
        return box && Text(box) == title ? box : nullptr;
    }
    static std::wstring BoxText(HWND box) { return Text(GetDlgItem(box, 0xFFFF)); }
    // As a click on the button: the dialog hears of it by WM_COMMAND.
    static void Press(HWND box, int button) {
        EXPECT_TRUE(
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(box, button))));
        WaitUntil([&] { return !IsWindow(box); }, 5s);
    }
    // Presses a button of the program's message box; returns the box's message.
    std::wstring AnswerBox(int button, const std::wstring& title = L"提示") {
        HWND box = FindBox(title);
        if (!box) {
            ADD_FAILURE() << "no message box titled " << Narrow(title);
            return {};
        }
        const std::wstring text = BoxText(box);
        Press(box, button);
        return text;
    }

private:
    Sandbox box_{L"晴窗 画匣"};
    Process process_;
    HWND window_ = nullptr;
};

inline bool BalloonShows(const std::wstring& text) {
    const auto shown = Balloons();
    return std::find(shown.begin(), shown.end(), text) != shown.end();
}

// The settings the program stored, without the list server the tests give it.
inline std::map<std::wstring, std::pair<DWORD, std::wstring>> ProgramSettings() {
    auto stored = StoredSettings();
    stored.erase(L"listhost");
    return stored;
}

// Online, the program asks its list server: here one that refuses at once,
// so that no test reaches beyond this machine.
class ProductTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DeleteSettings());
        ASSERT_TRUE(WriteSetting(L"listhost", L"127.0.0.1:1"));
    }
    void TearDown() override { DeleteSettings(); }
};

}  // namespace e2e
