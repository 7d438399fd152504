#include "win32/win32_desktop.h"

#include <windows.h>

#include <algorithm>

#include "win32/handles.h"
#include "win32/picture_convert.h"

namespace {

// The largest screen: a bigger bitmap would only be shrunk by the desktop.
BOOL CALLBACK Largest(HMONITOR, HDC, LPRECT r, LPARAM p) {
    auto* size = reinterpret_cast<SIZE*>(p);
    size->cx = std::max<LONG>(size->cx, r->right - r->left);
    size->cy = std::max<LONG>(size->cy, r->bottom - r->top);
    return TRUE;
}

}  // namespace

bool Win32Desktop::SetDeskWallpaper(const std::wstring& path) {
    return ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path.c_str()),
                                   SPIF_UPDATEINIFILE) != 0;
}

std::wstring Win32Desktop::DeskWallpaper() const {
    wchar_t path[MAX_PATH] = {};
    return ::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0) ? path : L"";
}

bool Win32Desktop::SetRegString(const std::wstring& key, const std::wstring& name, const std::wstring& data) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    RegKey k(raw);
    return ::RegSetValueExW(k.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool Win32Desktop::IsOrdinaryFile(const std::wstring& path) const {
    const DWORD a = ::GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES &&
           !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool Win32Desktop::CanWrite(const std::wstring& path) const {
    // The bitmap is written beside its place first, then moved over it.
    if (!File(::CreateFileW((path + L".tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr)))
        return false;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    // Checked by itself: under Wine a program running as root may open a
    // read-only file for writing all the same.
    if (attributes & FILE_ATTRIBUTE_READONLY) return false;
    return static_cast<bool>(File(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

bool Win32Desktop::ConvertToBitmap(const std::wstring& picture, const std::wstring& dst) {
    if (!com_.Initialize()) return false;
    SIZE screen{0, 0};
    ::EnumDisplayMonitors(nullptr, nullptr, &Largest, reinterpret_cast<LPARAM>(&screen));
    if (screen.cx <= 0 || screen.cy <= 0)
        screen = {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    return ::ConvertToBitmap(picture, dst, static_cast<std::uint32_t>(std::max<LONG>(screen.cx, 1)),
                             static_cast<std::uint32_t>(std::max<LONG>(screen.cy, 1)));
}

bool Win32Desktop::CopyBitmap(const std::wstring& bitmap, const std::wstring& dst) {
    return CopyBitmapFile(bitmap, dst);
}

std::vector<std::wstring> Win32Desktop::ListFiles(const std::wstring& folder) const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    const FindHandle find(::FindFirstFileExW((folder + L"*").c_str(), FindExInfoStandard, &fd,
                                             FindExSearchNameMatch, nullptr, 0));
    if (!find) return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(fd.cFileName);
    } while (::FindNextFileW(find.get(), &fd));
    return names;
}

int Win32Desktop::NotificationState() const {
    using QueryFn = HRESULT(WINAPI*)(int*);
    static const auto query =
        ProcAddress<QueryFn>(::GetModuleHandleW(L"shell32.dll"), "SHQueryUserNotificationState");
    int state = 0;
    return query && SUCCEEDED(query(&state)) ? state : 0;
}
