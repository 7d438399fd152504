#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The rules of the web transfers that need no network: which addresses may
// be fetched, where a redirect leads, what a length header says, and the
// percentage a caller shows.

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
