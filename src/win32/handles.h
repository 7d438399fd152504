#pragma once

#include <windows.h>

#include <utility>

// Move-only owners of Windows handles; each compares with its own failure value.
template <class T, T Invalid, class Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Invalid)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Invalid));
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Invalid; }
    void reset(T h = Invalid) {
        if (h_ != Invalid) Close{}(h_);
        h_ = h;
    }
    T release() { return std::exchange(h_, Invalid); }

private:
    T h_ = Invalid;
};

struct CloseKernel {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
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

using Handle = UniqueHandle<HANDLE, nullptr, CloseKernel>;
using Key = UniqueHandle<HKEY, nullptr, CloseKey>;
using Font = UniqueHandle<HFONT, nullptr, CloseGdi>;
using Menu = UniqueHandle<HMENU, nullptr, CloseMenu>;
using Icon = UniqueHandle<HICON, nullptr, CloseIcon>;
using Module = UniqueHandle<HMODULE, nullptr, CloseModule>;

// A function of a loaded module as a typed pointer; null when it is missing.
template <class F>
F ProcAddress(HMODULE module, const char* name) {
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}
