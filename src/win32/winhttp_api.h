#pragma once

#include <windows.h>
// winhttp.h needs windows.h before it.
#include <winhttp.h>

#include <string>

#include "win32/handles.h"

namespace winhttp {

struct CloseInternet {
    decltype(&::WinHttpCloseHandle) close = nullptr;
    void operator()(HINTERNET h) const { close(h); }
};
using Internet = UniqueHandle<HINTERNET, CloseInternet>;

// The WinHTTP functions the transfers use. The library is loaded at the first
// transfer, not with the program: most starts never fetch anything, and those
// that do fetch seconds later. It is never unloaded: a closed request's last
// callback may still come.
struct Api {
    HMODULE module = nullptr;
    decltype(&::WinHttpOpen) Open = nullptr;
    decltype(&::WinHttpSetOption) SetOption = nullptr;
    decltype(&::WinHttpSetStatusCallback) SetStatusCallback = nullptr;
    decltype(&::WinHttpSetTimeouts) SetTimeouts = nullptr;
    decltype(&::WinHttpCloseHandle) Close = nullptr;
    decltype(&::WinHttpCrackUrl) CrackUrl = nullptr;
    decltype(&::WinHttpConnect) Connect = nullptr;
    decltype(&::WinHttpOpenRequest) OpenRequest = nullptr;
    decltype(&::WinHttpSendRequest) SendRequest = nullptr;
    decltype(&::WinHttpReceiveResponse) ReceiveResponse = nullptr;
    decltype(&::WinHttpQueryHeaders) QueryHeaders = nullptr;
    decltype(&::WinHttpQueryDataAvailable) QueryDataAvailable = nullptr;
    decltype(&::WinHttpReadData) ReadData = nullptr;
    decltype(&::WinHttpGetIEProxyConfigForCurrentUser) GetUserProxyConfig = nullptr;
    decltype(&::WinHttpGetProxyForUrl) GetProxyForUrl = nullptr;

    // Loads the library once; false when it or one of its functions is missing.
    bool Load() {
        if (module) return Close != nullptr;
        const HMODULE m = module = ::LoadLibraryW(L"winhttp.dll");
        const bool all = Resolve(m, Open, "WinHttpOpen") && Resolve(m, SetOption, "WinHttpSetOption") &&
                         Resolve(m, SetStatusCallback, "WinHttpSetStatusCallback") &&
                         Resolve(m, SetTimeouts, "WinHttpSetTimeouts") &&
                         Resolve(m, CrackUrl, "WinHttpCrackUrl") && Resolve(m, Connect, "WinHttpConnect") &&
                         Resolve(m, OpenRequest, "WinHttpOpenRequest") &&
                         Resolve(m, SendRequest, "WinHttpSendRequest") &&
                         Resolve(m, ReceiveResponse, "WinHttpReceiveResponse") &&
                         Resolve(m, QueryHeaders, "WinHttpQueryHeaders") &&
                         Resolve(m, QueryDataAvailable, "WinHttpQueryDataAvailable") &&
                         Resolve(m, ReadData, "WinHttpReadData") &&
                         Resolve(m, GetUserProxyConfig, "WinHttpGetIEProxyConfigForCurrentUser") &&
                         Resolve(m, GetProxyForUrl, "WinHttpGetProxyForUrl");
        // Close last: without it nothing else is used.
        if (all) Resolve(m, Close, "WinHttpCloseHandle");
        return Close != nullptr;
    }
    // Owns a handle that Open, Connect or OpenRequest gave.
    Internet Own(HINTERNET h) const { return Internet(h, CloseInternet{Close}); }
};

// A text WinHTTP allocated for the caller, copied and freed.
inline std::wstring TakeText(LPWSTR s) {
    std::wstring text = s ? s : L"";
    if (s) ::GlobalFree(s);
    return text;
}

}  // namespace winhttp
