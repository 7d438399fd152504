#include "win32/winhttp_transfer.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "download/http_rules.h"

using winhttp::Internet;

namespace {

constexpr DWORD kChunk = 64 * 1024;
constexpr DWORD kBackstopMs = 10000;

std::wstring Part(const wchar_t* p, DWORD n) { return p ? std::wstring(p, n) : std::wstring(); }

}  // namespace

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

void CALLBACK WinHttpTransfer::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
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
        const std::wstring host = Part(uc.lpszHostName, uc.dwHostNameLength);
        std::wstring path =
            Part(uc.lpszUrlPath, uc.dwUrlPathLength) + Part(uc.lpszExtraInfo, uc.dwExtraInfoLength);
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
    Internet connect_, request_;
};

TransferFacts WinHttpTransfer::Run(const std::wstring& url, const std::wstring& temp, std::uint64_t limit,
                                   const std::function<bool(const std::wstring&)>& allowed,
                                   const std::function<void(const TransferReport&)>& report) {
    TransferFacts f;
    if (running_ || !api_.Load()) {
        f.failed = true;
        return f;
    }
    running_ = true;
    cancel_ = false;
    struct Idle {
        bool& running;
        ~Idle() { running = false; }
    } idle{running_};
    std::wstring at = url;
    for (int hop = 0;; ++hop) {
        Request request(api_, SessionFor(at), at, stallMs_);
        if (!request || cancel_) {
            (cancel_ ? f.aborted : f.failed) = true;
            return f;
        }
        Call& call = request.Completion();
        f.started = true;
        call.Begin();
        Wait wait = Wait::Done;
        if (!api_.SendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                              reinterpret_cast<DWORD_PTR>(&call)) ||
            (wait = Await(call)) != Wait::Done || call.error) {
            Failed(call, wait, f);
            return f;
        }
        call.Begin();
        if (!api_.ReceiveResponse(request.Get(), nullptr) || (wait = Await(call)) != Wait::Done ||
            call.error) {
            Failed(call, wait, f);
            return f;
        }
        DWORD status = 0, size = sizeof status;
        api_.QueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        const std::wstring location =
            status >= 300 && status < 400 ? request.Header(WINHTTP_QUERY_LOCATION) : L"";
        switch (OnHead(f, at, hop, status, location, request.Header(WINHTTP_QUERY_CONTENT_LENGTH), limit,
                       allowed)) {
        case AfterHead::Follow:
            if (report) report({0, 0, transfer_status::kRedirecting, at});
            if (cancel_) {
                f.aborted = true;
                return f;
            }
            continue;
        case AfterHead::Receive:
            Receive(request, temp, limit, f, report);
            return f;
        case AfterHead::End:
            return f;
        }
    }
}

void WinHttpTransfer::Receive(Request& request, const std::wstring& temp, std::uint64_t limit,
                              TransferFacts& f, const std::function<void(const TransferReport&)>& report) {
    Call& call = request.Completion();
    const File file(::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        f.failed = true;
        return;
    }
    call.buffer.resize(kChunk);
    for (Wait wait = Wait::Done;;) {
        // Only what WinHTTP says it holds is read: some versions read a
        // larger request on the calling thread until it is filled, and a
        // stalled server would hold the window for the whole stall.
        call.Begin();
        if (!api_.QueryDataAvailable(request.Get(), nullptr) || (wait = Await(call)) != Wait::Done ||
            call.error)
            return Failed(call, wait, f);
        const DWORD ask = std::min(call.bytes, kChunk);
        call.Begin();
        if (ask && (!api_.ReadData(request.Get(), call.buffer.data(), ask, nullptr) ||
                    (wait = Await(call)) != Wait::Done || call.error))
            return Failed(call, wait, f);
        // The end; a cut connection also ends here, and the length tells.
        const DWORD got = ask ? std::min(call.bytes, ask) : 0;
        if (got == 0) return call.buffer.clear(), call.buffer.shrink_to_fit();
        if (!OnBody(f, call.buffer.data(), got, limit)) return;
        DWORD written = 0;
        if (!::WriteFile(file.get(), call.buffer.data(), got, &written, nullptr) || written != got) {
            f.failed = true;
            return;
        }
        if (report) report({f.received, f.length.value_or(0), transfer_status::kReceiving, L""});
        if (cancel_) {
            f.aborted = true;
            return;
        }
    }
}

WinHttpTransfer::Wait WinHttpTransfer::Await(Call& call) {
    // WinHTTP's own timeouts end a call first; this bound is for one that never ends.
    const ULONGLONG deadline = ::GetTickCount64() + stallMs_ + kBackstopMs;
    for (;;) {
        {
            std::lock_guard lock(call.m);
            if (call.done) return Wait::Done;
        }
        if (cancel_) return Wait::Aborted;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return Wait::Stalled;
        const HANDLE event = call.event.get();
        ::MsgWaitForMultipleObjectsEx(1, &event, DWORD(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        // The program is ending: the transfer ends with it.
        if (!pump_.RunWaiting([&] { return cancel_; })) cancel_ = true;
    }
}

void WinHttpTransfer::Failed(const Call& call, Wait wait, TransferFacts& f) const {
    // A call still under way may yet write its error: it is read only once the call is done.
    const DWORD error = wait != Wait::Done ? 0 : call.error ? call.error : ::GetLastError();
    if (wait == Wait::Aborted || cancel_)
        f.aborted = true;
    else if (wait == Wait::Stalled || error == ERROR_WINHTTP_TIMEOUT)
        f.stalled = true;
    else
        f.failed = true;
}
