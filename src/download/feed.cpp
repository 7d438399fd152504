#include "download/feed.h"

#include <algorithm>
#include <set>

#include "download/http_rules.h"

namespace download {

namespace {

constexpr std::wstring_view kAtom = L"http://www.w3.org/2005/Atom";
constexpr std::wstring_view kMedia = L"http://search.yahoo.com/mrss/";

std::wstring Trimmed(const std::wstring& s) {
    const auto first = s.find_first_not_of(L" \t\r\n");
    return first == std::wstring::npos ? std::wstring()
                                       : s.substr(first, s.find_last_not_of(L" \t\r\n") - first + 1);
}

// An attribute without a namespace, trimmed; empty when absent.
std::wstring Attribute(const XmlElement& e, std::wstring_view name) {
    for (const XmlAttribute& a : e.attributes)
        if (a.ns.empty() && a.name == name) return Trimmed(a.value);
    return {};
}

// A declared type must be a picture's; one left out says nothing against it
// (the download still checks that a picture comes).
bool MayBePicture(const XmlElement& e) {
    std::wstring type = Attribute(e, L"type");
    std::ranges::transform(type, type.begin(), [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c + 32 : c; });
    const std::wstring medium = Attribute(e, L"medium");
    return (type.empty() || type.starts_with(L"image/")) && (medium.empty() || medium == L"image");
}

// The picture an element of an RSS or Atom feed names; empty for none.
std::wstring EnclosureOf(const XmlElement& e, bool atom) {
    if (!MayBePicture(e)) return {};
    if (!atom && e.ns.empty() && e.name == L"enclosure") return Attribute(e, L"url");
    if (atom && e.ns == kAtom && e.name == L"link" && Attribute(e, L"rel") == L"enclosure")
        return Attribute(e, L"href");
    if (e.ns == kMedia && e.name == L"content") return Attribute(e, L"url");
    return {};
}

}  // namespace

bool LooksLikeXml(std::string_view b) {
    // Lines are never UTF-16.
    if (b.starts_with("\xFF\xFE") || b.starts_with("\xFE\xFF")) return true;
    if (b.starts_with("\xEF\xBB\xBF")) b.remove_prefix(3);
    b.remove_prefix(std::min(b.size(), b.find_first_not_of(" \t\r\n")));
    return b.starts_with('<') && !(b.size() >= 3 && (b[1] | 0x20) == 'b' && (b[2] | 0x20) == 'r');
}

std::optional<std::vector<std::wstring>> FeedPictures(const XmlDocument& doc, const std::wstring& address,
                                                      int width, int height) {
    if (doc.empty()) return std::nullopt;
    const XmlElement& root = doc.front();
    const bool archive = root.ns.empty() && root.name == L"images";
    const bool rss = root.ns.empty() && root.name == L"rss", atom = root.ns == kAtom && root.name == L"feed";
    if (!archive && !rss && !atom) return std::nullopt;

    // The archive names each picture by its base, to which the size is added,
    // and by one address in a size of its choice.
    const std::wstring size = width > 1920 || height > 1080 ? L"_UHD.jpg" : L"_1920x1080.jpg";
    std::vector<std::wstring> named, bases;
    int image = -1;
    for (int i = 0; i < static_cast<int>(doc.size()); ++i) {
        const XmlElement& e = doc[static_cast<std::size_t>(i)];
        if (!archive) {
            named.push_back(EnclosureOf(e, atom));
        } else if (e.parent == 0 && e.name == L"image") {
            image = i;
            named.emplace_back(), bases.emplace_back();
        } else if (image >= 0 && e.parent == image && (e.name == L"url" || e.name == L"urlBase")) {
            (e.name == L"url" ? named : bases).back() = Trimmed(e.text);
        }
    }
    for (std::size_t k = 0; k < bases.size(); ++k)
        if (!bases[k].empty()) named[k] = bases[k] + size;

    std::vector<std::wstring> out;
    std::set<std::wstring> seen;
    for (const std::wstring& ref : named) {
        if (ref.empty() || ref.size() > kMaxLine || out.size() >= kMaxEntries) continue;
        std::wstring url = ResolveUrl(address, ref);
        if (url.size() <= kMaxLine && Fetchable(url) && seen.insert(url).second)
            out.push_back(std::move(url));
    }
    return out;
}

}  // namespace download
