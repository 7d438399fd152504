#include "support/menu.h"

#include <atomic>
#include <thread>

namespace e2e {

namespace {

constexpr wchar_t kOwnerClass[] = L"E2eMenuOwner";

bool IsShownMenu(HWND hwnd) { return ClassName(hwnd) == L"#32768" && IsWindowVisible(hwnd); }

LPARAM KeyLParam(UINT vk, bool up) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    return 1 | scan | (up ? static_cast<LPARAM>(0xC0000000) : 0);
}

}  // namespace

HWND FindPopupMenu(DWORD pid, Millis timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopWindows(pid)) {
                if (IsShownMenu(hwnd)) {
                    found = hwnd;
                    return true;
                }
            }
            return false;
        },
        timeout, 20ms);
    return found;
}

HMENU MenuOf(HWND menu_window) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(menu_window, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 2000, &result)) {
        return nullptr;
    }
    return reinterpret_cast<HMENU>(result);
}

std::optional<MenuPicture> ShowReferenceMenu(const std::vector<std::wstring>& captions, POINT at) {
    static const ATOM owner_class = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kOwnerClass;
        return RegisterClassExW(&wc);
    }();
    if (!owner_class) {
        return std::nullopt;
    }
    HMENU menu = CreatePopupMenu();
    for (size_t i = 0; i < captions.size(); ++i) {
        const UINT_PTR id = i + 1;
        if (captions[i] == L"-") {
            AppendMenuW(menu, MF_SEPARATOR, id, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING, id, captions[i].c_str());
        }
    }
    // The menu runs its own loop in the thread that shows it; this one watches.
    std::atomic<HWND> owner = nullptr;
    std::thread shower([menu, at, &owner] {
        owner = CreateWindowExW(0, kOwnerClass, L"menu owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(owner);
        TrackPopupMenu(menu, 0, at.x, at.y, 0, owner, nullptr);
        DestroyWindow(owner);
    });
    std::optional<MenuPicture> picture;
    if (HWND shown = FindPopupMenu(GetCurrentProcessId(), 5s)) {
        const RECT frame = WindowRect(shown);
        MenuPicture p;
        if (auto image = SettledCapture(shown)) {
            p.image = std::move(*image);
        }
        for (size_t i = 0; i < captions.size(); ++i) {
            RECT r = {};
            GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &r);
            OffsetRect(&r, -frame.left, -frame.top);
            p.items.push_back(r);
        }
        if (!p.image.Empty()) {
            picture = std::move(p);
        }
        CloseMenu(shown);
    } else if (HWND w = owner) {
        // Never shown, or not found: the loop, if it runs, reads the thread's keys.
        PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, KeyLParam(VK_ESCAPE, false));
    }
    shower.join();
    DestroyMenu(menu);
    return picture;
}

std::optional<Image> SettledCapture(HWND hwnd, Millis timeout) {
    std::optional<Image> last;
    std::optional<Image> settled;
    WaitUntil(
        [&] {
            auto now = CaptureWindow(hwnd);
            if (now && !now->Empty() && last && now->width == last->width && now->height == last->height &&
                now->pixels == last->pixels) {
                settled = std::move(now);
                return true;
            }
            last = std::move(now);
            return false;
        },
        timeout, 100ms);
    return settled;
}

long PixelsDiffering(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) {
        return -1;
    }
    long n = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        n += a.pixels[i] != b.pixels[i];
    }
    return n;
}

bool PressMenuKey(HWND menu_window, UINT vk) {
    return PostMessageW(menu_window, WM_KEYDOWN, vk, KeyLParam(vk, false)) &&
           PostMessageW(menu_window, WM_KEYUP, vk, KeyLParam(vk, true));
}

bool ChooseByAccessKey(HWND menu_window, wchar_t key) {
    // The key's own WM_KEYDOWN becomes the character through TranslateMessage in the menu loop.
    const SHORT vk = VkKeyScanW(key);
    return vk != -1 && PressMenuKey(menu_window, LOBYTE(vk));
}

bool ChooseByArrows(HWND menu_window, int downs) {
    for (int i = 0; i < downs; ++i) {
        if (!PressMenuKey(menu_window, VK_DOWN)) {
            return false;
        }
    }
    return PressMenuKey(menu_window, VK_RETURN);
}

bool ClickMenuItem(HWND menu_window, const RECT& item) {
    const RECT frame = WindowRect(menu_window);
    return ClickScreenAt(
        {frame.left + (item.left + item.right) / 2, frame.top + (item.top + item.bottom) / 2});
}

bool ClickScreenAt(POINT at) {
    if (!SetCursorPos(at.x, at.y)) {
        return false;
    }
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

bool CloseMenu(HWND menu_window) {
    return PressMenuKey(menu_window, VK_ESCAPE) && WaitUntil([&] { return !IsShownMenu(menu_window); }, 5s);
}

}  // namespace e2e
