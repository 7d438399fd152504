#pragma once

// Drives a Windows program from the outside, the way a user or Windows would.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/local_time.h"

namespace e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;
namespace fs = std::filesystem;

// Wine on a loaded machine can take seconds to start a program or to paint.
inline constexpr Millis kTimeout = 15s;

inline std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline fs::path WriteFile(const fs::path& p, std::string_view bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

// Handles this thread's messages for the duration.
inline void Pump(Millis duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    for (MSG msg;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(left), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}
// Polls `done` until it holds or the timeout passes; the last result.
inline bool WaitUntil(const std::function<bool()>& done, Millis timeout = kTimeout, Millis interval = 50ms) {
    for (const auto end = std::chrono::steady_clock::now() + timeout; !done(); Pump(interval))
        if (std::chrono::steady_clock::now() >= end) return done();
    return true;
}

// The test's folder: the product lies beside it, what a failed test keeps goes below it.
inline fs::path TestDir() {
    wchar_t buf[MAX_PATH * 4];
    return fs::path(std::wstring(buf, GetModuleFileNameW(nullptr, buf, MAX_PATH * 4))).parent_path();
}
// A new folder `name` under %TEMP%, or with `shared` in the Wine environment's
// own folder, where the tests' Unix programs find it. Both go with the environment.
inline fs::path FreshDir(const std::wstring& name, bool shared = false) {
    static int counter = 0;
    const wchar_t* env = _wgetenv(L"WINE_ENV_DIR");
    const fs::path base =
        shared ? fs::path(L"Z:" + std::wstring(env ? env : L"/tmp")) : fs::temp_directory_path();
    std::wstring dir = (base / (L"e2e-" + std::to_wstring(++counter)) / name).wstring();
    std::replace(dir.begin(), dir.end(), L'/', L'\\');
    fs::create_directories(dir);
    return dir;
}
// A path of such a folder, or of the test's, as a Unix program sees it (Z: is /).
inline std::wstring UnixArg(const fs::path& path) {
    std::wstring s = path.wstring().substr(2);
    std::replace(s.begin(), s.end(), L'\\', L'/');
    return s;
}

// A started program, killed on destruction so that a failed test leaves nothing behind.
class Process {
public:
    Process(const fs::path& exe, const std::vector<std::wstring>& args = {}) {
        std::wstring line = L"\"" + exe.wstring() + L"\"";
        for (const auto& a : args) line += L" \"" + a + L"\"";  // they hold no quotes
        STARTUPINFOW startup = {sizeof startup};
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(exe.c_str(), line.data(), 0, 0, 0, 0, 0, exe.parent_path().c_str(), &startup,
                           &info))
            CloseHandle(info.hThread), handle_ = info.hProcess, pid_ = info.dwProcessId;
    }
    Process(const Process&) = delete;
    ~Process() {
        if (Running()) TerminateProcess(handle_, 0xDEAD), WaitForSingleObject(handle_, 10000);
        if (handle_) CloseHandle(handle_);
    }
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return handle_; }
    bool Running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }
    bool WaitExit(Millis timeout = kTimeout) const {
        return handle_ && WaitForSingleObject(handle_, DWORD(timeout.count())) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {  // STILL_ACTIVE while it runs
        DWORD code = STILL_ACTIVE;
        return GetExitCodeProcess(handle_, &code), code;
    }

private:
    HANDLE handle_ = nullptr;
    DWORD pid_ = 0;
};

// f(hwnd) for each top-level window while it returns true.
template <class F>
void ForEachWindow(F f) {
    const WNDENUMPROC each = [](HWND h, LPARAM lp) -> BOOL CALLBACK {
        return (*reinterpret_cast<F*>(lp))(h);
    };
    EnumWindows(each, LPARAM(&f));
}
inline std::wstring ClassName(HWND hwnd) {
    wchar_t name[256];
    return std::wstring(name, std::max(GetClassNameW(hwnd, name, 256), 0));
}
// The first top-level window of the process and class, hidden ones too; with
// `visible` only a shown one (a message box is #32770, a popup menu #32768).
inline HWND FindTopWindow(DWORD pid, std::wstring_view cls, bool visible = false, Millis timeout = kTimeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            ForEachWindow([&](HWND h) {
                DWORD owner = 0;
                GetWindowThreadProcessId(h, &owner);
                if (owner == pid && ClassName(h) == cls && (!visible || IsWindowVisible(h))) found = h;
                return !found;
            });
            return found != nullptr;
        },
        timeout, 20ms);
    return found;
}

