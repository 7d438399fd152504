#pragma once

// Drives a Windows program from the outside, the way a user or Windows would.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;
namespace fs = std::filesystem;

// Wine on a loaded machine can take seconds to start a program or to paint.
inline constexpr Millis kTimeout = 15s;

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Polls `done` until it holds or the timeout passes, handling this thread's
// messages meanwhile. Returns the last result.
bool WaitUntil(const std::function<bool()>& done, Millis timeout = kTimeout, Millis interval = 50ms);
void Pump(Millis duration);

fs::path ExePath();
fs::path ProductPath();  // beside the test
// %E2E_ARTIFACTS% (a Windows or a Unix path), else e2e-artifacts beside the test.
fs::path ArtifactDir();

// A fresh folder `name` under %TEMP%, removed on destruction.
class Sandbox {
public:
    explicit Sandbox(std::wstring_view name);
    ~Sandbox();
    const fs::path& Dir() const { return dir_; }
    fs::path Write(std::wstring_view name, std::string_view bytes) const;

private:
    fs::path root_, dir_;
};

// A started program, killed on destruction so that a failed test leaves nothing behind.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    ~Process();
    // Throws std::runtime_error when the program cannot be started.
    void Start(const fs::path& exe, const std::vector<std::wstring>& args = {});
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

// f(hwnd) for each top-level window, or descendant of `parent`, while it returns true.
template <class F>
void ForEachWindow(HWND parent, F f) {
    const WNDENUMPROC each = [](HWND h, LPARAM lp) -> BOOL CALLBACK {
        return (*reinterpret_cast<F*>(lp))(h);
    };
    parent ? EnumChildWindows(parent, each, reinterpret_cast<LPARAM>(&f))
           : EnumWindows(each, reinterpret_cast<LPARAM>(&f));
}
DWORD ProcessOf(HWND hwnd);
// The first top-level window of the process and class, hidden ones too; with
// `visible` only a shown one (a message box is #32770, a popup menu #32768).
HWND FindTopWindow(DWORD pid, std::wstring_view class_name, bool visible = false, Millis timeout = kTimeout);
HWND Control(HWND top, int id);  // a descendant by id
// WM_GETTEXT, which Windows copies across processes.
std::wstring Text(HWND hwnd);
bool SetText(HWND hwnd, std::wstring_view text);
int CheckState(HWND button);
RECT WindowRect(HWND hwnd);
// Posted: each returns once it is queued; wait for the effect.
bool Click(HWND button);
bool PostCommand(HWND window, int id);

// An icon of the notification area and where a mouse message for it goes.
// Wine 8's explorer paints the icons into its taskbar, right to left in the
// order they were added, and keeps no window per icon.
struct TrayIcon {
    HWND window = nullptr;
    POINT point = {};
};
// The icons shown, first added first; read from the screen.
std::vector<TrayIcon> TrayIcons();
// Posts the mouse message to the icon; the shell relays it to the icon's owner.
bool PostTrayMouse(const TrayIcon& icon, UINT msg);
bool ClickTrayIcon(const TrayIcon& icon, bool right_button = false);
std::vector<std::wstring> Balloons();  // the texts of those shown

// The settings store: HKCU\Software\VB and VBA Program Settings\ravek\setting.
bool WriteSetting(std::wstring_view name, DWORD type, const void* data, DWORD size);
inline bool WriteSetting(std::wstring_view name, std::wstring_view text) {
    const std::wstring copy(text);
    return WriteSetting(name, REG_SZ, copy.c_str(), static_cast<DWORD>((copy.size() + 1) * sizeof(wchar_t)));
}
// Every value by name: its type and, for REG_SZ, the text.
std::map<std::wstring, std::pair<DWORD, std::wstring>> StoredSettings();
bool DeleteSettings();  // the program's key; true when it is gone

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
std::optional<Image> CaptureScreen(const RECT& rect);  // a window's too: WindowRect(hwnd)
// The window (the screen for nullptr) as ArtifactDir()/name.bmp.
bool SaveScreenshot(HWND hwnd, std::wstring_view name);
std::uint32_t SysColor(int index);

// A resource of a program file loaded as data (LoadLibraryEx).
std::span<const std::uint8_t> Resource(HMODULE file, std::wstring_view name, std::wstring_view type);

bool HaveAudioDevice();
bool RunningUnderWine();
// Local minutes since the epoch: a difference counts the minute boundaries between two moments.
std::int64_t MinuteNow();
void WaitForMinute(std::int64_t minute, Millis margin = 300ms);  // its start, and the margin
std::wstring UnixArg(const fs::path& path);
// Starts a Unix program (by its Unix path) from this Windows one; no handle comes back.
bool StartUnixProgram(const std::string& unix_exe, const std::vector<std::wstring>& args);                      // the path as a Unix program sees it

// tools/audio-check is a Unix program: Wine gives no handle for it, so it
// reports through files in a folder of ours. The tool: E2E_AUDIO_CHECK from
// the environment, else `built_in`.
std::string AudioCheckTool(const char* built_in);
// What the default sink plays, as raw 16-bit mono samples at kRate in a file
// of `folder` (audio-check record), until Stop(), destruction or a limit.
class Recorder {
public:
    static constexpr int kRate = 22050;
    Recorder(const std::string& tool, const fs::path& folder);
    ~Recorder() { Stop(); }
    bool WaitStarted();  // for the first samples
    // Samples so far: the position of what plays now, give or take some 20 ms.
    std::int64_t Position() const;
    // Ends the recording: "ok BYTES" once the file is complete, else what went wrong.
    std::string Stop();
    const fs::path& File() const { return raw_; }

private:
    fs::path raw_;
    bool started_ = false;
};
// Runs audio-check with the arguments and returns its exit code (-1 when it
// gives no report in time) and its report.
int RunAudioCheck(const std::string& tool, const fs::path& folder, const std::vector<std::wstring>& args,
                  std::string& report);

}  // namespace e2e
