#include "support/driver.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/local_time.h"

namespace e2e {

namespace {

// A program stuck in a modal loop or hung must show up as a failed
// expectation, not as a test that never ends.
bool Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result = nullptr) {
    DWORD_PTR out = 0;
    if (!hwnd || !SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &out))
        return false;
    if (result) *result = static_cast<LRESULT>(out);
    return true;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[256];
    return std::wstring(name, std::max(GetClassNameW(hwnd, name, 256), 0));
}

// Our arguments hold no quotes and end in no backslash.
std::wstring Quote(std::wstring_view arg) { return L"\"" + std::wstring(arg) + L"\""; }

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

template <class F>
F WineFunction(const char* name) {
    return reinterpret_cast<F>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

// Wine runs a file that is no Windows program as a Unix one, with no handle
// for it; its standard streams go to NUL, out of the test's output.

}  // namespace

bool StartUnixProgram(const std::string& unix_exe, const std::vector<std::wstring>& args) {
    static const auto to_dos = WineFunction<WCHAR*(CDECL*)(LPCSTR)>("wine_get_dos_file_name");
    WCHAR* exe = to_dos ? to_dos(unix_exe.c_str()) : nullptr;
    if (!exe) return false;
    std::wstring command = Quote(exe);
    HeapFree(GetProcessHeap(), 0, exe);
    for (const auto& a : args) command += L" " + Quote(a);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION info = {};
    const bool ok =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    for (HANDLE h : {info.hThread, info.hProcess, nul})
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return ok;
}

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

fs::path ExePath() {
    wchar_t buffer[MAX_PATH * 4];
    return std::wstring(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4));
}

fs::path ProductPath() { return ExePath().parent_path() / L"qingchuang.exe"; }

fs::path ArtifactDir() {
    const wchar_t* dir = _wgetenv(L"E2E_ARTIFACTS");
    // A Unix path from the harness: Wine maps the root to Z:.
    const fs::path path = !dir || !*dir  ? ExePath().parent_path() / L"e2e-artifacts"
                          : *dir == L'/' ? fs::path(L"Z:" + std::wstring(dir))
                                         : fs::path(dir);
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
    if (!(std::ofstream(to, std::ios::binary) << bytes))
        throw std::runtime_error("cannot write " + Narrow(to.wstring()));
    return to;
}

Process::~Process() {
    Kill();
    if (handle_) CloseHandle(handle_);
}

void Process::Start(const fs::path& exe, const std::vector<std::wstring>& args) {
    std::wstring command_line = Quote(exe.wstring());
    for (const auto& arg : args) command_line += L' ' + Quote(arg);
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        exe.parent_path().c_str(), &startup, &info))
        throw std::runtime_error("cannot start " + Narrow(exe.wstring()));
    CloseHandle(info.hThread);
    handle_ = info.hProcess;
    pid_ = info.dwProcessId;
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

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

