#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/transfer.h"

// Transfers with WinHTTP. Each Run does a synchronous GET on a worker thread
// of its own; the worker's reports come back to the thread that calls Run
// (the window thread) through a message-only window, while Run keeps that
// thread's messages flowing. An aborted worker is left to end by itself: it
// shares nothing with this object but reference-counted state.
class WinHttpTransfer : public Transfer {
public:
    // stallMs: a transfer with no progress for that long ends as stalled.
    // preTranslate: sees every message of Run's loop first; true when it
    // handled the message (the main window's keys), which is then not dispatched.
    explicit WinHttpTransfer(DWORD stallMs, std::function<bool(MSG&)> preTranslate = {});
    ~WinHttpTransfer() override;
    WinHttpTransfer(const WinHttpTransfer&) = delete;
    WinHttpTransfer& operator=(const WinHttpTransfer&) = delete;

    void SetPreTranslate(std::function<bool(MSG&)> hook) { preTranslate_ = std::move(hook); }

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
    std::function<bool(MSG&)> preTranslate_;
    std::shared_ptr<Shared> shared_;
    DWORD sinkThread_ = 0;
    std::shared_ptr<Job> job_;  // while Run runs
};
