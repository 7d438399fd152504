#pragma once

// The program started from a fresh folder whose name has Chinese characters
// and a blank, and ended cleanly (or killed) when the test is done. Each test
// starts from an empty settings store and leaves none behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "app/control_ids.h"
#include "sound/wav.h"
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

// What the program plays, recorded from construction on through the sound
// server (tools/audio-check), where this machine has one.
class Listener {
public:
    Listener() : tool_(AudioCheckTool(E2E_AUDIO_CHECK)) {
        if (!RunningUnderWine() || !HaveAudioDevice()) return;
        recorder_.emplace(tool_, box_.Dir());
        on_ = recorder_->WaitStarted();
    }
    bool On() const { return on_; }
    std::int64_t Position() const { return on_ ? recorder_->Position() : 0; }
    // Ends the recording; "" when the program's recording `name` sounded whole
    // and alone, beginning within `late` after the position `from`, else why not.
    std::string HeardAlone(const std::wstring& name, std::int64_t from, Millis late = 3s) {
        if (!on_) return "nothing was recorded";
        const HMODULE exe = LoadLibraryExW(ProductPath().c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        const auto bytes = Resource(exe, name, L"WAV");
        const std::vector<std::uint8_t> wav(bytes.begin(), bytes.end());
        FreeLibrary(exe);
        box_.Write(name + L".wav", std::string(wav.begin(), wav.end()));
        // Until it has surely ended, with the silence after it that is checked too.
        const auto info = ParseWav(wav);
        if (!info) return "the program holds no such recording";
        const std::int64_t frames = info->data.size() / info->format.blockAlign;
        const std::int64_t end = from + (late.count() / 1000 + 1) * Recorder::kRate +
                                 frames * Recorder::kRate / info->format.sampleRate;
        WaitUntil([&] { return recorder_->Position() >= end; }, late + 60s);
        const std::string stopped = recorder_->Stop();
        if (!stopped.starts_with("ok")) return stopped;
        std::string report;
        const int verdict = RunAudioCheck(
            tool_, box_.Dir(),
            {L"announce", UnixArg(recorder_->File()), L"--pieces", UnixArg(box_.Dir()), L"--expect", name,
             L"--click", std::to_wstring(from), L"--late", std::to_wstring(late.count() / 1000.0),
             L"--failed-wav", UnixArg(ArtifactDir() / (L"heard-" + name + L".wav"))},
            report);
        return verdict == 0 ? "" : report.empty() ? "audio-check gave no report" : report;
    }

private:
    Sandbox box_{L"声音"};
    std::string tool_;
    std::optional<Recorder> recorder_;
    bool on_ = false;
};

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
