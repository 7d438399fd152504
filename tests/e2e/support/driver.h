#pragma once

// Drives a Windows program from the outside, the way a user or Windows would:
// processes, windows and controls by id, message boxes, keys, the registry
// and screenshots. Everything works across processes; nothing needs a hook
// in the program under test.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Wine starts programs slowly the first time a prefix is used.
inline constexpr Millis kTimeout = 15s;

// ---- text -----------------------------------------------------------------

// Invalid input becomes U+FFFD instead of failing.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// ---- waiting ----------------------------------------------------------------

// Polls `done` every `interval` until it holds or `timeout` passes, handling
// this thread's window messages meanwhile (so windows of the test process
// keep answering broadcasts). Returns the last result of `done`.
bool WaitUntil(const std::function<bool()>& done, Millis timeout = kTimeout, Millis interval = 50ms);

// Sleeps while handling this thread's window messages.
void Pump(Millis duration);

bool RunningUnderWine();

// ---- files ----------------------------------------------------------------

std::filesystem::path ExePath();
std::filesystem::path ExeDir();
// qingchuang.exe beside the running test.
std::filesystem::path ProductPath();
// Where screenshots go: %E2E_ARTIFACTS% (a Windows or a Unix path), else
// e2e-artifacts beside the test. Created on demand.
std::filesystem::path ArtifactDir();

// A fresh folder under %TEMP% with a Chinese name with a blank in it,
// removed with everything in it on destruction. Destroy it after the
// processes that run from it.
class Sandbox {
public:
    explicit Sandbox(std::wstring_view folder_name = L"测试 文件夹");
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // A sandbox holding a copy of the product and of the named files from
    // beside it.
    static Sandbox WithProduct(const std::vector<std::wstring>& extra_files = {},
                               std::wstring_view folder_name = L"测试 文件夹");

    const std::filesystem::path& Dir() const { return dir_; }
    // The copied product (valid after WithProduct).
    std::filesystem::path Exe() const { return dir_ / ProductPath().filename(); }
    // Copies a file in; `name` defaults to the file's own name. Throws on failure.
    std::filesystem::path Copy(const std::filesystem::path& from, std::wstring_view name = {}) const;
    std::filesystem::path Write(std::wstring_view name, std::string_view bytes) const;

private:
    Sandbox(Sandbox&& other) noexcept;
    std::filesystem::path root_;  // what gets removed
    std::filesystem::path dir_;   // root_ / folder_name
};

// ---- processes --------------------------------------------------------------

// Quotes one argument so that CommandLineToArgvW and the C runtime give it back.
std::wstring QuoteArg(std::wstring_view arg);

// A started program. The destructor kills it if it still runs, so a failed
// test leaves nothing behind.
class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Throws std::runtime_error when the program cannot be started. An empty
    // work_dir means the program's own folder.
    static Process Start(const std::filesystem::path& exe, const std::vector<std::wstring>& args = {},
                         const std::filesystem::path& work_dir = {});

    bool Valid() const { return process_ != nullptr; }
    DWORD Pid() const { return pid_; }
    HANDLE Handle() const { return process_; }
    bool Running() const;
    // True once the program has ended (within the timeout).
    bool WaitExit(Millis timeout = kTimeout) const;
    // Empty while the program runs.
    std::optional<DWORD> ExitCode() const;
    bool WaitInputIdle(Millis timeout = kTimeout) const;
    // Ends the program and waits until it is gone.
    void Kill(UINT exit_code = 0xDEAD);

private:
    void Reset();
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// ---- windows ----------------------------------------------------------------

std::wstring ClassName(HWND hwnd);
DWORD ProcessOf(HWND hwnd);

// All top-level windows of a process, hidden ones included.
std::vector<HWND> TopWindows(DWORD pid);
// The first top-level window of the class (hidden or not), or nullptr after
// the timeout.
HWND FindTopWindow(DWORD pid, std::wstring_view class_name, Millis timeout = kTimeout);
// A visible dialog (#32770) of the process, such as a message box; with a
// title, only one with that title.
HWND FindMessageBox(DWORD pid, Millis timeout = kTimeout, std::optional<std::wstring> title = {});
// The message text of a message box.
std::wstring MessageBoxText(HWND box);
// Presses a dialog button by id (IDOK, IDCANCEL, IDYES, ...) the way its
// click would. False when the dialog has no such button or it is disabled.
bool PressButton(HWND dialog, int id);

