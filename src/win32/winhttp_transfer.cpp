#include "win32/winhttp_transfer.h"

#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "download/http_rules.h"
#include "win32/handles.h"

namespace {

constexpr UINT kWake = WM_APP + 40;  // only wakes Run's loop; the sink ignores it
constexpr DWORD kConnectMs = 30000;  // name lookup, connecting, sending
constexpr int kMaxRedirects = 5;
constexpr DWORD kChunk = 64 * 1024;
const wchar_t kSinkClass[] = L"QingChuang.TransferSink";

struct CloseInternet {
    void operator()(HINTERNET h) const { ::WinHttpCloseHandle(h); }
};
using Internet = UniqueHandle<HINTERNET, nullptr, CloseInternet>;

std::wstring Part(const wchar_t* p, DWORD n) { return p ? std::wstring(p, n) : std::wstring(); }

// A response header as text; empty when absent.
std::wstring Header(HINTERNET req, DWORD which) {
    DWORD bytes = 0;
    ::WinHttpQueryHeaders(req, which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                          WINHTTP_NO_HEADER_INDEX);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return {};
    std::wstring s(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(s.size() * sizeof(wchar_t));
    if (!::WinHttpQueryHeaders(req, which, WINHTTP_HEADER_NAME_BY_INDEX, s.data(), &bytes,
                               WINHTTP_NO_HEADER_INDEX))
        return {};
    s.resize(bytes / sizeof(wchar_t));
    return s;
}

}  // namespace

// What the transfer object and its workers share: the session, made at the
// first transfer, and the sink window, forgotten when the object goes.
struct WinHttpTransfer::Shared {
    std::mutex m;
    Internet session;
    HWND sink = nullptr;

    HINTERNET Session() {
        std::lock_guard lock(m);
        if (session) return session.get();
        session.reset(::WinHttpOpen(L"QingChuang/1.82", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (session) {
            // Windows 7 offers only TLS 1.0 unless asked; older systems refuse 1.3.
            DWORD tls = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                        WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
            if (!::WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &tls, sizeof tls)) {
                tls &= ~WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
                ::WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &tls, sizeof tls);
            }
        }
        return session.get();
    }
    void Wake() {
        std::lock_guard lock(m);
        if (sink) ::PostMessageW(sink, kWake, 0, 0);
    }
};

// One transfer, held by Run and by its worker.
struct WinHttpTransfer::Job {
    std::wstring url, temp;
    std::uint64_t limit = 0;
    std::function<bool(const std::wstring&)> allowed;
    DWORD stallMs = 0;
    std::shared_ptr<Shared> shared;
    Handle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> cancel{false};

    std::mutex m;
    HINTERNET request = nullptr;  // closed by the worker or by Abort, whichever comes first
    std::deque<TransferReport> reports;
    bool woken = false;  // a wake-up is on its way for the reports
    bool finished = false;
    TransferFacts facts;

    bool Live() const { return !cancel; }

    void Report(TransferReport r) {
        bool wake = false;
        {
            std::lock_guard lock(m);
            reports.push_back(std::move(r));
            wake = !std::exchange(woken, true);
        }
        if (wake) shared->Wake();
    }
    // The reports so far; true when the worker has ended after them.
    bool Take(std::deque<TransferReport>& out) {
        std::lock_guard lock(m);
        out.swap(reports);
        reports.clear();
        woken = false;
        return finished;
    }
    void Finish(const TransferFacts& f) {
        {
            std::lock_guard lock(m);
            facts = f;
            finished = true;
        }
        ::SetEvent(done.get());
        shared->Wake();
    }
    // False when the job was cancelled first: the handle is closed then.
    bool Publish(HINTERNET req) {
        std::lock_guard lock(m);
        if (cancel)
            ::WinHttpCloseHandle(req);
        else
            request = req;
        return !cancel;
    }
    void CloseRequest() {
        HINTERNET req;
        {
            std::lock_guard lock(m);
            req = std::exchange(request, nullptr);
        }
        if (req) ::WinHttpCloseHandle(req);
    }
    void Cancel() {
        HINTERNET req;
        {
            std::lock_guard lock(m);
            cancel = true;
            req = std::exchange(request, nullptr);
        }
        // Ends a waiting call where WinHTTP allows it. The worker checks the
        // flag before each call, so it does not use the closed handle.
        if (req) ::WinHttpCloseHandle(req);
    }
    // The file is open only while a piece is written, under the lock and
    // never after Cancel: once Run has returned the caller can remove it,
    // and a new transfer can make it again, while this worker still waits.
    bool Write(const std::uint8_t* data, DWORD n, DWORD creation) {
        std::lock_guard lock(m);
        if (cancel) return false;
        Handle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, creation,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) {
            file.release();
            return false;
        }
        DWORD written = 0;
        LARGE_INTEGER end{};
        return ::SetFilePointerEx(file.get(), end, nullptr, FILE_END) &&
               (n == 0 || (::WriteFile(file.get(), data, n, &written, nullptr) && written == n));
    }

