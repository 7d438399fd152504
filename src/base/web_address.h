#pragma once

#include <string_view>

// Whether a text starts with "http://" or "https://", the scheme in any case:
// the one test of a web address that the picture list, the downloads, the
// kept copies and the reminder share.
constexpr bool IsWebAddress(std::wstring_view s) {
    constexpr std::wstring_view kSchemes[] = {L"http://", L"https://"};
    for (const std::wstring_view scheme : kSchemes) {
        if (s.size() < scheme.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < scheme.size() && same; ++i) {
            const wchar_t c = s[i];
            same = (c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c) == scheme[i];
        }
        if (same) return true;
    }
    return false;
}
