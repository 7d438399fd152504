#include "support/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace e2e {

namespace fs = std::filesystem;

namespace {

// Messages to other processes never block a test for long: a program stuck
// in a modal loop or hung must show up as a failed expectation.
constexpr UINT kSendTimeoutMs = 5000;

bool Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result = nullptr) {
    DWORD_PTR out = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, kSendTimeoutMs, &out)) {
        return false;
    }
    if (result) {
        *result = static_cast<LRESULT>(out);
    }
    return true;
}

std::runtime_error LastError(const std::string& what) {
    const DWORD code = GetLastError();
    return std::runtime_error(what + ": " + std::system_category().message(static_cast<int>(code)) + " (" +
                              std::to_string(code) + ")");
}

std::wstring GetEnv(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(got < size ? got : 0);
    return value;
}

struct KeyCloser {
    HKEY key = nullptr;
    ~KeyCloser() {
        if (key) {
            RegCloseKey(key);
        }
    }
};

}  // namespace

// ---- text -------------------------------------------------------------------

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf16.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

// ---- waiting ------------------------------------------------------------------

void Pump(Millis duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left.count()), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

bool WaitUntil(const std::function<bool()>& done, Millis timeout, Millis interval) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return done();
        }
        Pump(interval);
    }
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// ---- files --------------------------------------------------------------------

fs::path ExePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            throw LastError("GetModuleFileNameW");
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            return fs::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

fs::path ExeDir() { return ExePath().parent_path(); }

fs::path ProductPath() { return ExeDir() / L"qingchuang.exe"; }

fs::path ArtifactDir() {
    std::wstring dir = GetEnv(L"E2E_ARTIFACTS");
    if (!dir.empty() && dir.front() == L'/') {
        // A Unix path from the harness: Wine maps the root to Z:.
        std::replace(dir.begin(), dir.end(), L'/', L'\\');
        dir = L"Z:" + dir;
    }
    fs::path path = dir.empty() ? ExeDir() / L"e2e-artifacts" : fs::path(dir);
    std::error_code ec;
    fs::create_directories(path, ec);
    return path;
}

Sandbox::Sandbox(std::wstring_view folder_name) {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp) == 0) {
        throw LastError("GetTempPathW");
    }
    for (int attempt = 0;; ++attempt) {
        const std::wstring name = L"e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(counter++) + L"-" + std::to_wstring(GetTickCount());
        root_ = fs::path(temp) / name;
        if (CreateDirectoryW(root_.c_str(), nullptr)) {
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt > 100) {
            root_.clear();
            throw LastError("CreateDirectoryW");
        }
    }
    dir_ = folder_name.empty() ? root_ : root_ / folder_name;
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (ec) {
        fs::remove_all(root_, ec);
        throw std::runtime_error("cannot create " + Narrow(dir_.wstring()));
    }
}

Sandbox::Sandbox(Sandbox&& other) noexcept : root_(std::move(other.root_)), dir_(std::move(other.dir_)) {
    other.root_.clear();
    other.dir_.clear();
}

Sandbox::~Sandbox() {
    if (root_.empty()) {
        return;
    }
    // A program that just ended may still hold its files for a moment.
    std::error_code ec;
    for (int i = 0; i < 100; ++i) {
        fs::remove_all(root_, ec);
        if (!fs::exists(root_, ec)) {
            return;
        }
        Sleep(50);
    }
}

Sandbox Sandbox::WithProduct(const std::vector<std::wstring>& extra_files, std::wstring_view folder_name) {
    Sandbox box(folder_name);
    box.Copy(ProductPath());
    for (const auto& name : extra_files) {
        box.Copy(ProductPath().parent_path() / name, name);
    }
    return box;
}

fs::path Sandbox::Copy(const fs::path& from, std::wstring_view name) const {
    const fs::path to = dir_ / (name.empty() ? from.filename() : fs::path(name));
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
        throw LastError("copy " + Narrow(from.wstring()) + " -> " + Narrow(to.wstring()));
    }
    return to;
}

fs::path Sandbox::Write(std::wstring_view name, std::string_view bytes) const {
    const fs::path to = dir_ / name;
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    const HANDLE file =
        CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw LastError("create " + Narrow(to.wstring()));
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) {
        throw std::runtime_error("write " + Narrow(to.wstring()));
    }
    return to;
}

// ---- processes ------------------------------------------------------------------

std::wstring QuoteArg(std::wstring_view arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) {
        return std::wstring(arg);
    }
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

