// Shutting the machine down.

#include <windows.h>

#include "win32/win32_system.h"

namespace {

// The reason recorded with the request: maintenance, of no particular kind.
constexpr DWORD kShutdownReason = SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_MAINTENANCE;

}  // namespace

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

bool Win32System::RequestShutdown(unsigned flags) { return ::ExitWindowsEx(flags, kShutdownReason) != 0; }
