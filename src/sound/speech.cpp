#include "sound/speech.h"

#include <cstdlib>

namespace {

// Out-of-range fields keep their lowest digits, so the text always has its
// 17 characters and every digit position holds a digit.
void AppendNumber(std::wstring& s, int value, int width) {
    int mod = 1;
    for (int i = 0; i < width; ++i) mod *= 10;
    const int v = std::abs(value % mod);
    std::wstring digits(width, L'0');
    for (int i = width - 1, rest = v; i >= 0; --i, rest /= 10)
        digits[i] = static_cast<wchar_t>(L'0' + rest % 10);
    s += digits;
}

// The recording of a number, "T0" ... "T10".
std::string Numeral(int n) {
    std::string name = "T";
    name += std::to_string(n);
    return name;
}

}  // namespace

std::wstring SpeechText(const LocalTime& t) {
    std::wstring s;
    AppendNumber(s, t.year, 4);
    s += L'年';
    AppendNumber(s, t.month, 2);
    s += L'月';
    AppendNumber(s, t.day, 2);
    s += L'日';
    AppendNumber(s, t.hour, 2);
    s += L'点';
    AppendNumber(s, t.minute, 2);
    s += L'分';
    return s;
}

std::vector<std::string> ComposeSpeech(const LocalTime& t) {
    const std::wstring text = SpeechText(t);
    // Positions count characters from 1, as the text is laid out.
    const auto at = [&](int pos) { return text[pos - 1]; };
    const auto digit = [](wchar_t c) { return Numeral(c - L'0'); };

    std::vector<std::string> p;
    const auto play = [&](std::string name) { p.push_back(std::move(name)); };

    play("TODAY");
    for (int pos = 1; pos <= 4; ++pos) play(digit(at(pos)));
    play("YEAR");

    if (at(6) != L'0') play("T10");
    if (at(7) != L'0') play(digit(at(7)));
    play("MONTH");

    if (at(9) == L'1') play("T10");
    if (at(9) == L'2') {
        play("T2");
        play("T10");
    }
    if (at(9) == L'3') {
        play("T3");
        play("T10");
    }
    if (at(10) != L'0') play(digit(at(10)));
    play("DAY");

    play("WEEK");
    const int weekday = ((t.weekday % 7) + 7) % 7;  // 0 Sunday
    play(weekday == 0 ? std::string("DAY") : Numeral(weekday));

    play("NOW");
    if (at(12) == L'0' && at(13) == L'0') play("T0");
    if (at(12) == L'1') play("T10");
    if (at(12) == L'2') {
        play("T2");
        play("T10");
    }
    if (at(13) != L'0') play(digit(at(13)));
    play("HOUR");

    const bool sharp = at(15) == L'0' && at(16) == L'0';
    if (sharp) play("JUST");
    if (at(15) == L'0' && at(16) != L'0') play("T0");
    if (at(15) == L'1') play("T10");
    if (at(15) != L'0' && at(15) != L'1') {
        play(digit(at(15)));
        play("T10");
    }
    if (at(16) != L'0') play(digit(at(16)));
    if (!sharp) play("MINUTE");
    return p;
}