// A descendant control by id, searched depth-first (controls inside frames
// are found too); nullptr when there is none.
HWND Control(HWND top, int id);
// Waits for the control to appear.
HWND WaitControl(HWND top, int id, Millis timeout = kTimeout);

// Window text through WM_GETTEXT, which Windows copies across processes.
std::wstring Text(HWND hwnd);
bool SetText(HWND hwnd, std::wstring_view text);
// BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE; -1 when the window does not answer.
int CheckState(HWND button);
bool Enabled(HWND hwnd);
bool Visible(HWND hwnd);
bool Minimized(HWND hwnd);
RECT WindowRect(HWND hwnd);

// The input below is posted and so asynchronous: each call returns once the
// input is queued. Wait for its effect with WaitUntil.

// Clicks a button, check box or option button (BM_CLICK).
bool Click(HWND button);
// WM_COMMAND with `id`, as a menu item or accelerator sends it.
bool PostCommand(HWND window, int id);
// Asks a window to close, as its close box does.
bool Close(HWND window);
// Types the text into the control as WM_CHAR messages.
bool TypeText(HWND control, std::wstring_view text);
// Presses and releases a key (WM_KEYDOWN + WM_KEYUP) on the window.
bool PressKey(HWND hwnd, UINT vk);

// Gives the control the keyboard focus through its window thread's input
// state. Synchronous.
bool SetFocusTo(HWND control);
// The focused window of the thread that owns `hwnd`, or nullptr.
HWND FocusOf(HWND hwnd);
// The active window of the thread that owns `hwnd`, or nullptr.
HWND ActiveOf(HWND hwnd);

// ---- notification area ------------------------------------------------------

// One icon of the shell's notification area and where a mouse message for it
// goes. Wine 8's explorer paints the icons into its taskbar, right to left in
// the order they were added; newer ones give each icon a window.
struct TrayIcon {
    HWND window = nullptr;  // receives the mouse messages
    POINT point = {};       // in the window's client coordinates
};

// The visible icons, first added first. With painted icons this reads the
// screen, so the taskbar must not be covered.
std::vector<TrayIcon> TrayIcons();
// Posts a mouse message (WM_LBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDBLCLK, ...)
// to the icon, which the shell relays to the icon's owner.
bool PostTrayMouse(const TrayIcon& icon, UINT msg);
// Button down and up, as a click with the left (or right) button.
bool ClickTrayIcon(const TrayIcon& icon, bool right_button = false);
// The text of the balloon the notification area shows, if any.
std::optional<std::wstring> TrayBalloonText();

// ---- registry: HKCU\Software\VB and VBA Program Settings\<app>\<section> ----

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;

    // REG_SZ / REG_EXPAND_SZ data without the terminator; empty otherwise.
    std::wstring String() const;
    // REG_DWORD data; empty otherwise.
    std::optional<DWORD> Dword() const;
};

class VbSettings {
public:
    explicit VbSettings(std::wstring app);

    std::wstring KeyPath(std::wstring_view section = {}) const;
    bool WriteString(std::wstring_view section, std::wstring_view name, std::wstring_view value) const;
    bool WriteDword(std::wstring_view section, std::wstring_view name, DWORD value) const;
    bool WriteBinary(std::wstring_view section, std::wstring_view name,
                     const std::vector<std::uint8_t>& value) const;
    std::optional<RegValue> Read(std::wstring_view section, std::wstring_view name) const;
    // Value names of a section, in no particular order.
    std::vector<std::wstring> Names(std::wstring_view section) const;
    bool Exists(std::wstring_view section = {}) const;
    // Removes the section, or with no section the whole application key.
    // True when it is gone afterwards.
    bool Delete(std::wstring_view section = {}) const;

private:
    std::wstring app_;
};

// ---- screenshots ------------------------------------------------------------

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down

    bool Empty() const { return pixels.empty(); }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// What the screen shows in `rect` (virtual screen coordinates, clipped).
std::optional<Image> CaptureScreen(const RECT& rect);
// What the screen shows where the window is; bring it to the front first if
// other windows may cover it.
std::optional<Image> CaptureWindow(HWND hwnd);
// The whole (virtual) desktop.
std::optional<Image> CaptureDesktop();

// 8-bit RGB PNG with stored (uncompressed) deflate blocks.
std::vector<std::uint8_t> EncodePng(const Image& image);
bool WritePng(const Image& image, const std::filesystem::path& path);
// Captures the window (or the desktop for nullptr) into ArtifactDir()/name.png;
// returns the file, or an empty path on failure.
std::filesystem::path SaveScreenshot(HWND hwnd, std::wstring_view name);

}  // namespace e2e