Process::~Process() {
    Kill();
    Reset();
}

Process::Process(Process&& other) noexcept : process_(other.process_), pid_(other.pid_) {
    other.process_ = nullptr;
    other.pid_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Kill();
        Reset();
        process_ = other.process_;
        pid_ = other.pid_;
        other.process_ = nullptr;
        other.pid_ = 0;
    }
    return *this;
}

Process Process::Start(const fs::path& exe, const std::vector<std::wstring>& args, const fs::path& work_dir) {
    std::wstring command_line = QuoteArg(exe.wstring());
    for (const auto& arg : args) {
        command_line += L' ';
        command_line += QuoteArg(arg);
    }
    const fs::path dir = work_dir.empty() ? exe.parent_path() : work_dir;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &startup, &info)) {
        throw LastError("CreateProcessW " + Narrow(exe.wstring()));
    }
    CloseHandle(info.hThread);
    Process process;
    process.process_ = info.hProcess;
    process.pid_ = info.dwProcessId;
    return process;
}

bool Process::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool Process::WaitExit(Millis timeout) const {
    return process_ && WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::optional<DWORD> Process::ExitCode() const {
    if (!process_ || Running()) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) {
        return std::nullopt;
    }
    return code;
}

bool Process::WaitInputIdle(Millis timeout) const {
    return process_ && WaitForInputIdle(process_, static_cast<DWORD>(timeout.count())) == 0;
}

void Process::Kill(UINT exit_code) {
    if (!process_) {
        return;
    }
    if (Running()) {
        TerminateProcess(process_, exit_code);
        WaitForSingleObject(process_, 10000);
    }
    // The handle stays open so that ExitCode() still answers.
}

void Process::Reset() {
    if (process_) {
        CloseHandle(process_);
    }
    process_ = nullptr;
    pid_ = 0;
}

// ---- windows --------------------------------------------------------------------

std::wstring ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    const int n = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

