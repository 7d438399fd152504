// The program's recordings, read from its file, and the talking clock heard
// through the sound server after a click on the tray icon.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "base/local_time.h"
#include "product.h"
#include "sound/speech.h"

using namespace e2e;

namespace {

std::vector<std::wstring> ResourceNames(HMODULE file, const wchar_t* type) {
    std::vector<std::wstring> names;
    EnumResourceNamesW(
        file, type,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) -> BOOL CALLBACK {
            reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(IS_INTRESOURCE(name) ? L"#" : name);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names));
    return names;
}

bool ClickTray() {
    std::vector<TrayIcon> icons;
    return WaitUntil([&] { return !(icons = TrayIcons()).empty(); }) && ClickTrayIcon(icons.back());
}

LocalTime Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return MakeTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

TEST_F(ProductTest, TheRecordingsAndTheTalkingClockAfterTwoMinuteBoundaries) {
    // All 24 recordings are in the program as mono PCM; the analysis gets them as files.
    const HMODULE exe = LoadLibraryExW(ProductPath().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);
    std::vector<std::wstring> names = ResourceNames(exe, L"WAV"),
                              expected = {L"CLOCK", L"CLOSE", L"MESSAGE", L"ONLINE", L"TODAY", L"YEAR",
                                          L"MONTH", L"DAY",   L"WEEK",    L"NOW",    L"HOUR",  L"MINUTE",
                                          L"JUST",  L"T0",    L"T1",      L"T2",     L"T3",    L"T4",
                                          L"T5",    L"T6",    L"T7",      L"T8",     L"T9",    L"T10"};
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(names, expected);
    Sandbox work(L"录音 检查");
    for (const auto& name : names) {
        const auto image = Resource(exe, name, L"WAV");
        const std::string bytes(image.begin(), image.end());
        ASSERT_GT(bytes.size(), 4000u) << name << ": no word fits in that";
        // As the recordings are made: the fmt chunk first, PCM (1) with one channel.
        EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 8), "RIFFWAVEfmt ") << name;
        EXPECT_EQ(bytes.substr(20, 4), std::string("\1\0\1\0", 4)) << name << " is no mono PCM";
        work.Write(name + L".wav", bytes);
    }

    if (!RunningUnderWine()) GTEST_SKIP() << "the recording is made by the Unix sound server";
    if (!HaveAudioDevice()) GTEST_SKIP() << "no audio device; tools/wine-env start --audio provides one";
    const std::string tool = AudioCheckTool(E2E_AUDIO_CHECK);
    Recorder recorder(tool, work.Dir());
    ASSERT_TRUE(recorder.WaitStarted()) << recorder.Stop();

    // Nothing else may sound: no hourly chime, no signal of a download.
    ASSERT_TRUE(WriteSetting(L"justime", L"0"));
    ASSERT_TRUE(WriteSetting(L"ppdir", L"1"));
    Product app;
    const std::int64_t before = MinuteNow();
    app.Start();
    const std::int64_t after = MinuteNow();
    // Start-up took its minute somewhere from `before` to `after`; a click
    // before two boundaries have passed since then says nothing.
    std::vector<std::wstring> args = {L"announce", UnixArg(recorder.File()), L"--pieces",
                                      UnixArg(work.Dir())};
    if (MinuteNow() <= before + 1) {
        args.insert(args.end(), {L"--quiet-click", std::to_wstring(recorder.Position())});
        ASSERT_TRUE(ClickTray());
    }
    if (before == after) {
        WaitForMinute(before + 1);
        args.insert(args.end(), {L"--quiet-click", std::to_wstring(recorder.Position())});
        ASSERT_TRUE(ClickTray());
    }
    WaitForMinute(after + 2);
    const LocalTime clicked = Now();
    const std::int64_t at = recorder.Position();
    ASSERT_TRUE(ClickTray());
    ASSERT_EQ(MinuteSerial(Now()), MinuteSerial(clicked)) << "the click took a minute";

    // The pieces the program's own composition gives for that minute.
    std::wstring pieces;
    for (const auto& p : ComposeSpeech(clicked)) pieces += (pieces.empty() ? L"" : L" ") + Widen(p);
    // The program's thread answers again once it is done speaking; it begins
    // within the 3 s the analysis allows.
    Pump(3s);
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(SendMessageTimeoutW(app.Window(), WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored));
    Pump(700ms);
    const std::string stopped = recorder.Stop();
    ASSERT_TRUE(stopped.starts_with("ok")) << stopped;
    app.Quit();

    args.insert(args.end(), {L"--expect", pieces, L"--click", std::to_wstring(at), L"--failed-wav",
                             UnixArg(ArtifactDir() / L"sound_test-talking-clock.wav")});
    std::string report;
    const int verdict = RunAudioCheck(tool, work.Dir(), args, report);
    std::cout << report;
    EXPECT_EQ(verdict, 0) << "the announcement for " << SpeechText(clicked) << " was not heard whole";
    FreeLibrary(exe);
}

}  // namespace
