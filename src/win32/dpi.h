#pragma once

#include <windows.h>

#include "app/control_ids.h"
#include "win32/handles.h"

// The DPI that sizes given in pixels are meant for.
inline constexpr UINT kDefaultDpi = USER_DEFAULT_SCREEN_DPI;

// Functions that newer systems have, looked up so that the program still
// starts on Windows 7.
template <class F>
F User32(const char* name) {
    return ProcAddress<F>(::GetModuleHandleW(L"user32.dll"), name);
}

// The DPI of a window, or of the system for nullptr.
inline UINT DpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpi && hwnd) {
        const UINT d = getDpi(hwnd);
        if (d) return d;
    }
    const int d = ::GetDeviceCaps(GetWindowDc(nullptr).get(), LOGPIXELSY);
    return d > 0 ? static_cast<UINT>(d) : kDefaultDpi;
}

// A system metric for a DPI. GetSystemMetrics answers for the system DPI in
// a per-monitor aware process, so only its fallback is scaled.
inline int MetricForDpi(int index, UINT dpi) {
    using ForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32<ForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(DpiOf(nullptr)));
}

// The program's icon at the size of a system metric (SM_CXSMICON, SM_CXICON) for a DPI.
inline Icon AppIcon(HINSTANCE instance, int metric, UINT dpi) {
    const int size = MetricForDpi(metric, dpi);
    return Icon(
        static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0)));
}