    TransferFacts Fetch();
    void Receive(HINTERNET req, TransferFacts& f);
    void Failed(TransferFacts& f) const {
        const DWORD e = ::GetLastError();
        if (cancel)
            f.aborted = true;
        else if (e == ERROR_WINHTTP_TIMEOUT)
            f.stalled = true;
        else
            f.failed = true;
    }
};

TransferFacts WinHttpTransfer::Job::Fetch() {
    TransferFacts f;
    const HINTERNET session = shared->Session();
    if (!session) {
        f.failed = true;
        return f;
    }
    std::wstring at = url;
    for (int hop = 0;; ++hop) {
        URL_COMPONENTS uc{};
        uc.dwStructSize = sizeof uc;
        uc.dwSchemeLength = uc.dwHostNameLength = uc.dwUrlPathLength = uc.dwExtraInfoLength =
            static_cast<DWORD>(-1);
        if (!::WinHttpCrackUrl(at.c_str(), static_cast<DWORD>(at.size()), 0, &uc) ||
            (uc.nScheme != INTERNET_SCHEME_HTTP && uc.nScheme != INTERNET_SCHEME_HTTPS)) {
            f.failed = true;
            return f;
        }
        const std::wstring host = Part(uc.lpszHostName, uc.dwHostNameLength);
        std::wstring path =
            Part(uc.lpszUrlPath, uc.dwUrlPathLength) + Part(uc.lpszExtraInfo, uc.dwExtraInfoLength);
        path = path.substr(0, path.find(L'#'));
        if (path.empty()) path = L"/";

        Internet connect(::WinHttpConnect(session, host.c_str(), uc.nPort, 0));
        const DWORD flags =
            WINHTTP_FLAG_REFRESH | (uc.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
        const HINTERNET req =
            connect ? ::WinHttpOpenRequest(connect.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, flags)
                    : nullptr;
        if (!req) {
            Failed(f);
            return f;
        }
        if (!Publish(req)) {
            f.aborted = true;
            return f;
        }
        struct Closer {
            Job& job;
            ~Closer() { job.CloseRequest(); }
        } closer{*this};

        ::WinHttpSetTimeouts(req, kConnectMs, kConnectMs, kConnectMs, static_cast<int>(stallMs));
        DWORD option = stallMs;
        ::WinHttpSetOption(req, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &option, sizeof option);
        // Redirects are followed here, each target checked first.
        option = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
        if (!::WinHttpSetOption(req, WINHTTP_OPTION_REDIRECT_POLICY, &option, sizeof option)) {
            f.failed = true;
            return f;
        }
        f.started = true;
        if (!Live() ||
            !::WinHttpSendRequest(req, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
            !Live() || !::WinHttpReceiveResponse(req, nullptr)) {
            Failed(f);
            return f;
        }
        DWORD status = 0, size = sizeof status;
        if (!Live() ||
            !::WinHttpQueryHeaders(req, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                   WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
            Failed(f);
            return f;
        }
        f.httpStatus = status;
        const std::wstring location =
            status >= 300 && status < 400 ? Header(req, WINHTTP_QUERY_LOCATION) : L"";
        if (!location.empty()) {
            if (hop == kMaxRedirects) {
                f.failed = true;
                return f;
            }
            at = ResolveUrl(at, location);
            if (!allowed(at)) {
                f.redirectRefused = true;
                return f;
            }
            Report({0, 0, transfer_status::kRedirecting, at});
            continue;
        }
        if (status < 200 || status > 299) return f;
        if (const std::wstring length = Header(req, WINHTTP_QUERY_CONTENT_LENGTH); !length.empty()) {
            f.length = ParseContentLength(length);
            if (!f.length) f.failed = true;  // a length that cannot be read cannot be checked
        }
        if (f.length && *f.length > limit)
            f.overLimit = true;
        else if (!f.failed)
            Receive(req, f);
        return f;
    }
}

void WinHttpTransfer::Job::Receive(HINTERNET req, TransferFacts& f) {
    if (!Write(nullptr, 0, CREATE_ALWAYS)) {
        Failed(f);
        return;
    }
    std::vector<std::uint8_t> buf(kChunk);
    for (;;) {
        DWORD avail = 0, got = 0;
        if (!Live() || !::WinHttpQueryDataAvailable(req, &avail)) return Failed(f);
        // The end; a cut connection also ends here, and the length tells.
        if (avail == 0) return;
        if (!Live() || !::WinHttpReadData(req, buf.data(), std::min(avail, kChunk), &got)) return Failed(f);
        if (got == 0) return;
        if (f.received + got > limit) {
            f.overLimit = true;
            return;
        }
        if (!Write(buf.data(), got, OPEN_EXISTING)) return Failed(f);
        const auto keep = std::min<std::size_t>(16 - f.head.size(), got);
        f.head.insert(f.head.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(keep));
        f.received += got;
        Report({f.received, f.length.value_or(0), transfer_status::kReceiving, L""});
    }
}

WinHttpTransfer::WinHttpTransfer(DWORD stallMs, std::function<bool(MSG&)> preTranslate)
    : stallMs_(stallMs), preTranslate_(std::move(preTranslate)), shared_(std::make_shared<Shared>()) {}

WinHttpTransfer::~WinHttpTransfer() {
    if (job_) job_->Cancel();
    HWND sink;
    {
        std::lock_guard lock(shared_->m);
        sink = std::exchange(shared_->sink, nullptr);
    }
    if (sink) ::DestroyWindow(sink);
}

TransferFacts WinHttpTransfer::Run(const std::wstring& url, const std::wstring& temp, std::uint64_t limit,
                                   const std::function<bool(const std::wstring&)>& allowed,
                                   const std::function<void(const TransferReport&)>& report) {
    TransferFacts facts;
    facts.failed = true;
    if (job_ || (sinkThread_ && sinkThread_ != ::GetCurrentThreadId())) return facts;
    if (!sinkThread_) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kSinkClass;
        ::RegisterClassExW(&wc);  // fails harmlessly when a second object registers it again
        const HWND sink = ::CreateWindowExW(0, kSinkClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            wc.hInstance, nullptr);
        if (!sink) return facts;
        std::lock_guard lock(shared_->m);
        shared_->sink = sink;
        sinkThread_ = ::GetCurrentThreadId();
    }

    auto job = std::make_shared<Job>();
    job->url = url;
    job->temp = temp;
    job->limit = limit;
    job->allowed = allowed;
    job->stallMs = stallMs_;
    job->shared = shared_;
    if (!job->done) return facts;
    try {
        std::thread([job] { job->Finish(job->Fetch()); }).detach();
    } catch (...) {
        return facts;
    }
    job_ = job;
    // However Run ends (a report handler may throw), no worker runs on for it.
    struct Clear {
        WinHttpTransfer& self;
        ~Clear() {
            self.job_->Cancel();
            self.job_.reset();
        }
    } clear{*this};

    TransferFacts aborted;
    aborted.started = aborted.aborted = true;
    std::deque<TransferReport> batch;
    for (;;) {
        const bool finished = job->Take(batch);
        for (const TransferReport& r : batch) {
            aborted.received = r.status == transfer_status::kReceiving ? r.progress : aborted.received;
            if (report) report(r);
            if (job->cancel) return aborted;
        }
        if (job->cancel) return aborted;
        if (finished) {
            std::lock_guard lock(job->m);
            return job->facts;
        }
        const HANDLE done = job->done.get();
        ::MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (!job->cancel && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The program is ending: its own loop sees the quit again.
                job->Cancel();
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                return aborted;
            }
            if (preTranslate_ && preTranslate_(msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void WinHttpTransfer::Abort() {
    if (job_) job_->Cancel();
}