namespace {

// Enumeration callbacks are WINAPI functions, which lambdas cannot be on i686.
struct WindowSearch {
    DWORD pid = 0;
    int id = 0;
    HWND owner = nullptr;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOfProcess(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    if (ProcessOf(hwnd) == s->pid) {
        s->found.push_back(hwnd);
    }
    return TRUE;
}

BOOL CALLBACK FindById(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    if (GetDlgCtrlID(hwnd) == s->id) {
        s->found.push_back(hwnd);
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectTrayIcons(HWND hwnd, LPARAM lp) {
    if (ClassName(hwnd) == L"__wine_tray_icon" && IsWindowVisible(hwnd)) {
        reinterpret_cast<WindowSearch*>(lp)->found.push_back(hwnd);
    }
    return TRUE;
}

// Tooltip windows owned by the tray: the balloon among them.
BOOL CALLBACK CollectTrayTooltips(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    if (GetWindow(hwnd, GW_OWNER) == s->owner && ClassName(hwnd) == L"tooltips_class32") {
        s->found.push_back(hwnd);
    }
    return TRUE;
}

BOOL CALLBACK CollectVisibleChildren(HWND hwnd, LPARAM lp) {
    if (IsWindowVisible(hwnd)) {
        reinterpret_cast<WindowSearch*>(lp)->found.push_back(hwnd);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD pid) {
    WindowSearch search;
    search.pid = pid;
    EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopWindow(DWORD pid, std::wstring_view class_name, Millis timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopWindows(pid)) {
                if (ClassName(hwnd) == class_name) {
                    found = hwnd;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

HWND FindMessageBox(DWORD pid, Millis timeout, std::optional<std::wstring> title) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopWindows(pid)) {
                if (ClassName(hwnd) == L"#32770" && IsWindowVisible(hwnd) &&
                    (!title || Text(hwnd) == *title)) {
                    found = hwnd;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

std::wstring MessageBoxText(HWND box) {
    // The message text is the static control with id 0xFFFF.
    const HWND text = GetDlgItem(box, 0xFFFF);
    return text ? Text(text) : std::wstring();
}

bool PressButton(HWND dialog, int id) {
    const HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button)) {
        return false;
    }
    return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

HWND Control(HWND top, int id) {
    WindowSearch search;
    search.id = id;
    // EnumChildWindows walks all descendants, parents before children.
    EnumChildWindows(top, FindById, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

HWND WaitControl(HWND top, int id, Millis timeout) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = Control(top, id)) != nullptr; }, timeout);
    return found;
}

std::wstring Text(HWND hwnd) {
    LRESULT length = 0;
    if (!hwnd || !Send(hwnd, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) {
        return {};
    }
    // WM_GETTEXTLENGTH may overestimate; WM_GETTEXT says what it copied.
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) {
        return {};
    }
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return text;
}

bool SetText(HWND hwnd, std::wstring_view text) {
    const std::wstring copy(text);
    LRESULT result = 0;
    return hwnd && Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()), &result) && result;
}

int CheckState(HWND button) {
    LRESULT state = 0;
    return button && Send(button, BM_GETCHECK, 0, 0, &state) ? static_cast<int>(state) : -1;
}

bool Enabled(HWND hwnd) { return hwnd && IsWindowEnabled(hwnd); }

bool Visible(HWND hwnd) { return hwnd && IsWindowVisible(hwnd); }

bool Minimized(HWND hwnd) { return hwnd && IsIconic(hwnd); }

RECT WindowRect(HWND hwnd) {
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}

bool Click(HWND button) {
    // Posted, not sent: a click that opens a modal dialog would keep a sent
    // BM_CLICK from returning until the dialog closes.
    return button && PostMessageW(button, BM_CLICK, 0, 0);
}

bool PostCommand(HWND window, int id) {
    return window && PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool Close(HWND window) { return window && PostMessageW(window, WM_CLOSE, 0, 0); }

bool TypeText(HWND control, std::wstring_view text) {
    if (!control) {
        return false;
    }
    for (const wchar_t c : text) {
        if (!PostMessageW(control, WM_CHAR, c, 1)) {
            return false;
        }
    }
    return true;
}

bool PressKey(HWND hwnd, UINT vk) {
    if (!hwnd) {
        return false;
    }
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM down = 1 | scan;
    const LPARAM up = 1 | scan | (1 << 30) | (static_cast<LPARAM>(1) << 31);
    return PostMessageW(hwnd, WM_KEYDOWN, vk, down) && PostMessageW(hwnd, WM_KEYUP, vk, up);
}

bool SetFocusTo(HWND control) {
    if (!control || !IsWindow(control)) {
        return false;
    }
    const DWORD target = GetWindowThreadProcessId(control, nullptr);
    const DWORD self = GetCurrentThreadId();
    // SetFocus only works on windows of the calling thread's input queue, so
    // share the target thread's queue for the call.
    const bool attached = target != self && AttachThreadInput(self, target, TRUE);
    if (target != self && !attached) {
        return false;
    }
    SetFocus(control);
    const bool ok = GetFocus() == control;
    if (attached) {
        AttachThreadInput(self, target, FALSE);
    }
    return ok;
}

namespace {

std::optional<GUITHREADINFO> ThreadInfo(HWND hwnd) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = hwnd ? GetWindowThreadProcessId(hwnd, nullptr) : 0;
    if (!thread || !GetGUIThreadInfo(thread, &info)) {
        return std::nullopt;
    }
    return info;
}

}  // namespace

HWND FocusOf(HWND hwnd) {
    const auto info = ThreadInfo(hwnd);
    return info ? info->hwndFocus : nullptr;
}

HWND ActiveOf(HWND hwnd) {
    const auto info = ThreadInfo(hwnd);
    return info ? info->hwndActive : nullptr;
}

// ---- notification area --------------------------------------------------------

namespace {

HWND TrayWindow() { return FindWindowW(L"Shell_TrayWnd", nullptr); }

std::vector<HWND> TrayTooltips(HWND tray) {
    WindowSearch search;
    search.owner = tray;
    EnumWindows(CollectTrayTooltips, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::vector<TrayIcon> TrayIcons() {
    std::vector<TrayIcon> icons;
    const HWND tray = TrayWindow();
    if (!tray) {
        return icons;
    }
    WindowSearch windows;
    EnumChildWindows(tray, CollectTrayIcons, reinterpret_cast<LPARAM>(&windows));
    for (HWND hwnd : windows.found) {
        RECT client = {};
        GetClientRect(hwnd, &client);
        icons.push_back({hwnd, {client.right / 2, client.bottom / 2}});
    }
    if (!icons.empty()) {
        return icons;
    }
    // Painted icons: cells of a small icon plus a 2-pixel border each side,
    // from the right end of the taskbar, left of the taskbar buttons. Wine
    // keeps no per-icon object we could count, so read what the screen shows:
    // a cell with an icon is not a single colour.
    RECT client = {};
    GetClientRect(tray, &client);
    LONG limit = 0;
    WindowSearch children;
    EnumChildWindows(tray, CollectVisibleChildren, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children.found) {
        RECT rect = WindowRect(child);
        MapWindowPoints(nullptr, tray, reinterpret_cast<POINT*>(&rect), 2);
        limit = std::max(limit, rect.right);
    }
    POINT origin = {0, 0};
    ClientToScreen(tray, &origin);
    RECT on_screen = client;
    OffsetRect(&on_screen, origin.x, origin.y);
    const auto image = CaptureScreen(on_screen);
    if (!image || image->width != client.right || image->height != client.bottom) {
        return icons;
    }
    const int icon_cx = GetSystemMetrics(SM_CXSMICON);
    const int icon_cy = std::min<int>(GetSystemMetrics(SM_CYSMICON), client.bottom);
    const int cell = icon_cx + 4;
    const int top = (client.bottom - icon_cy) / 2;
    for (int i = 0;; ++i) {
        const int left = client.right - cell * (i + 1);
        if (left < limit || left < 0) {
            break;
        }
        const std::uint32_t first = image->At(left + 2, top);
        bool plain = true;
        for (int y = top; y < top + icon_cy && plain; ++y) {
            for (int x = left + 2; x < left + 2 + icon_cx; ++x) {
                if (image->At(x, y) != first) {
                    plain = false;
                    break;
                }
            }
        }
        if (plain) {
            break;
        }
        icons.push_back({tray, {left + cell / 2, client.bottom / 2}});
    }
    return icons;
}

bool PostTrayMouse(const TrayIcon& icon, UINT msg) {
    WPARAM keys = 0;
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        keys = MK_LBUTTON;
    } else if (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) {
        keys = MK_RBUTTON;
    }
    return icon.window && PostMessageW(icon.window, msg, keys, MAKELPARAM(icon.point.x, icon.point.y));
}

bool ClickTrayIcon(const TrayIcon& icon, bool right_button) {
    return PostTrayMouse(icon, right_button ? WM_RBUTTONDOWN : WM_LBUTTONDOWN) &&
           PostTrayMouse(icon, right_button ? WM_RBUTTONUP : WM_LBUTTONUP);
}

std::optional<std::wstring> TrayBalloonText() {
    const HWND tray = TrayWindow();
    if (!tray) {
        return std::nullopt;
    }
    for (HWND tip : TrayTooltips(tray)) {
        if ((GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON) && IsWindowVisible(tip)) {
            return Text(tip);
        }
    }
    return std::nullopt;
}

// ---- registry -------------------------------------------------------------------

std::wstring RegValue::String() const {
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || data.size() < sizeof(wchar_t)) {
        return {};
    }
    std::wstring s(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(s.data(), data.data(), s.size() * sizeof(wchar_t));
    while (!s.empty() && s.back() == L'\0') {
        s.pop_back();
    }
    return s;
}

std::optional<DWORD> RegValue::Dword() const {
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    DWORD value = 0;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

VbSettings::VbSettings(std::wstring app) : app_(std::move(app)) {}

std::wstring VbSettings::KeyPath(std::wstring_view section) const {
    std::wstring path = L"Software\\VB and VBA Program Settings\\" + app_;
    if (!section.empty()) {
        path += L'\\';
        path += section;
    }
    return path;
}

namespace {

bool WriteValue(const std::wstring& key_path, std::wstring_view name, DWORD type, const void* data,
                size_t size) {
    KeyCloser key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key.key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring value_name(name);
    return RegSetValueExW(key.key, value_name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

}  // namespace

bool VbSettings::WriteString(std::wstring_view section, std::wstring_view name,
                             std::wstring_view value) const {
    const std::wstring copy(value);
    return WriteValue(KeyPath(section), name, REG_SZ, copy.c_str(), (copy.size() + 1) * sizeof(wchar_t));
}

bool VbSettings::WriteDword(std::wstring_view section, std::wstring_view name, DWORD value) const {
    return WriteValue(KeyPath(section), name, REG_DWORD, &value, sizeof value);
}

bool VbSettings::WriteBinary(std::wstring_view section, std::wstring_view name,
                             const std::vector<std::uint8_t>& value) const {
    return WriteValue(KeyPath(section), name, REG_BINARY, value.data(), value.size());
}

std::optional<RegValue> VbSettings::Read(std::wstring_view section, std::wstring_view name) const {
    KeyCloser key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, KEY_QUERY_VALUE, &key.key) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::wstring value_name(name);
    RegValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key.key, value_name.c_str(), nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    if (RegQueryValueExW(key.key, value_name.c_str(), nullptr, &value.type, value.data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

std::vector<std::wstring> VbSettings::Names(std::wstring_view section) const {
    std::vector<std::wstring> names;
    KeyCloser key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, KEY_QUERY_VALUE, &key.key) !=
        ERROR_SUCCESS) {
        return names;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (RegEnumValueW(key.key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

bool VbSettings::Exists(std::wstring_view section) const {
    KeyCloser key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(section).c_str(), 0, KEY_READ, &key.key) == ERROR_SUCCESS;
}

bool VbSettings::Delete(std::wstring_view section) const {
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, KeyPath(section).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    // RegDeleteTree empties the key; the key itself goes separately.
    const LSTATUS gone = RegDeleteKeyW(HKEY_CURRENT_USER, KeyPath(section).c_str());
    return (gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND) && !Exists(section);
}

// ---- screenshots ------------------------------------------------------------------

std::optional<Image> CaptureScreen(const RECT& wanted) {
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT rect;
    if (!IntersectRect(&rect, &wanted, &screen)) {
        return std::nullopt;
    }
    Image image;
    image.width = rect.right - rect.left;
    image.height = rect.bottom - rect.top;

    const HDC screen_dc = GetDC(nullptr);
    if (!screen_dc) {
        return std::nullopt;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC memory_dc = CreateCompatibleDC(screen_dc);
    const HBITMAP bitmap = CreateDIBSection(screen_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory_dc && bitmap && bits) {
        const HGDIOBJ old = SelectObject(memory_dc, bitmap);
        ok = BitBlt(memory_dc, 0, 0, image.width, image.height, screen_dc, rect.left, rect.top,
                    SRCCOPY | CAPTUREBLT);
        GdiFlush();
        if (ok) {
            const auto* src = static_cast<const std::uint32_t*>(bits);
            image.pixels.assign(src, src + static_cast<size_t>(image.width) * image.height);
            for (auto& p : image.pixels) {
                p &= 0x00FFFFFF;  // BGRA in memory is 0x00RRGGBB as a little-endian word
            }
        }
        SelectObject(memory_dc, old);
    }
    if (bitmap) {
        DeleteObject(bitmap);
    }
    if (memory_dc) {
        DeleteDC(memory_dc);
    }
    ReleaseDC(nullptr, screen_dc);
    if (!ok) {
        return std::nullopt;
    }
    return image;
}

std::optional<Image> CaptureWindow(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) {
        return std::nullopt;
    }
    return CaptureScreen(WindowRect(hwnd));
}

std::optional<Image> CaptureDesktop() {
    const RECT rect = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                       GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return CaptureScreen(rect);
}

namespace {

std::uint32_t Crc32(const std::uint8_t* data, size_t size, std::uint32_t crc = 0) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void PutChunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& body) {
    PutBig32(out, static_cast<std::uint32_t>(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Image& image) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height) {
        return {};
    }

    std::vector<std::uint8_t> header;
    PutBig32(header, static_cast<std::uint32_t>(image.width));
    PutBig32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, adaptive filter, no interlace
    PutChunk(png, "IHDR", header);

    // Scanlines: filter type 0, then R G B per pixel.
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<size_t>(image.height) * (1 + 3 * static_cast<size_t>(image.width)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.At(x, y);
            raw.push_back(static_cast<std::uint8_t>(p >> 16));
            raw.push_back(static_cast<std::uint8_t>(p >> 8));
            raw.push_back(static_cast<std::uint8_t>(p));
        }
    }

    // zlib stream of stored blocks, each at most 65535 bytes.
    std::vector<std::uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                 raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
    } while (pos < raw.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(z, (b << 16) | a);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", {});
    return png;
}

bool WritePng(const Image& image, const fs::path& path) {
    const std::vector<std::uint8_t> png = EncodePng(image);
    if (png.empty()) {
        return false;
    }
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == png.size();
}

fs::path SaveScreenshot(HWND hwnd, std::wstring_view name) {
    const auto image = hwnd ? CaptureWindow(hwnd) : CaptureDesktop();
    if (!image) {
        return {};
    }
    const fs::path path = ArtifactDir() / (std::wstring(name) + L".png");
    return WritePng(*image, path) ? path : fs::path();
}

}  // namespace e2e
