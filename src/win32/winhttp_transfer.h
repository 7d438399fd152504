#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/transfer.h"
#include "win32/message_pump.h"

// Transfers with WinHTTP. Each Run does a synchronous GET on a worker thread
// of its own; the worker's reports come back to the thread that calls Run
// (the window thread) through a message-only window, while Run keeps that
// thread's messages flowing through its pump. An aborted worker is left to end by itself: it
// shares nothing with this object but reference-counted state.
class WinHttpTransfer : public Transfer {
public:
    // stallMs: a transfer with no progress for that long ends as stalled.
    // pump: the calling thread's, which runs its messages while Run waits.
    WinHttpTransfer(DWORD stallMs, MessagePump& pump);
    ~WinHttpTransfer() override;
    WinHttpTransfer(const WinHttpTransfer&) = delete;
    WinHttpTransfer& operator=(const WinHttpTransfer&) = delete;

    // On the window thread, one at a time: a second Run while one runs, or a
    // Run on another thread than the first, fails at once. `allowed` is
    // copied and asked on the worker, so it must own what it uses.
    TransferFacts Run(const std::wstring& url, const std::wstring& temp, std::uint64_t limit,
                      const std::function<bool(const std::wstring&)>& allowed,
                      const std::function<void(const TransferReport&)>& report) override;
    // On the window thread: the running Run returns (aborted) as soon as the
    // message being handled is done.
    void Abort() override;

    struct Shared;
    struct Job;

private:
    DWORD stallMs_;
    MessagePump& pump_;
    std::shared_ptr<Shared> shared_;
    DWORD sinkThread_ = 0;
    std::shared_ptr<Job> job_;  // while Run runs
};
