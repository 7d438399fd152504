#pragma once

// Popup menus (#32768 windows) of another process, chosen the way a
// user would: keys posted to the menu or a click on an item.
//
// Windows lets another process read a menu through MN_GETHMENU and
// GetMenuStringW; Wine keeps menus in the owning process, so there the
// handle is all one gets. What the menu shows is checked instead against a
// reference menu with the expected items that this process shows at the same
// place: same pixels, same items; its item rectangles are where to click.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "support/driver.h"

namespace e2e {

// The visible popup menu of the process, or nullptr after the timeout.
HWND FindPopupMenu(DWORD pid, Millis timeout = kTimeout);
// The menu handle the window shows (MN_GETHMENU), or nullptr.
HMENU MenuOf(HWND menu_window);

// A menu this process showed: its picture and the rectangles of its items,
// relative to the menu window's top-left corner.
struct MenuPicture {
    Image image;
    std::vector<RECT> items;
};

// Shows a popup menu with the captions ("-" for a separator) at `at`, the way
// TrackPopupMenu without flags does, captures it and closes it again.
std::optional<MenuPicture> ShowReferenceMenu(const std::vector<std::wstring>& captions, POINT at);

// What the window shows once two captures in a row agree (it has finished
// painting); empty after the timeout.
std::optional<Image> SettledCapture(HWND hwnd, Millis timeout = 5s);

// Number of pixels in which the two pictures differ; -1 when their sizes do.
long PixelsDiffering(const Image& a, const Image& b);

// Presses and releases a key on the menu (posted to the menu window, whose
// thread runs the menu).
bool PressMenuKey(HWND menu_window, UINT vk);
// Chooses the item whose access key is `key` (a letter or digit).
bool ChooseByAccessKey(HWND menu_window, wchar_t key);
// Down `downs` times, then Enter. With no item selected the first Down
// selects the first item; separators are passed over.
bool ChooseByArrows(HWND menu_window, int downs);
// Clicks with the left button in the middle of `item` (relative to the menu
// window, as MenuPicture::items): the pointer moves there and the button goes
// down and up, as the mouse sends it.
bool ClickMenuItem(HWND menu_window, const RECT& item);
// Moves the pointer to `at` (screen coordinates) and clicks the left button there.
bool ClickScreenAt(POINT at);
// Closes the menu with Escape and waits until it is gone.
bool CloseMenu(HWND menu_window);

}  // namespace e2e