// Sent with a time limit: a program stuck in a modal loop or hung shows up as
// a failed expectation, not as a test that never ends.
inline LRESULT Send(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR out = 0;
    const bool sent =
        hwnd && SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &out);
    return sent ? LRESULT(out) : -1;
}
// WM_GETTEXT, which Windows copies across processes.
inline std::wstring Text(HWND hwnd) {
    std::wstring text(size_t(std::max<LRESULT>(Send(hwnd, WM_GETTEXTLENGTH), 0)) + 1, L'\0');
    // The length may overestimate; a failed call copies nothing.
    text.resize(size_t(std::max<LRESULT>(Send(hwnd, WM_GETTEXT, text.size(), LPARAM(text.data())), 0)));
    return text;
}
inline bool SetText(HWND hwnd, const std::wstring& text) {
    return Send(hwnd, WM_SETTEXT, 0, LPARAM(text.c_str())) == 1;
}
inline int CheckState(HWND button) { return int(Send(button, BM_GETCHECK)); }
inline RECT WindowRect(HWND hwnd) {
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}
inline std::uint32_t SysColor(int index) {
    const COLORREF c = GetSysColor(index);
    return std::uint32_t(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
}
// Posted, not sent: a click that opens a modal box would not return until it closes.
inline bool Click(HWND button) { return button && PostMessageW(button, BM_CLICK, 0, 0); }

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
    std::uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};
inline Image CaptureScreen(const RECT& r) {
    Image image{r.right - r.left, r.bottom - r.top};
    BITMAPINFO info = {{sizeof info.bmiHeader, image.width, -image.height, 1, 32, BI_RGB}};  // top-down
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    if (bits &&
        BitBlt(memory, 0, 0, image.width, image.height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT)) {
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        for (size_t i = 0; i < size_t(image.width) * image.height; ++i)
            image.pixels.push_back(p[i] & 0xFFFFFF);
    }
    SelectObject(memory, old), DeleteObject(bitmap), DeleteDC(memory), ReleaseDC(nullptr, screen);
    if (image.pixels.empty()) image.width = image.height = 0;
    return image;
}
// The notification area. Wine's explorer paints the icons into its taskbar,
// right to left in the order they were added, each in a cell of a small icon
// and two pixels each side, and keeps no window per icon: a cell that is not
// all one colour holds one. The mouse message for an icon goes to the taskbar
// at its place; the shell relays it to the icon's owner.
struct Tray {
    HWND window = FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT client = {};
    int cell = GetSystemMetrics(SM_CXSMICON) + 4;
    int Icons() {
        POINT origin = {0, 0};
        if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) return 0;
        const Image image =
            CaptureScreen({origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
        const int height = std::min<int>(GetSystemMetrics(SM_CYSMICON), image.height);
        const int top = (image.height - height) / 2;
        auto holds = [&](int left) {
            for (int y = top; y < top + height; ++y)
                for (int x = left + 2; x < left + cell - 2; ++x)
                    if (image.At(x, y) != image.At(left + 2, top)) return true;
            return false;
        };
        int icons = 0;
        while (image.width >= cell * (icons + 1) && holds(image.width - cell * (icons + 1))) ++icons;
        return icons;
    }
    // Posts the mouse message to the icon `i`, the first added being 0.
    bool Post(UINT msg, int i = 0) const {
        const WPARAM keys = msg == WM_LBUTTONDOWN ? MK_LBUTTON : msg == WM_RBUTTONDOWN ? MK_RBUTTON : 0;
        return PostMessageW(window, msg, keys,
                            MAKELPARAM(client.right - cell * i - cell / 2, client.bottom / 2));
    }
    bool Click(bool right = false) const {
        return Post(right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN) && Post(right ? WM_RBUTTONUP : WM_LBUTTONUP);
    }
};
// The texts of the balloons shown.
inline std::vector<std::wstring> Balloons() {
    std::vector<std::wstring> texts;
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    ForEachWindow([&](HWND h) {
        if (tray && GetWindow(h, GW_OWNER) == tray && ClassName(h) == TOOLTIPS_CLASSW && IsWindowVisible(h) &&
            (GetWindowLongW(h, GWL_STYLE) & TTS_BALLOON))
            texts.push_back(Text(h));
        return true;
    });
    return texts;
}
inline bool BalloonShows(const std::wstring& text, Millis timeout = kTimeout) {
    return WaitUntil([&] { return std::ranges::count(Balloons(), text) > 0; }, timeout);
}

// Local minutes since the epoch: a difference counts the minute boundaries between two moments.
inline LocalTime Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return MakeTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}
inline std::int64_t MinuteNow() { return MinuteSerial(Now()); }
inline void WaitForMinute(std::int64_t minute) {  // its start, and a margin
    while (MinuteNow() < minute) Pump(20ms);
    Pump(300ms);
}

// Starts a Unix program: Wine runs a file that is no Windows program as a
// Unix one, with no handle for it. Its output goes to NUL.
inline bool StartUnixProgram(const std::string& unix_exe, const std::vector<std::wstring>& args) {
    std::wstring line = L"\"Z:" + std::wstring(unix_exe.begin(), unix_exe.end()) + L"\"";  // ASCII
    std::replace(line.begin(), line.end(), L'/', L'\\');
    for (const auto& a : args) line += L" \"" + a + L"\"";  // they hold no quotes
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE nul =
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, 3, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION info = {};
    const bool ok = CreateProcessW(0, line.data(), 0, 0, TRUE, 0, 0, 0, &startup, &info);
    // Wine leaves stale values in `info` for a Unix program: closing them
    // could close any handle of ours (the console's, once).
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    return ok;
}

}  // namespace e2e
