// Whether the machine is online.

#include <windows.h>

#include "win32/win32_system.h"

namespace {

// The length of a connection-name buffer; the name itself is not asked for.
constexpr DWORD kConnectionNameChars = MAX_PATH;

}  // namespace

bool Win32System::Online() const {
    using ConnectedFn = BOOL(WINAPI*)(LPDWORD, LPWSTR, DWORD, DWORD);
    if (!wininet_) wininet_.reset(::LoadLibraryW(L"wininet.dll"));
    const auto connected = ProcAddress<ConnectedFn>(wininet_.get(), "InternetGetConnectedStateExW");
    DWORD flags = 0;
    // A test that cannot be made counts as offline.
    return connected && connected(&flags, nullptr, kConnectionNameChars, 0) == TRUE;
}
