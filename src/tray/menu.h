#pragma once

#include <functional>
#include <string>

#include "app/form_state.h"
#include "platform/system.h"
#include "platform/window.h"

namespace menu {
inline constexpr int kItems = 11;
// Captions of mnwall(0..10); "-" is a separator.
extern const wchar_t* const kCaptions[kItems];
inline constexpr int kSettings = 0;
inline constexpr int kQuit = 10;

inline constexpr const wchar_t* kHomePage = L"http://qingchuang.example/";
inline constexpr const wchar_t* kMailAddress = L"author@qingchuang.example";
inline constexpr const wchar_t* kDisplaySettings = L"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0";

// "晴窗画匣 V1.82": the minor number with at least two digits.
std::wstring VersionLine(int major, int minor);
std::wstring AboutText(int major, int minor);

// The last four characters of a text (all of it when shorter).
std::wstring LastFour(const std::wstring& text);
// The first free numbered picture file for the entry with n from 10 up;
// empty when every 16-bit number is taken.
std::wstring KeepCopyTarget(const std::wstring& appDir, const std::wstring& entry,
                            const std::function<bool(const std::wstring&)>& exists);
}  // namespace menu

// The popup menu's commands that stand alone, and the folder link label.
// The settings item and quit involve the whole window; Frmmain runs those.
class MenuCommands {
public:
    MenuCommands(Window& ui, System& sys, const FormState& form) : ui_(ui), sys_(sys), form_(form) {}

    void Run(int index);
    void Labapp_Click();
    void Labapp_MouseMove();
    void Frame1_MouseMove(int index);

private:
    void KeepCurrentWallpaper();

    Window& ui_;
    System& sys_;
    const FormState& form_;
};
