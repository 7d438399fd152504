#include "app/settings.h"

#include <cmath>
#include <cstdlib>

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
