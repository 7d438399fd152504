#include "win32/winhttp_transfer.h"

#include <algorithm>
#include <thread>

#include "download/http_rules.h"
#include "win32/winhttp_job.h"

using namespace winhttp;

WinHttpTransfer::WinHttpTransfer(DWORD stallMs, MessagePump& pump)
    : stallMs_(stallMs), pump_(pump), shared_(std::make_shared<Shared>()) {}

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
        if (!pump_.RunWaiting([&] { return job->cancel.load(); })) {
            job->Cancel();  // the program is ending
            return aborted;
        }
    }
}

void WinHttpTransfer::Abort() {
    if (job_) job_->Cancel();
}
