#pragma once

// What one request of a WinHttpTransfer is made of: its handles and the
// completions that WinHTTP's callback leaves for it.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "win32/winhttp_transfer.h"

namespace winhttp {
inline std::wstring Part(const wchar_t* p, DWORD n) { return p ? std::wstring(p, n) : std::wstring(); }
}  // namespace winhttp

// One request's completions, left by WinHTTP's callback (on WinHTTP's own
// threads) for the thread that waits on `event`. Run and WinHTTP each hold a
// share; WinHTTP lets go of its share when the request's handle has closed,
// which may be after Run has returned, and the buffer a read fills lives
// until then.
struct WinHttpTransfer::Call {
    Handle event{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::vector<std::uint8_t> buffer;
    std::mutex m;
    DWORD done = 0;   // the completion that came; 0 while the call runs
    DWORD error = 0;  // of a failed call
    DWORD bytes = 0;  // available, or read
    std::atomic<int> shares{1};

    void Release() {
        if (--shares == 0) delete this;
    }
    void Begin() {
        std::lock_guard lock(m);
        done = error = bytes = 0;
    }
};

inline void CALLBACK WinHttpTransfer::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                                               DWORD length) {
    auto* call = reinterpret_cast<Call*>(context);
    if (!call) return;
    if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) return call->Release();
    std::lock_guard lock(call->m);
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
        call->bytes = info ? *static_cast<const DWORD*>(info) : 0;
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        call->bytes = length;
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        call->error =
            info ? static_cast<const WINHTTP_ASYNC_RESULT*>(info)->dwError : ERROR_WINHTTP_INTERNAL_ERROR;
        break;
    default:
        return;
    }
    call->done = status;
    ::SetEvent(call->event.get());
}

// A request and its connection for one address, closed (and its Call let go)
// when it goes.
class WinHttpTransfer::Request {
public:
    Request(const winhttp::Api& api, HINTERNET session, const std::wstring& url, DWORD timeoutMs)
        : api_(api), call_(new Call) {
        URL_COMPONENTS uc{};
        uc.dwStructSize = sizeof uc;
        uc.dwSchemeLength = uc.dwHostNameLength = uc.dwUrlPathLength = uc.dwExtraInfoLength = DWORD(-1);
        if (!session || !call_->event || !api.CrackUrl(url.c_str(), DWORD(url.size()), 0, &uc) ||
            (uc.nScheme != INTERNET_SCHEME_HTTP && uc.nScheme != INTERNET_SCHEME_HTTPS))
            return;
        const std::wstring host = winhttp::Part(uc.lpszHostName, uc.dwHostNameLength);
        std::wstring path = winhttp::Part(uc.lpszUrlPath, uc.dwUrlPathLength) +
                            winhttp::Part(uc.lpszExtraInfo, uc.dwExtraInfoLength);
        path = path.substr(0, path.find(L'#'));
        if (path.empty()) path = L"/";
        connect_ = api.Own(api.Connect(session, host.c_str(), uc.nPort, 0));
        const DWORD flags =
            WINHTTP_FLAG_REFRESH | (uc.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
        if (connect_)
            request_ = api.Own(api.OpenRequest(connect_.get(), L"GET", path.c_str(), nullptr,
                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
        DWORD_PTR context = reinterpret_cast<DWORD_PTR>(call_);
        // From here WinHTTP holds a share, given back when the handle closes.
        if (request_ && api.SetOption(request_.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context))
            ++call_->shares;
        else
            request_.reset();
        // Redirects are followed by Run, each target checked first.
        DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        if (request_ &&
            (!api.SetOption(request_.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never) ||
             !api.SetOption(request_.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &timeoutMs,
                            sizeof timeoutMs) ||
             !api.SetTimeouts(request_.get(), int(timeoutMs), int(timeoutMs), int(timeoutMs),
                              int(timeoutMs))))
            request_.reset();
    }
    ~Request() {
        request_.reset();
        call_->Release();
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    explicit operator bool() const { return bool(request_); }
    HINTERNET Get() const { return request_.get(); }
    Call& Completion() const { return *call_; }
    // A response header as text; empty when absent.
    std::wstring Header(DWORD which) const {
        DWORD bytes = 0;
        api_.QueryHeaders(Get(), which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                          WINHTTP_NO_HEADER_INDEX);
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return {};
        std::wstring s(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = DWORD(s.size() * sizeof(wchar_t));
        if (!api_.QueryHeaders(Get(), which, WINHTTP_HEADER_NAME_BY_INDEX, s.data(), &bytes,
                               WINHTTP_NO_HEADER_INDEX))
            return {};
        s.resize(bytes / sizeof(wchar_t));
        return s;
    }

private:
    const winhttp::Api& api_;
    Call* call_;
    winhttp::Internet connect_, request_;
};
