#include "win32/winhttp_transfer.h"

#include "base/scoped_flag.h"
#include "download/http_rules.h"
#include "win32/winhttp_request.h"

namespace {

constexpr DWORD kChunk = 64 * 1024;
constexpr DWORD kBackstopMs = 10000;

}  // namespace

TransferFacts WinHttpTransfer::Run(const std::wstring& url, const std::wstring& temp, std::uint64_t limit,
                                   const std::function<bool(const std::wstring&)>& allowed,
                                   const std::function<void(const TransferReport&)>& report) {
    TransferFacts f;
    if (running_ || !api_.Load()) {
        f.failed = true;
        return f;
    }
    const ScopedFlag running(running_);
    cancel_ = false;
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
    // What WinHTTP holds already is read first, exactly: some versions read a
    // larger request on the calling thread until it is filled, and a stalled
    // server would hold the window for the whole stall. With that drained, a
    // larger read waits on WinHTTP's thread, a chunk at a time.
    for (bool drain = true;; drain = !drain) {
        Wait wait = Wait::Done;
        call.Begin();
        if (drain && (!api_.QueryDataAvailable(request.Get(), nullptr) ||
                      (wait = Await(call)) != Wait::Done || call.error))
            return Failed(call, wait, f);
        const DWORD ask = drain ? std::min(call.bytes, kChunk) : kChunk;
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
