#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "download/proxy.h"
#include "platform/transfer.h"
#include "win32/message_pump.h"
#include "win32/winhttp_api.h"

// Transfers with WinHTTP in its asynchronous mode, driven from the thread
// that calls Run (the window thread): it makes every call and closes every
// handle itself, and waits for each completion with the thread's messages
// flowing through its pump. No thread of ours runs beside it, so none can
// use a handle that another closed. One session per proxy serves the whole
// run, and WinHTTP keeps its connections to a server open between pictures.
class WinHttpTransfer : public Transfer {
public:
    // stallMs: a transfer with no progress for that long ends as stalled.
    // pump: the calling thread's, which runs its messages while Run waits.
    WinHttpTransfer(DWORD stallMs, MessagePump& pump) : stallMs_(stallMs), pump_(pump) {}
    ~WinHttpTransfer() override = default;
    WinHttpTransfer(const WinHttpTransfer&) = delete;
    WinHttpTransfer& operator=(const WinHttpTransfer&) = delete;

    // One at a time: a Run from a message handled meanwhile fails at once.
    TransferFacts Run(const std::wstring& url, const std::wstring& temp, std::uint64_t limit,
                      const std::function<bool(const std::wstring&)>& allowed,
                      const std::function<void(const TransferReport&)>& report) override;
    // From a message handled during Run: Run returns (aborted) once that message is done.
    void Abort() override { cancel_ = running_; }

    struct Call;
    class Request;

private:
    // WinHTTP's callback: records a completion in the request's Call.
    static void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length);
    enum class Wait { Done, Aborted, Stalled };
    // Waits for the call's completion while the thread's messages run.
    Wait Await(Call& call);
    // The session that reaches url, directly or through the user's proxy for it; null when none can be had.
    HINTERNET SessionFor(const std::wstring& url);
    // What a configuration script says for url; nullopt when it cannot be had.
    std::optional<AutoProxyAnswer> AskScript(const std::wstring& url);
    void Receive(Request& request, const std::wstring& temp, std::uint64_t limit, TransferFacts& f,
                 const std::function<void(const TransferReport&)>& report);
    void Failed(const Call& call, Wait wait, TransferFacts& f) const;

    DWORD stallMs_;
    MessagePump& pump_;
    winhttp::Api api_;
    std::optional<ProxyChooser> proxies_;                 // read at the first transfer
    std::map<std::wstring, winhttp::Internet> sessions_;  // by proxy; "" goes direct
    winhttp::Internet scriptSession_;                     // for configuration scripts, which block
    bool running_ = false;
    bool cancel_ = false;
};
