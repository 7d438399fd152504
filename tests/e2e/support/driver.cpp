#include "support/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

namespace e2e {

namespace {

// A program stuck in a modal loop or hung must show up as a failed
// expectation, not as a test that never ends.
bool Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result = nullptr) {
    DWORD_PTR out = 0;
    if (!hwnd || !SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &out)) return false;
    if (result) *result = static_cast<LRESULT>(out);
    return true;
}

std::runtime_error Error(const std::string& what) {
    return std::runtime_error(what + " failed with error " + std::to_string(GetLastError()));
}

// Enumeration callbacks must be WINAPI functions, which lambdas are not on i686.
template <class F>
void ForEachWindow(HWND parent, F&& f) {
    const WNDENUMPROC each = [](HWND h, LPARAM lp) -> BOOL CALLBACK { return (*reinterpret_cast<F*>(lp))(h); };
    parent ? EnumChildWindows(parent, each, reinterpret_cast<LPARAM>(&f))
           : EnumWindows(each, reinterpret_cast<LPARAM>(&f));
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    std::wstring out(utf8.size(), L'\0');
    out.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                                   static_cast<int>(out.size())));
    return out;
}

std::string Narrow(std::wstring_view utf16) {
    std::string out(utf16.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(),
                                   static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

void Pump(Millis duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

bool WaitUntil(const std::function<bool()>& done, Millis timeout, Millis interval) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return done();
        Pump(interval);
    }
    return true;
}

// ---- files and processes ---------------------------------------------------------

fs::path ExePath() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    return fs::path(std::wstring(buffer, n));
}

fs::path ProductPath() { return ExePath().parent_path() / L"qingchuang.exe"; }

fs::path ArtifactDir() {
    wchar_t buffer[MAX_PATH * 4] = {};
    std::wstring dir(buffer, GetEnvironmentVariableW(L"E2E_ARTIFACTS", buffer, MAX_PATH * 4));
    // A Unix path from the harness: Wine maps the root to Z:.
    if (!dir.empty() && dir.front() == L'/') dir = L"Z:" + dir;
    const fs::path path = dir.empty() ? ExePath().parent_path() / L"e2e-artifacts" : fs::path(dir);
    std::error_code ec;
    fs::create_directories(path, ec);
    return path;
}

Sandbox::Sandbox(std::wstring_view name) {
    static int counter = 0;
    root_ = fs::temp_directory_path() /
            (L"e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    dir_ = root_ / name;
    fs::remove_all(root_);
    fs::create_directories(dir_);
}

Sandbox::~Sandbox() {
    // A program that just ended may hold its files for a moment longer.
    std::error_code ec;
    for (int i = 0; i < 100 && (fs::remove_all(root_, ec), fs::exists(root_, ec)); ++i) Sleep(50);
}

fs::path Sandbox::Write(std::wstring_view name, std::string_view bytes) const {
    const fs::path to = dir_ / name;
    const HANDLE file = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!ok || written != bytes.size()) throw Error("writing " + Narrow(to.wstring()));
    return to;
}

std::wstring QuoteArg(std::wstring_view arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring_view::npos) return std::wstring(arg);
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
    return out.append(backslashes * 2, L'\\') + L'"';
}

Process& Process::operator=(Process&& other) noexcept {
    std::swap(handle_, other.handle_);
    std::swap(pid_, other.pid_);
    return *this;
}

Process::~Process() {
    Kill();
    if (handle_) CloseHandle(handle_);
}

Process Process::Start(const fs::path& exe, const std::vector<std::wstring>& args) {
    std::wstring command_line = QuoteArg(exe.wstring());
    for (const auto& arg : args) command_line += L' ' + QuoteArg(arg);
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        exe.parent_path().c_str(), &startup, &info))
        throw Error("starting " + Narrow(exe.wstring()));
    CloseHandle(info.hThread);
    Process process;
    process.handle_ = info.hProcess;
    process.pid_ = info.dwProcessId;
    return process;
}

bool Process::WaitExit(Millis timeout) const {
    return handle_ && WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::optional<DWORD> Process::ExitCode() const {
    DWORD code = 0;
    if (!handle_ || Running() || !GetExitCodeProcess(handle_, &code)) return std::nullopt;
    return code;
}

void Process::Kill() {
    if (!Running()) return;
    TerminateProcess(handle_, 0xDEAD);
    WaitForSingleObject(handle_, 10000);
}

// ---- windows --------------------------------------------------------------------

std::wstring ClassName(HWND hwnd) {
    wchar_t name[256];
    return std::wstring(name, std::max(GetClassNameW(hwnd, name, 256), 0));
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::vector<HWND> TopWindows(DWORD pid) {
    std::vector<HWND> found;
    ForEachWindow(nullptr, [&](HWND h) {
        if (ProcessOf(h) == pid) found.push_back(h);
        return TRUE;
    });
    return found;
}

HWND FindTopWindow(DWORD pid, std::wstring_view class_name, bool visible, Millis timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND h : TopWindows(pid))
                if (ClassName(h) == class_name && (!visible || IsWindowVisible(h))) return (found = h) != nullptr;
            return false;
        },
        timeout, 20ms);
    return found;
}

