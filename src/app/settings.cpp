#include "app/settings.h"

#include <cmath>
#include <cstdlib>

#include "app/control_ids.h"
#include "app/frmmain.h"

namespace settings {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == 0x3000; }

std::optional<int> FromRadix(const std::wstring& digits, int radix) {
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    unsigned long long v = 0;
    for (wchar_t c : digits) {
        int d;
        if (c >= L'0' && c <= L'9')
            d = c - L'0';
        else if (c >= L'a' && c <= L'f')
            d = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            d = c - L'A' + 10;
        else
            return std::nullopt;
        if (d >= radix) return std::nullopt;
        v = v * radix + d;
        if (v > 0xFFFF) return std::nullopt;
    }
    // Hex and octal literals are 16-bit patterns: &HFFFF is -1.
    return static_cast<int>(static_cast<std::int16_t>(static_cast<std::uint16_t>(v)));
}

}  // namespace

std::optional<int> ToInteger(const std::wstring& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    const std::wstring s = text.substr(b, e - b);
    if (s.size() >= 2 && s[0] == L'&') {
        if (s[1] == L'H' || s[1] == L'h') return FromRadix(s.substr(2), 16);
        if (s[1] == L'O' || s[1] == L'o') return FromRadix(s.substr(2), 8);
        return std::nullopt;
    }
    // Validate the decimal form by hand; strtod alone would take "inf", hex
    // floats and trailing garbage.
    std::string ascii;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ascii += static_cast<char>(s[i++]);
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= L'0' && s[i] <= L'9') ascii += static_cast<char>(s[i++]), ++digits;
    if (i < s.size() && s[i] == L'.') {
        ascii += '.';
        ++i;
        while (i < s.size() && s[i] >= L'0' && s[i] <= L'9') ascii += static_cast<char>(s[i++]), ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == L'e' || s[i] == L'E')) {
        ascii += 'e';
        ++i;
        if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ascii += static_cast<char>(s[i++]);
        std::size_t expDigits = 0;
        while (i < s.size() && s[i] >= L'0' && s[i] <= L'9') ascii += static_cast<char>(s[i++]), ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != s.size() || ascii.size() > 400) return std::nullopt;
    const double v = std::strtod(ascii.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    const double r = std::nearbyint(v);  // the default rounding: half to even
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<int>(r);
}

std::optional<int> ToCheckState(const std::wstring& text) {
    const auto v = ToInteger(text);
    if (!v || *v < 0 || *v > 2) return std::nullopt;
    return v;
}

}  // namespace settings

void Frmmain::LoadSettings() {
    using namespace settings;
    // Each value in its own step: one bad value touches only its own control.
    for (int i = 0; i < 5; ++i) {
        try {
            const auto text = sys_.GetSetting(kApp, kSection, kCheckKeys[i].name).value_or(kCheckKeys[i].fallback);
            if (const auto state = ToCheckState(text)) SetCheck(i, *state);
        } catch (...) {
        }
    }
    for (int i = 0; i < 6; ++i) {
        try {
            ui_.SetText(Text1(i), sys_.GetSetting(kApp, kSection, kTextKeys[i].name).value_or(kTextKeys[i].fallback));
        } catch (...) {
        }
    }
}

void Frmmain::Cmdok_Click(int index) {
    using namespace settings;
    if (index == 0) {
        const std::wstring prompt =
            L"   你要让设定在以后每次打开本软件时都有效吗？如果是就    \r\n"
            L"请按'确定'，如果只想让设定本次有效，请按'取消'。    ";
        if (ui_.MsgBox(prompt, mb::kOkCancel + mb::kInformation, L"提示") == mb::kAnswerOk) {
            // A failed write loses only that value; the others are still written.
            for (int i = 0; i < 5; ++i)
                sys_.SaveSetting(kApp, kSection, kCheckKeys[i].name, std::to_wstring(ui_.GetValue(Check1(i))));
            for (int i = 0; i < 6; ++i) sys_.SaveSetting(kApp, kSection, kTextKeys[i].name, ui_.GetText(Text1(i)));
        }
    } else if (index == 1) {
        for (int i = 0; i < 5; ++i)
            if (const auto state = ToCheckState(Check1Tag[i])) SetCheck(i, *state);
    } else {
        return;
    }
    if (ui_.GetText(Text1(1)).empty() || ui_.GetText(Text1(2)).empty() || ui_.GetText(Text1(3)).empty())
        SetCheck(2, 0);
    if (ui_.GetText(Text1(4)).empty() || ui_.GetText(Text1(5)).empty()) SetCheck(4, 0);
    SetWindowState(WindowState::Minimized);
    ui_.Hide();
}
