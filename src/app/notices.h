#pragma once

#include <string>

// What the subsystems tell the user through the notification-area icon; the
// tray shows it.
class Notices {
public:
    virtual ~Notices() = default;
    // Refills the icon's record and adds the icon (action "0") or shows a new
    // balloon on it ("1").
    virtual void ShowTrayTip(const std::wstring& text, const std::wstring& action) = 0;
    // A line under the program's name in the icon's tip; empty for none.
    virtual void SetProgress(const std::wstring& line) = 0;
};
