// Files, folders and paths.

#include <windows.h>

#include <vector>

#include "win32/win32_system.h"

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
