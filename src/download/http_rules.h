#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/transfer.h"

// The rules of the web transfers that need no network: which addresses may
// be fetched, where a redirect leads and how far, which answers count, what a
// length header says, the body's limit, and the percentage a caller shows.

// Status numbers of the transfer reports, as OnProgress passes them on.
namespace transfer_status {
inline constexpr std::int32_t kStarted = 1;      // before the request goes out
inline constexpr std::int32_t kRedirecting = 2;  // text: the address followed
inline constexpr std::int32_t kReceiving = 3;    // body bytes arriving
inline constexpr std::int32_t kDone = 4;         // the file is in place
inline constexpr std::int32_t kFailed = 5;       // text: why
}  // namespace transfer_status

// An http:// or https:// address (scheme in any case) with a host, and no
// control character anywhere. Everything else (file:, ftp:, paths, shares)
// is never fetched.
bool Fetchable(const std::wstring& url);

// progress / max * 100, rounded half to even; 0 when max is 0 or negative.
int Percent(std::int64_t progress, std::int64_t max);

// A redirect's Location resolved against the address that gave it (absolute,
// scheme-relative, host-relative, query-only and relative paths, dot
// segments removed). The fragment is dropped: it never goes to a server.
std::wstring ResolveUrl(const std::wstring& base, const std::wstring& location);

// A Content-Length value: digits, optional blanks around them; nullopt for
// anything else, and for values past 2^64 - 1.
std::optional<std::uint64_t> ParseContentLength(const std::wstring& value);

// Redirects followed for one transfer.
inline constexpr int kMaxRedirects = 5;

// What a response's head leads to: the next address, the body, or the end.
enum class AfterHead { Follow, Receive, End };

// Records the head of the answer to the hop-th request (0 for the first) for
// `at`: its status, Location and Content-Length (empty when absent). Follow:
// `at` is now the redirect's target, which `allowed` accepted. Receive: a
// 2xx answer whose length, if given, is readable and within `limit`. End: the
// facts say why not.
AfterHead OnHead(TransferFacts& f, std::wstring& at, int hop, std::uint32_t status,
                 const std::wstring& location, const std::wstring& length, std::uint64_t limit,
                 const std::function<bool(const std::wstring&)>& allowed);

// Counts n bytes of the body (keeping the first kHeadBytes); false, and
// overLimit set, when they would take it past `limit`: they are not to be written.
bool OnBody(TransferFacts& f, const std::uint8_t* data, std::size_t n, std::uint64_t limit);
