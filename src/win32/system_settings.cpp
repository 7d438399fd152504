// The per-user settings: text values in the registry.

#include <windows.h>

#include <vector>

#include "win32/win32_system.h"

namespace {

const wchar_t kSettingsRoot[] = L"Software\\VB and VBA Program Settings\\";

// The value may change size between asking for it and reading it.
constexpr int kReadAttempts = 4;

std::wstring SettingsPath(const std::wstring& app, const std::wstring& section) {
    return kSettingsRoot + app + L"\\" + section;
}

}  // namespace

std::optional<std::wstring> Win32System::GetSetting(const std::wstring& app, const std::wstring& section,
                                                    const std::wstring& key) const {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, SettingsPath(app, section).c_str(), 0, KEY_QUERY_VALUE, &raw) !=
        ERROR_SUCCESS)
        return std::nullopt;
    const RegKey k(raw);
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
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
