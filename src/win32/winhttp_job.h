#pragma once

// What a WinHTTP transfer's worker thread and the window thread share.

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

#include "win32/winhttp_api.h"
#include "win32/winhttp_transfer.h"

namespace winhttp {

inline constexpr UINT kWake = WM_APP + 40;  // only wakes Run's loop; the sink ignores it
inline constexpr DWORD kConnectMs = 30000;  // name lookup, connecting, sending
inline constexpr int kMaxRedirects = 5;
inline constexpr DWORD kChunk = 512 * 1024;
inline constexpr wchar_t kSinkClass[] = L"QingChuang.TransferSink";

}  // namespace winhttp

using winhttp::Internet;

// What the transfer object and its workers share: WinHTTP and its session,
// both made at the first transfer, and the sink window, forgotten when the
// object goes. WinHTTP stays loaded while any of them may still call it.
struct WinHttpTransfer::Shared {
    std::mutex m;
    winhttp::Api api;  // before the session, which it closes
    Internet session;
    HWND sink = nullptr;

    // Null when WinHTTP or the session cannot be had.
    HINTERNET Session() {
        std::lock_guard lock(m);
        if (session) return session.get();
        if (!api.Load()) return nullptr;
        session = api.Own(api.Open(L"QingChuang/1.82", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                   WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        if (session) {
            // Windows 7 offers only TLS 1.0 unless asked; older systems refuse 1.3.
            DWORD tls = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                        WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
            if (!api.SetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &tls, sizeof tls)) {
                tls &= ~WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
                api.SetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &tls, sizeof tls);
            }
        }
        return session.get();
    }
    void Wake() {
        std::lock_guard lock(m);
        if (sink) ::PostMessageW(sink, winhttp::kWake, 0, 0);
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
    Internet request;  // closed by the worker or by Abort, whichever comes first
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
    // WinHTTP, once Session has given a session.
    const winhttp::Api& Http() const { return shared->api; }
    // False when the job was cancelled first: the handle is closed then.
    bool Publish(Internet req) {
        std::lock_guard lock(m);
        if (cancel) return false;
        request = std::move(req);
        return true;
    }
    void CloseRequest() {
        Internet req;
        {
            std::lock_guard lock(m);
            req = std::move(request);
        }
    }
    void Cancel() {
        Internet req;
        {
            std::lock_guard lock(m);
            cancel = true;
            req = std::move(request);
        }
        // Ends a waiting call where WinHTTP allows it. The worker checks the
        // flag before each call, so it does not use the closed handle.
        req.reset();
    }
    // The file is open only while a piece is written, under the lock and
    // never after Cancel: once Run has returned the caller can remove it,
    // and a new transfer can make it again, while this worker still waits.
    bool Write(const std::uint8_t* data, DWORD n, DWORD creation) {
        std::lock_guard lock(m);
        if (cancel) return false;
        const File file(::CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, creation,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
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