HWND Control(HWND top, int id) {
    HWND found = nullptr;
    ForEachWindow(top, [&](HWND h) {
        if (GetDlgCtrlID(h) == id) found = h;
        return found == nullptr;
    });
    return found;
}

std::wstring Text(HWND hwnd) {
    LRESULT length = 0;
    if (!Send(hwnd, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied)) return {};
    // WM_GETTEXTLENGTH may overestimate; WM_GETTEXT says what it copied.
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
    return text;
}

bool SetText(HWND hwnd, std::wstring_view text) {
    const std::wstring copy(text);
    LRESULT ok = 0;
    return Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()), &ok) && ok;
}

int CheckState(HWND button) {
    LRESULT state = 0;
    return Send(button, BM_GETCHECK, 0, 0, &state) ? static_cast<int>(state) : -1;
}

RECT WindowRect(HWND hwnd) {
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    return rect;
}

std::wstring MessageBoxText(HWND box) { return Text(GetDlgItem(box, 0xFFFF)); }

bool PressButton(HWND dialog, int id) {
    const HWND button = GetDlgItem(dialog, id);
    return button && IsWindowEnabled(button) &&
           PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// Posted, not sent: a click that opens a modal box would not return until it closes.
bool Click(HWND button) { return button && PostMessageW(button, BM_CLICK, 0, 0); }

bool PostCommand(HWND window, int id) { return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

bool TypeText(HWND control, std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [&](wchar_t c) { return PostMessageW(control, WM_CHAR, c, 1); });
}

bool PressKey(HWND hwnd, UINT vk) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    return PostMessageW(hwnd, WM_KEYDOWN, vk, 1 | scan) &&
           PostMessageW(hwnd, WM_KEYUP, vk, 1 | scan | static_cast<LPARAM>(0xC0000000));
}

bool SetFocusTo(HWND control) {
    // SetFocus works only within the caller's input queue: share the control's for the call.
    const DWORD target = GetWindowThreadProcessId(control, nullptr);
    if (!target || !AttachThreadInput(GetCurrentThreadId(), target, TRUE)) return false;
    SetFocus(control);
    const bool ok = GetFocus() == control;
    AttachThreadInput(GetCurrentThreadId(), target, FALSE);
    return ok;
}

HWND FocusOf(HWND hwnd) {
    GUITHREADINFO info = {sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) ? info.hwndFocus : nullptr;
}

// ---- notification area ----------------------------------------------------------

std::vector<TrayIcon> TrayIcons() {
    std::vector<TrayIcon> icons;
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT client = {};
    if (!tray || !GetClientRect(tray, &client)) return icons;
    // The icons lie right of the taskbar buttons, each in a cell of a small
    // icon and two pixels each side. Wine keeps no object per icon that we
    // could count: a cell that is not all one colour holds one.
    LONG limit = 0;
    ForEachWindow(tray, [&](HWND child) {
        RECT r = WindowRect(child);
        MapWindowPoints(nullptr, tray, reinterpret_cast<POINT*>(&r), 2);
        if (IsWindowVisible(child)) limit = std::max(limit, r.right);
        return TRUE;
    });
    POINT origin = {0, 0};
    ClientToScreen(tray, &origin);
    const auto image = CaptureScreen({origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
    if (!image || image->width != client.right || image->height != client.bottom) return icons;
    const int icon_cx = GetSystemMetrics(SM_CXSMICON), cell = icon_cx + 4;
    const int icon_cy = std::min<int>(GetSystemMetrics(SM_CYSMICON), client.bottom);
    const int top = (client.bottom - icon_cy) / 2;
    for (int left = client.right - cell; left >= std::max(limit, 0L); left -= cell) {
        bool plain = true;
        for (int y = top; y < top + icon_cy && plain; ++y)
            for (int x = left + 2; x < left + 2 + icon_cx && plain; ++x) plain = image->At(x, y) == image->At(left + 2, top);
        if (plain) break;
        icons.push_back({tray, {left + cell / 2, client.bottom / 2}});
    }
    return icons;
}

bool PostTrayMouse(const TrayIcon& icon, UINT msg) {
    const WPARAM keys = msg == WM_LBUTTONDOWN ? MK_LBUTTON : msg == WM_RBUTTONDOWN ? MK_RBUTTON : 0;
    return icon.window && PostMessageW(icon.window, msg, keys, MAKELPARAM(icon.point.x, icon.point.y));
}

bool ClickTrayIcon(const TrayIcon& icon, bool right_button) {
    return PostTrayMouse(icon, right_button ? WM_RBUTTONDOWN : WM_LBUTTONDOWN) &&
           PostTrayMouse(icon, right_button ? WM_RBUTTONUP : WM_LBUTTONUP);
}

std::vector<std::wstring> Balloons() {
    std::vector<std::wstring> texts;
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    ForEachWindow(nullptr, [&](HWND h) {
        if (tray && GetWindow(h, GW_OWNER) == tray && ClassName(h) == TOOLTIPS_CLASSW && IsWindowVisible(h) &&
            (GetWindowLongW(h, GWL_STYLE) & TTS_BALLOON))
            texts.push_back(Text(h));
        return TRUE;
    });
    return texts;
}

// ---- the settings store ------------------------------------------------------------

namespace {
constexpr wchar_t kAppKey[] = L"Software\\VB and VBA Program Settings\\ravek";
constexpr wchar_t kSettingKey[] = L"Software\\VB and VBA Program Settings\\ravek\\setting";
}  // namespace

bool WriteSetting(std::wstring_view name, DWORD type, const void* data, DWORD size) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, kSettingKey, std::wstring(name).c_str(), type, data, size) ==
           ERROR_SUCCESS;
}

