#include "win32/win32_system.h"

#include <windows.h>

#include <vector>

namespace {

const wchar_t kSettingsRoot[] = L"Software\\VB and VBA Program Settings\\";

std::wstring SettingsPath(const std::wstring& app, const std::wstring& section) {
    return kSettingsRoot + app + L"\\" + section;
}

}  // namespace

LocalTime Win32System::Now() const {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.weekday = st.wDayOfWeek;
    return t;
}

std::wstring Win32System::FormatTimeOfDay(const LocalTime& t) const {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    wchar_t buf[128];
    if (::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 128) > 0) return buf;
    wchar_t fallback[16];
    wsprintfW(fallback, L"%02d:%02d:%02d", t.hour, t.minute, t.second);
    return fallback;
}

std::optional<std::wstring> Win32System::GetSetting(const std::wstring& app, const std::wstring& section,
                                                    const std::wstring& key) const {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, SettingsPath(app, section).c_str(), 0, KEY_QUERY_VALUE, &raw) !=
        ERROR_SUCCESS)
        return std::nullopt;
    const RegKey k(raw);
    // The value may change size between the two calls; try a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, bytes = 0;
        if (::RegQueryValueExW(k.get(), key.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_SZ) return std::nullopt;  // only text values are settings
        std::vector<wchar_t> buf(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
        const LONG r = ::RegQueryValueExW(k.get(), key.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(buf.data()), &got);
        if (r == ERROR_MORE_DATA) continue;
        if (r != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
        // The stored data need not end in a NUL, nor be a whole number of characters.
        std::wstring s(buf.data(), got / sizeof(wchar_t));
        const auto nul = s.find(L'\0');
        if (nul != std::wstring::npos) s.resize(nul);
        return s;
    }
    return std::nullopt;
}

bool Win32System::SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                              const std::wstring& value) {
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, SettingsPath(app, section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return false;
    const RegKey k(raw);
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(k.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            bytes) == ERROR_SUCCESS;
}

bool Win32System::FileExists(const std::wstring& path) const {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32System::PathExists(const std::wstring& path) const {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32System::RemoveFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != 0; }

bool Win32System::CreateFolder(const std::wstring& path) {
    return ::CreateDirectoryW(path.c_str(), nullptr) != 0;
}

bool Win32System::CopyFileTo(const std::wstring& from, const std::wstring& to) {
    return ::CopyFileW(from.c_str(), to.c_str(), TRUE) != 0;
}

bool Win32System::MoveReplace(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

std::optional<std::string> Win32System::ReadFile(const std::wstring& path, std::uint64_t limit) const {
    const File file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size) || static_cast<std::uint64_t>(size.QuadPart) > limit)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD total = 0, got = 0;
    while (total < bytes.size() &&
           ::ReadFile(file.get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &got,
                      nullptr) &&
           got > 0)
        total += got;
    if (total != bytes.size()) return std::nullopt;
    return bytes;
}

std::wstring Win32System::FromAnsi(std::string_view bytes) const {
    if (bytes.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring s(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), s.data(), n);
    return s;
}

std::optional<int> Win32System::PlatformId() const {
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!::GetVersionExW(&v)) return std::nullopt;
    return static_cast<int>(v.dwPlatformId);
}

void Win32System::GetShutdownPrivilege() {
    // Each call on its own: a failure leaves the later ones to fail in turn,
    // and the request that follows is made all the same.
    HANDLE raw = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw);
    const Handle token(raw);
    TOKEN_PRIVILEGES want{};
    want.PrivilegeCount = 1;
    ::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &want.Privileges[0].Luid);
    want.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    TOKEN_PRIVILEGES before{};
    DWORD length = 0;
    ::AdjustTokenPrivileges(token.get(), FALSE, &want, sizeof before, &before, &length);
}

bool Win32System::RequestShutdown(unsigned flags) { return ::ExitWindowsEx(flags, 1) != 0; }

bool Win32System::Online() const {
    using ConnectedFn = BOOL(WINAPI*)(LPDWORD, LPWSTR, DWORD, DWORD);
    if (!wininet_) wininet_.reset(::LoadLibraryW(L"wininet.dll"));
    const auto connected = ProcAddress<ConnectedFn>(wininet_.get(), "InternetGetConnectedStateExW");
    DWORD flags = 0;
    // A test that cannot be made counts as offline.
    return connected && connected(&flags, nullptr, 260, 0) == TRUE;
}

bool Win32System::AnotherInstanceRunning() {
    // One instance per user session; the mutex lives as long as the process.
    instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, L"Local\\QingChuangHuaXia.SingleInstance"));
    return instanceMutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS;
}

std::wstring Win32System::WindowsDirectory() const {
    std::vector<wchar_t> buf(MAX_PATH + 1);
    UINT n = ::GetWindowsDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
    if (n >= buf.size()) {
        buf.resize(n + 1);
        n = ::GetWindowsDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
        if (n >= buf.size()) return {};
    }
    std::wstring dir(buf.data(), n);
    while (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    return dir;
}

std::wstring Win32System::ExecutablePath() const {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return std::wstring(buf.data(), n);
        if (buf.size() > 32768) return {};
        buf.resize(buf.size() * 2);
    }
}

void Win32System::TrimWorkingSet() {
    ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

std::wstring Win32System::AnsiSafePath(const std::wstring& path) const {
    BOOL lost = FALSE;
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &lost);
    if (!lost) return path;
    const DWORD n = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::vector<wchar_t> buf(n);
    const DWORD got = ::GetShortPathNameW(path.c_str(), buf.data(), n);
    return got > 0 && got < n ? std::wstring(buf.data(), got) : path;
}

bool Win32System::StartProcess(const std::wstring& commandLine) {
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // Started, not watched.
    const Handle thread(pi.hThread), process(pi.hProcess);
    return true;
}

std::span<const std::uint8_t> Win32System::FindWav(std::string_view name) const {
    // Resource names are looked up without regard to case.
    std::wstring wide(name.begin(), name.end());
    if (wide.empty() || wide.find(L'\0') != std::wstring::npos) return {};
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(self, wide.c_str(), L"WAV");
    if (!res) return {};
    HGLOBAL data = ::LoadResource(self, res);
    const DWORD size = ::SizeofResource(self, res);
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (!bytes || size == 0) return {};
    return {static_cast<const std::uint8_t*>(bytes), size};
}

void Win32System::PlayImage(std::span<const std::uint8_t> image, std::uint32_t flags) {
    if (image.empty()) return;
    if (!winmm_) {
        winmm_.reset(::LoadLibraryW(L"winmm.dll"));
        sndPlaySound_ = ProcAddress<PlaySoundFn>(winmm_.get(), "sndPlaySoundW");
    }
    // A failure (no audio device) returns at once; the caller carries on.
    if (sndPlaySound_) sndPlaySound_(reinterpret_cast<LPCWSTR>(image.data()), flags);
}
