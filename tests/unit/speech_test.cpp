#include "sound/speech.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using Pieces = std::vector<std::string>;

// With the weekday as the examples give it, not as computed from the date.
LocalTime At(int y, int mo, int d, int weekday, int h, int mi) {
    LocalTime t = MakeTime(y, mo, d, h, mi);
    t.weekday = weekday;
    return t;
}

// How a Chinese speaker reads the moment aloud, built from numbers rather
// than from characters of the formatted text.
const std::wstring kDigits = L"零一二三四五六七八九";

std::wstring Number(int n) {  // 0..99
    std::wstring s;
    if (n >= 20) s += kDigits[n / 10];
    if (n >= 10) s += L'十';
    if (n % 10 != 0 || n == 0) s += kDigits[n % 10];
    return s;
}

std::wstring Sentence(const LocalTime& t) {
    std::wstring s = L"今天是";
    for (int div = 1000; div >= 1; div /= 10) s += kDigits[t.year / div % 10];
    s += L"年" + Number(t.month) + L"月" + Number(t.day) + L"日";
    s += L"星期";
    s += L"日一二三四五六"[t.weekday];
    s += L"现在时间是" + Number(t.hour) + L"点";
    if (t.minute == 0)
        s += L"整";
    else
        s += (t.minute < 10 ? L"零" : L"") + Number(t.minute) + L"分";
    return s;
}

// Splits a sentence into the recordings that say it.
Pieces Recordings(const std::wstring& sentence) {
    static const std::vector<std::pair<std::wstring, std::string>> words = {
        {L"今天是", "TODAY"}, {L"现在时间是", "NOW"}, {L"星期", "WEEK"}, {L"年", "YEAR"}, {L"月", "MONTH"},
        {L"日", "DAY"},       {L"点", "HOUR"},        {L"分", "MINUTE"}, {L"整", "JUST"}, {L"十", "T10"},
    };
    Pieces out;
    for (std::size_t i = 0; i < sentence.size();) {
        const auto d = kDigits.find(sentence[i]);
        if (d != std::wstring::npos) {
            out.push_back("T" + std::to_string(d));
            ++i;
            continue;
        }
        auto w = std::find_if(words.begin(), words.end(), [&](const auto& e) {
            return sentence.compare(i, e.first.size(), e.first) == 0;
        });
        if (w == words.end()) {
            out.push_back("?");
            ++i;
        } else {
            out.push_back(w->second);
            i += w->first.size();
        }
    }
    return out;
}

Pieces AfterNow(const Pieces& p) {
    auto it = std::find(p.begin(), p.end(), "NOW");
    return it == p.end() ? Pieces{} : Pieces(it + 1, p.end());
}

}  // namespace

TEST(ComposeSpeech, WorkedAnnouncements) {
    struct Case {
        LocalTime t;
        Pieces expected;
    };
    const Case cases[] = {
        {At(2008, 12, 20, 6, 14, 5),
         {"TODAY", "T2",   "T0", "T0",  "T8",  "YEAR", "T10",  "T2", "MONTH", "T2",    "T10",
          "DAY",   "WEEK", "T6", "NOW", "T10", "T4",   "HOUR", "T0", "T5",    "MINUTE"}},
        {At(2010, 1, 1, 5, 10, 0),
         {"TODAY", "T2", "T0", "T1", "T0", "YEAR", "T1", "MONTH", "T1", "DAY", "WEEK", "T5", "NOW", "T10",
          "HOUR", "JUST"}},
        {At(2010, 10, 10, 0, 20, 30),
         {"TODAY", "T2", "T0", "T1", "T0", "YEAR", "T10", "MONTH", "T10", "DAY", "WEEK", "DAY", "NOW", "T2",
          "T10", "HOUR", "T3", "T10", "MINUTE"}},
        {At(2007, 5, 31, 4, 0, 7),
         {"TODAY", "T2",  "T0",   "T0", "T7",  "YEAR", "T5",   "MONTH", "T3", "T10",
          "T1",    "DAY", "WEEK", "T4", "NOW", "T0",   "HOUR", "T0",    "T7", "MINUTE"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ComposeSpeech(c.t), c.expected) << c.t.year << "-" << c.t.month;
}

TEST(ComposeSpeech, EveryHourAndMinuteIsReadAsSpoken) {
    for (int h = 0; h < 24; ++h)
        for (int m = 0; m < 60; ++m) {
            const LocalTime t = At(2009, 7, 14, 2, h, m);
            ASSERT_EQ(ComposeSpeech(t), Recordings(Sentence(t))) << h << ":" << m;
        }
}

TEST(ComposeSpeech, EveryDayOfALeapAndACommonYear) {
    // Weekdays are walked from a known New Year's Day, not computed.
    const struct {
        int year;
        int newYearWeekday;
        int february;
    } years[] = {{2008, 2, 29}, {2010, 5, 28}};
    for (const auto& y : years) {
        const int lengths[] = {31, y.february, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        int weekday = y.newYearWeekday;
        int dayOfYear = 0;
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= lengths[month - 1]; ++day) {
                const LocalTime t = At(y.year, month, day, weekday, dayOfYear % 24, dayOfYear % 60);
                ASSERT_EQ(ComposeSpeech(t), Recordings(Sentence(t))) << y.year << "-" << month << "-" << day;
                weekday = (weekday + 1) % 7;
                ++dayOfYear;
            }
        EXPECT_EQ(dayOfYear, y.february == 29 ? 366 : 365);
    }
}

TEST(ComposeSpeech, WeekdayNames) {
    const Pieces names[] = {{"WEEK", "DAY"}, {"WEEK", "T1"}, {"WEEK", "T2"}, {"WEEK", "T3"},
                            {"WEEK", "T4"},  {"WEEK", "T5"}, {"WEEK", "T6"}};
    for (int wd = 0; wd < 7; ++wd) {
        const Pieces p = ComposeSpeech(At(2010, 3, 4, wd, 8, 0));
        const auto week = std::find(p.begin(), p.end(), "WEEK");
        ASSERT_NE(week, p.end());
        EXPECT_EQ(Pieces(week, week + 2), names[wd]) << wd;
    }
    // A weekday out of range still names a day instead of a missing recording.
    const Pieces odd = ComposeSpeech(At(2010, 3, 4, 8, 8, 0));
    EXPECT_EQ(*(std::find(odd.begin(), odd.end(), "WEEK") + 1), "T1");
}

TEST(ComposeSpeech, NamesOnlyExistingRecordings) {
    const std::vector<std::string> known = {"TODAY",  "YEAR", "MONTH", "DAY", "WEEK", "NOW", "HOUR",
                                            "MINUTE", "JUST", "T0",    "T1",  "T2",   "T3",  "T4",
                                            "T5",     "T6",   "T7",    "T8",  "T9",   "T10"};
    for (const LocalTime& t : {At(99999, 77, 88, -3, 99, 99), At(-5, 0, 0, 13, -7, -8), At(0, 0, 0, 0, 0, 0)})
        for (const auto& name : ComposeSpeech(t))
            EXPECT_NE(std::find(known.begin(), known.end(), name), known.end()) << name;
}
