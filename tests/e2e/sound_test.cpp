// The program's recordings, read from its file, and the talking clock heard
// through the sound server after a click on the tray icon.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "platform/local_time.h"
#include "product.h"
#include "sound/speech.h"

#ifndef E2E_AUDIO_CHECK
#define E2E_AUDIO_CHECK nullptr
#endif

using namespace e2e;

namespace {

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
    std::vector<std::wstring> names = ResourceNames(exe, L"WAV"), expected = {
        L"CLOCK", L"CLOSE", L"MESSAGE", L"ONLINE", L"TODAY", L"YEAR", L"MONTH", L"DAY", L"WEEK", L"NOW", L"HOUR",
        L"MINUTE", L"JUST", L"T0", L"T1", L"T2", L"T3", L"T4", L"T5", L"T6", L"T7", L"T8", L"T9", L"T10"};
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(names, expected);
    Sandbox work(L"录音 检查");
    for (const auto& name : names) {
        const auto image = Resource(exe, name, L"WAV");
        const auto wav = ReadWav(image);
        ASSERT_TRUE(wav) << name << " is no RIFF/WAVE image";
        EXPECT_EQ(wav->format_tag, 1) << name;
        EXPECT_EQ(wav->channels, 1) << name;
        EXPECT_EQ(wav->block_align * 8, wav->bits) << name;
        EXPECT_EQ(wav->byte_rate, wav->rate * wav->block_align) << name;
        EXPECT_GT(wav->Seconds(), 0.2) << name;
        work.Write(name + L".wav", {reinterpret_cast<const char*>(image.data()), image.size()});
    }

    if (!RunningUnderWine()) GTEST_SKIP() << "the recording is made by the Unix sound server";
    if (!HaveAudioDevice()) GTEST_SKIP() << "no audio device; tools/wine-env start --audio provides one";
    const std::string tool = AudioCheckTool(E2E_AUDIO_CHECK);
    Recorder recorder(tool, work.Dir());
    ASSERT_TRUE(recorder.WaitStarted()) << recorder.Status();

    // Nothing else may sound: no hourly chime, no signal of a download.
    ASSERT_TRUE(WriteSetting(L"justime", L"0"));
    ASSERT_TRUE(WriteSetting(L"ppdir", L"1"));
    Product app;
    const std::int64_t before = MinuteNow();
    app.Start();
    const std::int64_t after = MinuteNow();
    // Start-up took its minute somewhere from `before` to `after`; a click
    // before two boundaries have passed since then says nothing.
    std::vector<std::wstring> args = {L"announce", UnixArg(recorder.File()), L"--pieces", UnixArg(work.Dir())};
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
    double seconds = 0;
    std::wstring pieces;
    for (const auto& p : ComposeSpeech(clicked)) {
        seconds += ReadWav(Resource(exe, Widen(p), L"WAV")).value_or(WavImage{}).Seconds();
        pieces += (pieces.empty() ? L"" : L" ") + Widen(p);
    }
    Pump(Millis(static_cast<int>(1000 * seconds) + 1500));
    // The program's thread answers again once it is done speaking.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(SendMessageTimeoutW(app.Window(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored));
    Pump(700ms);
    ASSERT_TRUE(recorder.Stop()) << recorder.Status();
    app.Quit();

    args.insert(args.end(), {L"--expect", pieces, L"--click", std::to_wstring(at), L"--failed-wav",
                             UnixArg(ArtifactDir() / L"sound_test-talking-clock.wav")});
    const CheckResult check = RunAudioCheck(tool, work.Dir(), args);
    std::cout << check.report;
    ASSERT_TRUE(check.finished) << check.report;
    EXPECT_EQ(check.exit_code, 0) << "the announcement for " << SpeechText(clicked) << " was not heard whole";
    FreeLibrary(exe);
}

}  // namespace
