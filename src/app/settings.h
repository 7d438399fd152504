#pragma once

#include <optional>
#include <string>

// The settings store: application, section and the eleven keys in load order.
namespace settings {
inline constexpr const wchar_t* kApp = L"ravek";
inline constexpr const wchar_t* kSection = L"setting";

struct StoredValue {
    const wchar_t* name;
    const wchar_t* fallback;  // the default, as the store hands it back
};
// rndshow, ppdir, tiptime, justime, autoshut: Check1(0..4).
inline constexpr StoredValue kCheckKeys[5] = {
    {L"rndshow", L"0"}, {L"ppdir", L"0"}, {L"tiptime", L"0"}, {L"justime", L"1"}, {L"autoshut", L"0"}};
// chgtime, tiptime1, tiptime2, tiptime3, shutime1, shutime2: Text1(0..5).
inline constexpr StoredValue kTextKeys[6] = {{L"chgtime", L"5"},   {L"tiptime1", L""},
                                             {L"tiptime2", L""},   {L"tiptime3", L"在此输入提醒内容"},
                                             {L"shutime1", L"17"}, {L"shutime2", L"30"}};
// The list server's host, and a list's whole address (a feed's among them),
// which comes first: read at start-up, never written.
inline constexpr const wchar_t* kListHost = L"listhost";
inline constexpr const wchar_t* kListUrl = L"listurl";

// A stored text as a 16-bit integer the way the settings were always read:
// blanks around it allowed, a fraction rounded half to even, &H and &O
// prefixes for hex and octal. nullopt when it is no number or out of range.
std::optional<int> ToInteger(const std::wstring& text);

// A stored check-box state: 0, 1 or 2, otherwise nullopt.
std::optional<int> ToCheckState(const std::wstring& text);
}  // namespace settings
