#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "download/wallpaper_list.h"
#include "platform/xml.h"

// Picture lists from feeds: the daily-picture archive's XML, RSS 2.0 with
// enclosures or Media RSS, and Atom with enclosure links.
namespace download {

// The source when neither the settings nor the build name one: the
// daily-picture archive's latest eight pictures.
inline constexpr const wchar_t* kArchiveAddress =
    L"https://cn.bing.com/HPImageArchive.aspx?format=xml&idx=0&n=8&mkt=zh-CN";

// What is kept of a feed: elements enough for many more pictures than any
// feed offers, and texts one past a line's limit, so that a longer one is
// still known as too long.
inline constexpr XmlLimits kFeedLimits{1u << 16, kMaxLine + 1};

// Whether a list's bytes are XML rather than lines: after a byte order mark
// and blanks they start with "<", but not with the "<br" a line may start with.
bool LooksLikeXml(std::string_view bytes);

// The pictures a feed read from `address` names, in document order, resolved
// against it, each once, and only those a list's line could be (http(s), at
// most kMaxLine long, kMaxEntries in all); the archive's in the size a screen
// of width x height needs. nullopt for a document of no known form.
std::optional<std::vector<std::wstring>> FeedPictures(const XmlDocument& doc, const std::wstring& address,
                                                      int width, int height);

}  // namespace download
