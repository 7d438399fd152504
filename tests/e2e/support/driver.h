#pragma once

// Drives a Windows program from the outside, the way a user or Windows would:
// processes, windows and controls, message boxes, keys, the notification
// area, the registry and screenshots. Nothing needs a hook in the program.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;
namespace fs = std::filesystem;

// Wine on a loaded machine can take seconds to start a program or paint.
inline constexpr Millis kTimeout = 15s;

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Polls `done` until it holds or the timeout passes, handling this thread's
// messages meanwhile (our windows must answer broadcasts). Returns the last result.
bool WaitUntil(const std::function<bool()>& done, Millis timeout = kTimeout, Millis interval = 50ms);
void Pump(Millis duration);

fs::path ExePath();
// qingchuang.exe beside the running test.
fs::path ProductPath();
// %E2E_ARTIFACTS% (a Windows or a Unix path), else e2e-artifacts beside the test.
fs::path ArtifactDir();

// A fresh folder named `name` under %TEMP%, removed with its contents on
// destruction (after the programs that ran from it).
class Sandbox {
public:
    explicit Sandbox(std::wstring_view name);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    const fs::path& Dir() const { return dir_; }
    fs::path Write(std::wstring_view name, std::string_view bytes) const;

private:
    fs::path root_, dir_;
};

std::wstring QuoteArg(std::wstring_view arg);

// A started program; killed on destruction if it still runs, so that a failed
// test leaves nothing behind.
class Process {
public:
    Process() = default;
    Process(Process&& other) noexcept { *this = std::move(other); }
    Process& operator=(Process&& other) noexcept;
    ~Process();
    // Throws std::runtime_error when the program cannot be started.
    static Process Start(const fs::path& exe, const std::vector<std::wstring>& args = {});
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return handle_; }
    bool Running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }
    bool WaitExit(Millis timeout = kTimeout) const;
    std::optional<DWORD> ExitCode() const;
    void Kill();

private:
    HANDLE handle_ = nullptr;
    DWORD pid_ = 0;
};

// ---- windows ----------------------------------------------------------------

std::wstring ClassName(HWND hwnd);
DWORD ProcessOf(HWND hwnd);
std::vector<HWND> TopWindows(DWORD pid);
// The first top-level window of the class, hidden ones too; with `visible`,
// only a shown one (a message box is #32770, a popup menu #32768).
HWND FindTopWindow(DWORD pid, std::wstring_view class_name, bool visible = false, Millis timeout = kTimeout);
// A descendant control by id; nullptr when there is none.
HWND Control(HWND top, int id);
// WM_GETTEXT, which Windows copies across processes.
std::wstring Text(HWND hwnd);
bool SetText(HWND hwnd, std::wstring_view text);
int CheckState(HWND button);
RECT WindowRect(HWND hwnd);
// The message of a message box, and its button pressed as a click would.
std::wstring MessageBoxText(HWND box);
bool PressButton(HWND dialog, int id);

// Posted input: each returns once it is queued; wait for the effect.
bool Click(HWND button);
bool PostCommand(HWND window, int id);
bool TypeText(HWND control, std::wstring_view text);
bool PressKey(HWND hwnd, UINT vk);
// Synchronous: through the input state of the control's thread.
bool SetFocusTo(HWND control);
HWND FocusOf(HWND hwnd);

// ---- notification area -------------------------------------------------------

// One icon and where a mouse message for it goes: Wine 8's explorer paints the
// icons into its taskbar, right to left in the order they were added.
struct TrayIcon {
    HWND window = nullptr;
    POINT point = {};
};
// The icons shown, first added first; read from the screen, so keep the taskbar uncovered.
std::vector<TrayIcon> TrayIcons();
// Posts the mouse message to the icon, which the shell relays to its owner.
bool PostTrayMouse(const TrayIcon& icon, UINT msg);
bool ClickTrayIcon(const TrayIcon& icon, bool right_button = false);
// The texts of the balloons shown now.
std::vector<std::wstring> Balloons();

// ---- the settings store: HKCU\Software\VB and VBA Program Settings\ravek\setting --

bool WriteSetting(std::wstring_view name, DWORD type, const void* data, DWORD size);
inline bool WriteSetting(std::wstring_view name, std::wstring_view text) {
    const std::wstring copy(text);
    return WriteSetting(name, REG_SZ, copy.c_str(), static_cast<DWORD>((copy.size() + 1) * sizeof(wchar_t)));
}
// Every value by name: its type and, for text, the text.
std::map<std::wstring, std::pair<DWORD, std::wstring>> StoredSettings();
// Removes the program's key; true when it is gone.
bool DeleteSettings();

// ---- screenshots -------------------------------------------------------------

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
std::optional<Image> CaptureScreen(const RECT& rect);
std::optional<Image> CaptureWindow(HWND hwnd);
// The window (the desktop for nullptr) as ArtifactDir()/name.png; false on failure.
bool SaveScreenshot(HWND hwnd, std::wstring_view name);
std::uint32_t SysColor(int index);

}  // namespace e2e