HWND FindTopWindow(DWORD pid, std::wstring_view class_name, bool visible, Millis timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            ForEachWindow(nullptr, [&](HWND h) {
                if (ProcessOf(h) == pid && ClassName(h) == class_name && (!visible || IsWindowVisible(h)))
                    found = h;
                return found == nullptr;
            });
            return found != nullptr;
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
    LRESULT length = 0, copied = 0;
    if (!Send(hwnd, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
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

// Posted, not sent: a click that opens a modal box would not return until it closes.
bool Click(HWND button) { return button && PostMessageW(button, BM_CLICK, 0, 0); }

bool PostCommand(HWND window, int id) { return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

std::vector<TrayIcon> TrayIcons() {
    std::vector<TrayIcon> icons;
    const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT client = {};
    if (!tray || !GetClientRect(tray, &client)) return icons;
    // The icons lie right of the taskbar buttons, each in a cell of a small
    // icon and two pixels each side: a cell that is not all one colour holds one.
    LONG limit = 0;
    ForEachWindow(tray, [&](HWND child) {
        RECT r = WindowRect(child);
        MapWindowPoints(nullptr, tray, reinterpret_cast<POINT*>(&r), 2);
        if (IsWindowVisible(child)) limit = std::max(limit, r.right);
        return true;
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
            for (int x = left + 2; x < left + 2 + icon_cx && plain; ++x)
                plain = image->At(x, y) == image->At(left + 2, top);
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
        return true;
    });
    return texts;
}

namespace {
constexpr wchar_t kAppKey[] = L"Software\\VB and VBA Program Settings\\ravek";
constexpr wchar_t kSettingKey[] = L"Software\\VB and VBA Program Settings\\ravek\\setting";
}  // namespace

bool WriteSetting(std::wstring_view name, DWORD type, const void* data, DWORD size) {
    return !RegSetKeyValueW(HKEY_CURRENT_USER, kSettingKey, std::wstring(name).c_str(), type, data, size);
}

std::map<std::wstring, std::pair<DWORD, std::wstring>> StoredSettings() {
    std::map<std::wstring, std::pair<DWORD, std::wstring>> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingKey, 0, KEY_QUERY_VALUE, &key)) return values;
    std::vector<wchar_t> name(16384), data(1 << 21);
    DWORD name_size = 0, data_size = 0, type = 0;
    for (DWORD i = 0; name_size = 16384, data_size = 1 << 22,
               !RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &data_size);
         ++i) {
        std::wstring text(data.data(), type == REG_SZ ? data_size / sizeof(wchar_t) : 0);
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
    if (bits &&
        BitBlt(memory, 0, 0, image.width, image.height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT)) {
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

bool SaveScreenshot(HWND hwnd, std::wstring_view name) {
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const auto image = CaptureScreen(hwnd ? WindowRect(hwnd) : screen);
    if (!image) return false;
    // A 32-bit top-down BMP holds the captured words as they are.
    const DWORD bytes = static_cast<DWORD>(image->pixels.size() * 4), headers = 14 + sizeof(BITMAPINFOHEADER);
    const BITMAPFILEHEADER file = {0x4D42, headers + bytes, 0, 0, headers};
    const BITMAPINFOHEADER info = {sizeof info, image->width, -image->height, 1, 32, BI_RGB};
    std::ofstream out(ArtifactDir() / (std::wstring(name) + L".bmp"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file)
        .write(reinterpret_cast<const char*>(&info), sizeof info);
    return out.write(reinterpret_cast<const char*>(image->pixels.data()), bytes).good();
}

std::uint32_t SysColor(int index) {
    const COLORREF c = GetSysColor(index);
    return static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
}

std::span<const std::uint8_t> Resource(HMODULE file, std::wstring_view name, std::wstring_view type) {
    const HRSRC found = FindResourceW(file, std::wstring(name).c_str(), std::wstring(type).c_str());
    const HGLOBAL data = found ? LoadResource(file, found) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return {};
    return {static_cast<const std::uint8_t*>(bytes), SizeofResource(file, found)};
}

bool HaveAudioDevice() { return waveOutGetNumDevs() > 0; }

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::int64_t MinuteNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return MinuteSerial(MakeTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond));
}

void WaitForMinute(std::int64_t minute, Millis margin) {
    while (MinuteNow() < minute) Pump(20ms);
    Pump(margin);
}

std::wstring UnixArg(const fs::path& path) {
    static const auto to_unix = WineFunction<char*(CDECL*)(LPCWSTR)>("wine_get_unix_file_name");
    char* unix_path = to_unix ? to_unix(fs::absolute(path).c_str()) : nullptr;
    if (!unix_path) return path.wstring();
    const std::wstring out = Widen(unix_path);
    HeapFree(GetProcessHeap(), 0, unix_path);
    return out;
}

std::string AudioCheckTool(const char* built_in) {
    const char* from_env = std::getenv("E2E_AUDIO_CHECK");
    return from_env && *from_env ? from_env : built_in ? built_in : "";
}

Recorder::Recorder(const std::string& tool, const fs::path& folder) : raw_(folder / L"recording.raw") {
    started_ = StartUnixProgram(
        tool, {L"record", UnixArg(raw_), L"--stop", UnixArg(folder / L"recording.stop"), L"--max", L"400"});
}

bool Recorder::WaitStarted() {
    return started_ &&
           WaitUntil([&] { return Position() > 0 || fs::exists(raw_.wstring() + L".done"); }, 20s) &&
           Position() > 0;
}

std::int64_t Recorder::Position() const {
    std::error_code ec;
    const auto size = fs::file_size(raw_, ec);
    return ec ? 0 : static_cast<std::int64_t>(size / 2);
}

std::string Recorder::Stop() {
    if (!started_) return "the recorder could not be started";
    std::ofstream(raw_.parent_path() / L"recording.stop") << "stop\n";
    const fs::path done = raw_.wstring() + L".done";
    return WaitUntil([&] { return fs::exists(done); }, 10s) ? ReadText(done)
                                                            : ReadText(raw_.wstring() + L".log");
}

int RunAudioCheck(const std::string& tool, const fs::path& folder, const std::vector<std::wstring>& args,
                  std::string& report) {
    static int counter = 0;
    const fs::path file = folder / (L"report-" + std::to_wstring(++counter) + L".txt");
    std::vector<std::wstring> all = {L"--report", UnixArg(file)};
    all.insert(all.end(), args.begin(), args.end());
    // The report appears whole, with "exit N" last.
    if (!StartUnixProgram(tool, all) || !WaitUntil([&] { return fs::exists(file); }, 60s, 100ms)) {
        report = "no report from " + tool;
        return -1;
    }
    report = ReadText(file);
    const auto last = report.rfind("exit ");
    const int code = last == std::string::npos ? -1 : std::atoi(report.c_str() + last + 5);
    report.erase(std::min(last, report.size()));
    return code;
}

}  // namespace e2e
