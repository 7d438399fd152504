#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One report of a running transfer: bytes so far, the expected total (0 when
// unknown), a status code and a text, as the downloader passes them on.
struct TransferReport {
    std::uint64_t progress = 0;
    std::uint64_t max = 0;
    std::uint32_t status = 0;
    std::wstring text;
};

// How many of the body's first bytes a transfer keeps for the logic to look at.
inline constexpr std::size_t kHeadBytes = 16;

// What a finished transfer did, for the logic to judge.
struct TransferFacts {
    bool started = false;                 // a request went out
    std::uint32_t httpStatus = 0;         // of the last response; 0 when none came
    std::optional<std::uint64_t> length;  // Content-Length, when the server gave one
    std::uint64_t received = 0;           // body bytes written to the temporary file
    std::vector<std::uint8_t> head;       // the body's first bytes (up to kHeadBytes)
    bool stalled = false;                 // no progress for the timeout
    bool overLimit = false;               // the body ran past the limit
    bool redirectRefused = false;         // a redirect led to an address that may not be fetched
    bool aborted = false;                 // AbortDownloading, or the program ending
    bool failed = false;                  // any other error (connection, name, write)
};

// An HTTP GET run on a worker thread that owns nothing of the window.
class Transfer {
public:
    virtual ~Transfer() = default;
    // Fetches `url` (following redirects only to addresses that `allowed`
    // accepts, a few at most) into `temp`, stopping once the body passes
    // `limit` bytes. Returns when the transfer has ended, letting the
    // window's messages run meanwhile; `report` is called on this thread for
    // every report, in the transfer's order.
    virtual TransferFacts Run(const std::wstring& url, const std::wstring& temp, std::uint64_t limit,
                              const std::function<bool(const std::wstring&)>& allowed,
                              const std::function<void(const TransferReport&)>& report) = 0;
    // Ends the running transfer, if any; Run then returns soon.
    virtual void Abort() = 0;
};
