// The recordings in the program's resources, and playing them.

#include <windows.h>

#include "win32/win32_system.h"

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
