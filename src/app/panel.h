#pragma once

#include <array>
#include <span>
#include <string>

#include "platform/system.h"
#include "platform/window.h"

// Check1(0..4) and Text1(0..5) by what each holds.
namespace box {
inline constexpr int kRandomOrder = 0, kLocalOnly = 1, kReminder = 2, kChime = 3, kShutdown = 4;
inline constexpr int kChecks = 5;
inline constexpr int kInterval = 0, kReminderHour = 1, kReminderMinute = 2, kReminderText = 3,
                     kShutdownHour = 4, kShutdownMinute = 5;
inline constexpr int kTexts = 6;
}  // namespace box

namespace panel {
// The number that the leading digits of a text spell; 0 when it has none.
long long LeadingNumber(const std::wstring& text);
// An hour or minute box is rejected when its value exceeds the limit and its
// text is not exactly two characters long.
bool TimeBoxRejected(const std::wstring& text, int limit);
// The control after `current` in tab order that can take the focus; the
// first one when `current` is not in the order.
int NextInTabOrder(std::span<const int> order, int current, bool backwards, bool (*canFocus)(int, void*),
                   void* context);
}  // namespace panel

// The settings panel: the check boxes and text boxes that are the program's
// live settings, their rules, and the store behind OK.
class SettingsPanel {
public:
    SettingsPanel(Window& ui, System& sys) : ui_(ui), sys_(sys) {}

    // Puts the stored settings into the controls, each on its own.
    void Load();

    // The live settings, by name. A box counts as on only when ticked; a
    // greyed one (a stored 2) is not on, except that it still keeps the
    // pictures local.
    bool RandomOrder() const { return Check(box::kRandomOrder) == 1; }
    bool LocalOnly() const { return Check(box::kLocalOnly) != 0; }
    bool ReminderOn() const { return Check(box::kReminder) == 1; }
    bool ChimeOn() const { return Check(box::kChime) == 1; }
    bool ShutdownOn() const { return Check(box::kShutdown) == 1; }
    std::wstring IntervalText() const { return Text(box::kInterval); }
    std::wstring ReminderHour() const { return Text(box::kReminderHour); }
    std::wstring ReminderMinute() const { return Text(box::kReminderMinute); }
    // The reminder's message, or the program, file or address it opens.
    std::wstring ReminderTarget() const { return Text(box::kReminderText); }
    std::wstring ShutdownHour() const { return Text(box::kShutdownHour); }
    std::wstring ShutdownMinute() const { return Text(box::kShutdownMinute); }
    // As a click would, with the click handling.
    void SetLocalOnly() { SetCheck(box::kLocalOnly, 1); }
    void SwitchReminderOff() { SetCheck(box::kReminder, 0); }

    void Check1_Click(int index);
    // A user's click on a check box: the box takes its next state first.
    void Check1_UserClick(int index);
    // Return the character to pass on; 0 discards it.
    int Check1_KeyPress(int index, int key);
    int Text1_KeyPress(int index, int key);
    void Text1_GotFocus(int index);
    void Text1_LostFocus(int index);
    // OK (0) or Cancel (1); true when the visit ends and the window goes.
    bool Cmdok_Click(int index);

    // The settings window opens: remember the boxes for Cancel.
    void RememberChecks();
    // The Tab key: the focus moves on in tab order past disabled controls.
    void TabKey(bool backwards);

private:
    // Check1(index) and Text1(index) as the control arrays number them.
    int Check(int index) const;
    std::wstring Text(int index) const;
    // Sets a check box; a change runs its click handling, as a click would.
    void SetCheck(int index, int value);

    Window& ui_;
    System& sys_;
    std::array<std::wstring, box::kChecks> tags_;  // each box's state when the window opened
};
