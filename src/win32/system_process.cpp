// This process and the ones it starts.

#include <windows.h>

#include <vector>

#include "win32/win32_system.h"

namespace {

// The longest path the system takes, in characters.
constexpr std::size_t kLongestPath = 32768;

}  // namespace

bool Win32System::AnotherInstanceRunning() {
    // One instance per user session; the mutex lives as long as the process.
    instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, L"Local\\QingChuangHuaXia.SingleInstance"));
    return instanceMutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS;
}

std::wstring Win32System::ExecutablePath() const {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return std::wstring(buf.data(), n);
        if (buf.size() > kLongestPath) return {};
        buf.resize(buf.size() * 2);
    }
}

void Win32System::TrimWorkingSet() {
    ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
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
