#pragma once

// The product started in a sandbox folder of its own, with a clean settings
// key, and ended cleanly (or killed) when the test is done.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "support/driver.h"

namespace e2e {

inline const VbSettings& Settings() {
    static const VbSettings settings(L"ravek");
    return settings;
}

class Product {
public:
    explicit Product(std::wstring_view folder = L"晴窗 画匣") : box_(Sandbox::WithProduct({}, folder)) {}
    // With copies of the named files from beside the product, such as help.chm.
    Product(const std::vector<std::wstring>& extra_files, std::wstring_view folder)
        : box_(Sandbox::WithProduct(extra_files, folder)) {}
    ~Product() {
        if (process_.Valid() && process_.Running()) Quit();
    }

    Sandbox& Box() { return box_; }
    std::filesystem::path Dir() const { return box_.Dir(); }
    Process& Proc() { return process_; }
    HWND Window() const { return window_; }
    HWND Ctl(int id) const { return Control(window_, id); }

    // Starts the program and waits until its start-up is done: the window
    // answers messages again once start-up has let go of it, and the few
    // steps after the tray icon take milliseconds.
    void Start() {
        process_ = Process::Start(box_.Exe());
        window_ = FindTopWindow(process_.Pid(), APP_WINDOW_CLASS);
        ASSERT_NE(window_, nullptr) << "no main window";
        process_.WaitInputIdle();
        DWORD_PTR r = 0;
        ASSERT_TRUE(SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r)) << "the window hangs";
        Pump(300ms);
    }

    // The settings window shows the controls; they are made when it opens.
    // Once the first tick has filled the calendar, start-up is surely over.
    void StartAndOpenPanel() {
        Start();
        OpenPanel();
        ASSERT_TRUE(WaitUntil(
            [&] {
                const std::wstring t = Text(Ctl(ID_LABDAY_0));
                return !t.empty() && t != L"2007年12月";
            },
            10s))
            << "the calendar was not filled";
    }

    // The settings command of the menu, as choosing it sends it.
    void OpenPanel() {
        ASSERT_TRUE(PostCommand(window_, ID_MNWALL_0 + 0));
        ASSERT_TRUE(WaitUntil([&] { return Visible(window_); })) << "the settings window did not open";
    }

    // The quit command of the menu; waits until the program has ended.
    void Quit() {
        PostCommand(window_, ID_MNWALL_0 + 10);
        if (!process_.WaitExit(10s)) {
            ADD_FAILURE() << "the program did not end after quit";
            process_.Kill();
        }
    }

    // Presses a button of the program's message box and returns the box's text.
    std::wstring AnswerBox(int button, const std::wstring& title = L"提示") {
        HWND box = FindMessageBox(process_.Pid(), kTimeout, title);
        if (!box) {
            ADD_FAILURE() << "no message box titled " << Narrow(title);
            return {};
        }
        const std::wstring text = MessageBoxText(box);
        EXPECT_TRUE(PressButton(box, button));
        WaitUntil([&] { return !IsWindow(box); }, 5s);
        return text;
    }

private:
    Sandbox box_;
    Process process_;
    HWND window_ = nullptr;
};

// Each test starts from an empty settings store and leaves none behind.
class ProductTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Settings().Delete()); }
    void TearDown() override { Settings().Delete(); }
};

}  // namespace e2e
