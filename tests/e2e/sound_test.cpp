// The program's recordings, read from its file, played through the platform,
// and the talking clock heard through the sound server.

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "base/local_time.h"
#include "product.h"
#include "sound/speech.h"
#include "support/audio.h"

#ifndef E2E_AUDIO_CHECK
#define E2E_AUDIO_CHECK nullptr
#endif

using namespace e2e;
namespace fs = std::filesystem;

namespace {

struct Recording {
    const wchar_t* name;
    std::uint32_t rate;
    std::uint16_t bits;
};

constexpr Recording kRecordings[] = {
    {L"CLOCK", 11025, 8}, {L"CLOSE", 11025, 8}, {L"MESSAGE", 11025, 8}, {L"ONLINE", 22050, 16},
    {L"TODAY", 22050, 8}, {L"YEAR", 22050, 8},  {L"MONTH", 22050, 8},   {L"DAY", 22050, 8},
    {L"WEEK", 22050, 8},  {L"NOW", 22050, 8},   {L"HOUR", 22050, 8},    {L"MINUTE", 22050, 8},
    {L"JUST", 22050, 8},  {L"T0", 22050, 8},    {L"T1", 22050, 8},      {L"T2", 22050, 8},
    {L"T3", 22050, 8},    {L"T4", 22050, 8},    {L"T5", 22050, 8},      {L"T6", 22050, 8},
    {L"T7", 22050, 8},    {L"T8", 22050, 8},    {L"T9", 22050, 8},      {L"T10", 22050, 8},
};

constexpr LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

std::string_view Bytes(std::span<const std::uint8_t> s) {
    return {reinterpret_cast<const char*>(s.data()), s.size()};
}

class ProductFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(exe_.Loaded()) << "cannot load " << ProductPath().string() << " as data";
    }
    ResourceFile exe_{ProductPath()};
};

class Recordings : public ProductFile {};
class Playback : public ProductFile {};

TEST_F(Recordings, AllTwentyFourAreFoundInEitherCaseAsChineseMonoPcm) {
    std::vector<std::wstring> expected;
    for (const auto& r : kRecordings) expected.push_back(r.name);
    std::vector<std::wstring> stored = exe_.Names(L"WAV");
    std::sort(expected.begin(), expected.end());
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, expected);

    for (const auto& r : kRecordings) {
        SCOPED_TRACE(Narrow(r.name));
        const auto upper = exe_.Find(r.name, L"WAV");
        ASSERT_FALSE(upper.empty());
        // The callers name the chime, reminder, warning and online sounds in lower case.
        const auto lower = exe_.Find(Lower(r.name), L"WAV");
        EXPECT_EQ(lower.data(), upper.data());
        EXPECT_EQ(lower.size(), upper.size());
        EXPECT_EQ(exe_.Languages(r.name, L"WAV"), std::vector<LANGID>{kChinese});
        EXPECT_FALSE(exe_.Find(r.name, L"WAV", kChinese).empty());

        const auto wav = ReadWav(upper);
        ASSERT_TRUE(wav.has_value()) << "not a RIFF/WAVE image";
        EXPECT_EQ(wav->format_tag, 1);
        EXPECT_EQ(wav->channels, 1);
        EXPECT_EQ(wav->rate, r.rate);
        EXPECT_EQ(wav->bits, r.bits);
        EXPECT_EQ(wav->block_align, r.bits / 8);
        EXPECT_EQ(wav->byte_rate, r.rate * (r.bits / 8));
        EXPECT_EQ(wav->data.size() % wav->block_align, 0u);
        // A word or a signal, not an empty or silent image.
        EXPECT_GT(wav->Seconds(), 0.2);
        EXPECT_LT(wav->Seconds(), 8.0);
        EXPECT_GT(wav->Peak(), 0.25);
    }
}

TEST_F(Recordings, OtherNamesAndTypesAreNotFound) {
    for (const wchar_t* name :
         {L"T11", L"T-1", L"T", L"TODAY ", L" TODAY", L"TODAY.WAV", L"SECOND", L"WAV", L""}) {
        EXPECT_TRUE(exe_.Find(name, L"WAV").empty()) << Narrow(name);
    }
    EXPECT_TRUE(exe_.Find(L"TODAY", L"WAVE").empty());
    EXPECT_TRUE(exe_.Find(L"TODAY", L"WAV", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)).empty());
}

TEST(ProgramFile, IsUnderOneMebibyte) {
    // With its 400 KiB of recordings: some 830 KiB for i686, 760 KiB for x86_64.
    const auto size = fs::file_size(ProductPath());
    EXPECT_LT(size, 1024u * 1024u) << size << " bytes";
}

// Wine's 64-bit wave output tells of a sound's end late, by up to some 0.95 s
// for the 11025 Hz recordings; its 32-bit one within 0.15 s.
constexpr double kLateBy = sizeof(void*) == 8 ? 1.2 : 0.3;

