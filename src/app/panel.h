#pragma once

#include <array>
#include <span>
#include <string>

#include "platform/system.h"
#include "platform/window.h"

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

    // The live settings, as the other subsystems read them.
    int Check(int index) const;
    std::wstring Text(int index) const;
    // Sets a check box; a change runs its click handling, as a click would.
    void SetCheck(int index, int value);

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
    Window& ui_;
    System& sys_;
    std::array<std::wstring, 5> tags_;  // each box's state when the window opened
};