std::map<std::wstring, std::pair<DWORD, std::wstring>> StoredSettings() {
    std::map<std::wstring, std::pair<DWORD, std::wstring>> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return values;
    std::vector<wchar_t> name(16384), data(1 << 21);
    for (DWORD i = 0;; ++i) {
        DWORD name_size = static_cast<DWORD>(name.size()), type = 0;
        DWORD data_size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        if (RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &data_size) != ERROR_SUCCESS)
            break;
        std::wstring text = type == REG_SZ ? std::wstring(data.data(), data_size / sizeof(wchar_t)) : L"";
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        values[std::wstring(name.data(), name_size)] = {type, text};
    }
    RegCloseKey(key);
    return values;
}

bool DeleteSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kAppKey);
    HKEY key = nullptr;
    const bool gone = RegOpenKeyExW(HKEY_CURRENT_USER, kAppKey, 0, KEY_READ, &key) == ERROR_FILE_NOT_FOUND;
    if (key) RegCloseKey(key);
    return gone;
}

// ---- screenshots -------------------------------------------------------------------

std::optional<Image> CaptureScreen(const RECT& rect) {
    Image image;
    image.width = rect.right - rect.left;
    image.height = rect.bottom - rect.top;
    if (image.width <= 0 || image.height <= 0) return std::nullopt;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, image.width, -image.height, 1, 32, BI_RGB};  // top-down
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    if (bits && BitBlt(memory, 0, 0, image.width, image.height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT)) {
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        for (size_t i = 0; i < static_cast<size_t>(image.width) * image.height; ++i)
            image.pixels.push_back(p[i] & 0xFFFFFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (image.pixels.empty()) return std::nullopt;
    return image;
}

std::optional<Image> CaptureWindow(HWND hwnd) {
    if (!IsWindow(hwnd)) return std::nullopt;
    return CaptureScreen(WindowRect(hwnd));
}

namespace {

void Put32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift);
}

void PutChunk(std::string& png, const char* type, const std::string& body) {
    Put32(png, static_cast<std::uint32_t>(body.size()));
    const std::string typed = type + body;
    std::uint32_t crc = 0xFFFFFFFF;
    for (const unsigned char c : typed) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (crc & 1 ? 0xEDB88320u : 0);
    }
    png += typed;
    Put32(png, ~crc);
}

}  // namespace

bool SaveScreenshot(HWND hwnd, std::wstring_view name) {
    const int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN), cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const auto image = hwnd ? CaptureWindow(hwnd) : CaptureScreen({0, 0, cx, cy});
    if (!image) return false;
    // An 8-bit RGB PNG whose zlib stream holds stored (uncompressed) blocks.
    std::string raw, z = "\x78\x01", header;
    for (int y = 0; y < image->height; ++y) {
        raw += '\0';
        for (int x = 0; x < image->width; ++x)
            for (int shift : {16, 8, 0}) raw += static_cast<char>(image->At(x, y) >> shift);
    }
    std::uint32_t a = 1, b = 0;
    for (const unsigned char c : raw) b = (b + (a = (a + c) % 65521)) % 65521;
    for (size_t pos = 0; pos < raw.size(); pos += 65535) {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z += static_cast<char>(pos + n == raw.size());
        for (const size_t v : {n, n >> 8, ~n, ~n >> 8}) z += static_cast<char>(v);
        z += raw.substr(pos, n);
    }
    Put32(z, (b << 16) | a);
    Put32(header, image->width);
    Put32(header, image->height);
    header += std::string("\x08\x02\0\0\0", 5);
    std::string png = "\x89PNG\r\n\x1A\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", "");
    const HANDLE file = CreateFileW((ArtifactDir() / (std::wstring(name) + L".png")).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok && written == png.size();
}

std::uint32_t SysColor(int index) {
    const COLORREF c = GetSysColor(index);
    return static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
}

}  // namespace e2e