TEST_F(Playback, SynchronousPlayLastsAsLongAsTheSound) {
    if (!HaveAudioDevice()) GTEST_SKIP() << "no audio device; tools/wine-env start --audio provides one";
    // The first sound of a process also opens the device.
    ASSERT_TRUE(PlaySync(exe_.Find(L"T1", L"WAV")).ok);
    for (const auto& r : kRecordings) {
        const auto image = exe_.Find(Lower(r.name), L"WAV");
        const auto wav = ReadWav(image);
        ASSERT_TRUE(wav.has_value()) << Narrow(r.name);
        const PlayResult played = PlaySync(image);
        std::cout << Narrow(r.name) << ": " << wav->Seconds() << " s, played in " << played.seconds << " s\n";
        EXPECT_TRUE(played.ok) << Narrow(r.name);
        EXPECT_GE(played.seconds, wav->Seconds() - 0.02) << Narrow(r.name) << " returned before its end";
        EXPECT_LE(played.seconds, wav->Seconds() + kLateBy)
            << Narrow(r.name) << " lasts " << wav->Seconds() << " s";
    }
}

TEST_F(Playback, NoDeviceReturnsAtOnce) {
    if (HaveAudioDevice())
        GTEST_SKIP() << "an audio device exists; sound_test.nodevice.* runs this without one";
    for (const auto& r : kRecordings) {
        const PlayResult played = PlaySync(exe_.Find(r.name, L"WAV"));
        EXPECT_FALSE(played.ok) << Narrow(r.name);
        EXPECT_LT(played.seconds, 0.3) << Narrow(r.name);
    }
}

// ---- the talking clock, heard ---------------------------------------------------

bool ClickTray() {
    std::vector<TrayIcon> icons;
    return WaitUntil([&] { return !(icons = TrayIcons()).empty(); }) && ClickTrayIcon(icons.back());
}

LocalTime Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return MakeTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

TEST_F(ProductTest, TalkingClockSaysTheMinuteOfTheClickOnceTwoMinuteBoundariesHavePassed) {
    if (!RunningUnderWine()) GTEST_SKIP() << "the recording is made by the Unix sound server";
    if (!HaveAudioDevice()) GTEST_SKIP() << "no audio device; tools/wine-env start --audio provides one";
    const std::string tool = AudioCheckTool(E2E_AUDIO_CHECK);
    ASSERT_FALSE(tool.empty()) << "where is tools/audio-check? Set E2E_AUDIO_CHECK";

    // The pieces as the program carries them, for the analysis.
    Sandbox work(L"录音 检查");
    ResourceFile exe(ProductPath());
    ASSERT_TRUE(exe.Loaded());
    for (const auto& r : kRecordings)
        work.Write(std::wstring(r.name) + L".wav", Bytes(exe.Find(r.name, L"WAV")));

    Recorder recorder(tool, work.Dir());
    ASSERT_TRUE(recorder.WaitStarted()) << recorder.Status();

    // Nothing else may sound: no hourly chime, no signal of a download.
    ASSERT_TRUE(Settings().WriteString(L"setting", L"justime", L"0"));
    ASSERT_TRUE(Settings().WriteString(L"setting", L"ppdir", L"1"));
    Product app;
    const std::int64_t before = MinuteNow();
    app.Start();
    const std::int64_t after = MinuteNow();
    // Start-up took its minute somewhere from `before` to `after`.
    std::vector<std::wstring> quiet;
    if (MinuteNow() <= before + 1) {
        quiet.insert(quiet.end(), {L"--quiet-click", std::to_wstring(recorder.Position())});
        ASSERT_TRUE(ClickTray());
    }
    if (before == after) {
        // One boundary is not enough.
        WaitForMinute(before + 1);
        quiet.insert(quiet.end(), {L"--quiet-click", std::to_wstring(recorder.Position())});
        ASSERT_TRUE(ClickTray());
    }
    WaitForMinute(after + 2);
    const LocalTime clicked = Now();
    const std::int64_t at = recorder.Position();
    ASSERT_TRUE(ClickTray());
    ASSERT_EQ(MinuteSerial(Now()), MinuteSerial(clicked)) << "the click took a minute";

    const std::vector<std::string> pieces = ComposeSpeech(clicked);
    double seconds = 0;
    std::wstring names;
    for (const auto& p : pieces) {
        seconds += ReadWav(exe.Find(Widen(p), L"WAV")).value_or(WavImage{}).Seconds();
        names += (names.empty() ? L"" : L" ") + Widen(p);
    }
    Pump(Millis(static_cast<int>(1000 * seconds) + 1500));
    // The program's thread answers again once it is done speaking.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(SendMessageTimeoutW(app.Window(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored));
    Pump(700ms);
    ASSERT_TRUE(recorder.Stop()) << recorder.Status();
    app.Quit();

    std::vector<std::wstring> args = {
        L"announce",     UnixArg(recorder.File()),
        L"--pieces",     UnixArg(work.Dir()),
        L"--expect",     names,
        L"--click",      std::to_wstring(at),
        L"--from",       std::to_wstring(at - recorder.Samples(0.1)),
        L"--failed-wav", UnixArg(ArtifactDir() / L"sound_test-talking-clock.wav")};
    args.insert(args.end(), quiet.begin(), quiet.end());
    const CheckResult check = RunAudioCheck(tool, work.Dir(), args);
    std::cout << check.report;
    ASSERT_TRUE(check.finished) << check.report;
    EXPECT_EQ(check.exit_code, 0) << "the announcement for " << Narrow(SpeechText(clicked))
                                  << " was not heard whole";
}

}  // namespace
