// The program's recordings, read from its file, and the talking clock heard
// through the sound server after a click on the tray icon.

#include "product.h"
#include "sound/speech.h"

using namespace e2e;

namespace {

TEST_F(ProductTest, TheRecordingsAndTheTalkingClockAfterTwoMinuteBoundaries) {
    // The 24 recordings are in the program as mono PCM.
    for (const wchar_t* name :
         {L"CLOCK", L"CLOSE",  L"DAY", L"HOUR", L"JUST", L"MESSAGE", L"MINUTE", L"MONTH",
          L"NOW",   L"ONLINE", L"T0",  L"T1",   L"T10",  L"T2",      L"T3",     L"T4",
          L"T5",    L"T6",     L"T7",  L"T8",   L"T9",   L"TODAY",   L"WEEK",   L"YEAR"}) {
        const std::string bytes = Recording(name);
        ASSERT_GT(bytes.size(), 4000u) << name << ": no word fits in that";
        // As the recordings are made: the fmt chunk first, PCM (1) with one channel.
        EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 8), "RIFFWAVEfmt ") << name;
        EXPECT_EQ(bytes.substr(20, 4), std::string("\1\0\1\0", 4)) << name << " is no mono PCM";
    }

    // Nothing else may sound: no hourly chime, no signal of a download.
    ASSERT_TRUE(WriteSetting(L"justime", L"0") && WriteSetting(L"ppdir", L"1"));
    Listener ears;
    Product app;
    app.Start();
    // Once two minute boundaries have passed since start-up (the unit tests
    // check that a click before says nothing).
    WaitForMinute(MinuteNow() + 2);
    const LocalTime clicked = Now();
    const std::int64_t at = ears.Position();
    Tray tray;
    ASSERT_TRUE(WaitUntil([&] { return tray.Icons() == 1; }) && tray.Click());
    ASSERT_EQ(MinuteSerial(Now()), MinuteSerial(clicked)) << "the click took a minute";

    // The pieces the program's own composition gives for that minute.
    std::vector<std::wstring> pieces;
    for (const auto& p : ComposeSpeech(clicked)) pieces.emplace_back(p.begin(), p.end());
    EXPECT_EQ(ears.Heard(pieces, at), "") << "the announcement for " << SpeechText(clicked);
    EXPECT_TRUE(app.Answers(30s));
}

}  // namespace
