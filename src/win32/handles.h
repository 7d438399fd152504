#pragma once

#include <windows.h>

#include <utility>

// The failure value of most handles, and of files and find handles.
template <class T>
struct NullHandle {
    static T Value() { return nullptr; }
};
struct InvalidHandle {
    static HANDLE Value() { return INVALID_HANDLE_VALUE; }
};

// Move-only owner of one Windows handle; each compares with its own failure
// value. A closer that needs more than the handle carries it along.
template <class T, class Close, class Invalid = NullHandle<T>>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h, Close close = {}) : h_(h), close_(close) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Invalid::Value())), close_(o.close_) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            reset(std::exchange(o.h_, Invalid::Value()));
            close_ = o.close_;
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Invalid::Value(); }
    void reset(T h = Invalid::Value()) {
        if (h_ != Invalid::Value()) close_(h_);
        h_ = h;
    }
    T release() { return std::exchange(h_, Invalid::Value()); }

private:
    T h_ = Invalid::Value();
    [[no_unique_address]] Close close_{};
};

struct CloseKernel {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
struct CloseFind {
    void operator()(HANDLE h) const { ::FindClose(h); }
};
struct CloseKey {
    void operator()(HKEY h) const { ::RegCloseKey(h); }
};
struct CloseGdi {
    void operator()(HGDIOBJ h) const { ::DeleteObject(h); }
};
struct CloseMenu {
    void operator()(HMENU h) const { ::DestroyMenu(h); }
};
struct CloseIcon {
    void operator()(HICON h) const { ::DestroyIcon(h); }
};
struct CloseModule {
    void operator()(HMODULE h) const { ::FreeLibrary(h); }
};
struct ReleaseWindowDc {
    HWND window = nullptr;
    void operator()(HDC dc) const { ::ReleaseDC(window, dc); }
};
// Puts the object that a selection replaced back into its device context.
struct Reselect {
    HDC dc = nullptr;
    void operator()(HGDIOBJ old) const { ::SelectObject(dc, old); }
};

using Handle = UniqueHandle<HANDLE, CloseKernel>;
using File = UniqueHandle<HANDLE, CloseKernel, InvalidHandle>;
using FindHandle = UniqueHandle<HANDLE, CloseFind, InvalidHandle>;
using RegKey = UniqueHandle<HKEY, CloseKey>;
using Font = UniqueHandle<HFONT, CloseGdi>;
using Menu = UniqueHandle<HMENU, CloseMenu>;
using Icon = UniqueHandle<HICON, CloseIcon>;
using Module = UniqueHandle<HMODULE, CloseModule>;
using WindowDc = UniqueHandle<HDC, ReleaseWindowDc>;
using Selection = UniqueHandle<HGDIOBJ, Reselect>;

// The device context of a window's client area; of the screen for nullptr.
inline WindowDc GetWindowDc(HWND window) { return WindowDc(::GetDC(window), ReleaseWindowDc{window}); }

// Selects an object into a device context until the selection goes.
inline Selection Select(HDC dc, HGDIOBJ object) {
    return Selection(::SelectObject(dc, object), Reselect{dc});
}

// A function of a loaded module as a typed pointer; null when it is missing.
template <class F>
F ProcAddress(HMODULE module, const char* name) {
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// Fills `f` with a function of a loaded module; false when it is missing.
template <class F>
bool Resolve(HMODULE module, F& f, const char* name) {
    f = ProcAddress<F>(module, name);
    return f != nullptr;
}
