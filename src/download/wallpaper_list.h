#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The picture list as the list server sends it.
namespace download {

inline constexpr std::size_t kMaxEntries = 32767;  // positions are 16-bit
inline constexpr std::size_t kMaxLine = 2048;

// The entries of a list: a line ends at CR LF, CR or LF; blanks are stripped from both ends, then every
// "<br>" is removed; what is left empty is skipped, and so are lines longer than kMaxLine.
std::vector<std::wstring> ParseList(const std::wstring& text);

// Whether the bytes are UTF-8 throughout; and the text they hold.
bool IsUtf8(std::string_view bytes);
std::wstring FromUtf8(std::string_view bytes);

// The list's address, from the first of these that makes one the transfer
// takes: a whole address set by the user (taken as it is), a list server's
// host set by the user, the build's address, the build's host; else the
// daily-picture archive. A host makes "http://" + host + "/deskurl.asp",
// where it may also be a whole base ("http://..." or "https://..."), without
// a query or fragment.
std::wstring ListAddress(const std::optional<std::wstring>& url, const std::optional<std::wstring>& host,
                         const std::wstring& builtInUrl, const std::wstring& builtInHost);

}  // namespace download
