// XML documents, read with XmlLite. MinGW-w64 ships its header but no import
// library, and most runs read no XML: the library is loaded at the first one.

#include <windows.h>
// After windows.h, which they need.
#include <shlwapi.h>
#include <xmllite.h>

#include <climits>

#include "win32/com_ptr.h"
#include "win32/win32_system.h"

namespace {

// A name or value of the reader's current node, cut at `limit` characters.
template <class Get>
std::wstring Text(Get get, std::size_t limit) {
    const WCHAR* s = nullptr;
    UINT n = 0;
    if (FAILED(get(&s, &n)) || !s) return {};
    return std::wstring(s, std::min<std::size_t>(n, limit));
}

}  // namespace

std::optional<XmlDocument> Win32System::ParseXml(std::string_view bytes, const XmlLimits& limits) const {
    using CreateReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
    using MemStreamFn = IStream*(WINAPI*)(const BYTE*, UINT);
    if (!xmllite_) xmllite_.reset(::LoadLibraryW(L"xmllite.dll"));
    if (!shlwapi_) shlwapi_.reset(::LoadLibraryW(L"shlwapi.dll"));
    const auto create = ProcAddress<CreateReaderFn>(xmllite_.get(), "CreateXmlReader");
    const auto memStream = ProcAddress<MemStreamFn>(shlwapi_.get(), "SHCreateMemStream");
    if (!create || !memStream || bytes.size() > UINT_MAX) return std::nullopt;
    // The stream holds its own copy of the bytes.
    const ComPtr<IStream> stream(
        memStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
    ComPtr<IXmlReader> reader;
    if (!stream || FAILED(create(__uuidof(IXmlReader), reader.put_void(), nullptr)) ||
        FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetInput(stream.get())))
        return std::nullopt;

    IXmlReader& r = *reader.get();
    auto localName = [&](const WCHAR** s, UINT* n) { return r.GetLocalName(s, n); };
    auto namespaceUri = [&](const WCHAR** s, UINT* n) { return r.GetNamespaceUri(s, n); };
    auto value = [&](const WCHAR** s, UINT* n) { return r.GetValue(s, n); };
    XmlDocument doc;
    std::size_t kept = 0;   // elements and attributes
    std::vector<int> open;  // the elements not yet ended, innermost last
    XmlNodeType type;
    HRESULT hr;
    while ((hr = r.Read(&type)) == S_OK) {
        if (type == XmlNodeType_Element) {
            const bool keep = kept < limits.maxNodes;
            if (keep) {
                ++kept;
                XmlElement& e = doc.emplace_back();
                e.parent = open.empty() ? -1 : open.back();
                e.name = Text(localName, limits.maxText);
                e.ns = Text(namespaceUri, limits.maxText);
                for (HRESULT a = r.MoveToFirstAttribute(); a == S_OK && kept < limits.maxNodes;
                     a = r.MoveToNextAttribute(), ++kept)
                    e.attributes.push_back({Text(localName, limits.maxText),
                                            Text(namespaceUri, limits.maxText), Text(value, limits.maxText)});
                r.MoveToElement();
            }
            if (!r.IsEmptyElement()) open.push_back(keep ? static_cast<int>(doc.size()) - 1 : -1);
        } else if (type == XmlNodeType_EndElement && !open.empty()) {
            open.pop_back();
        } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && !open.empty() &&
                   open.back() >= 0) {
            std::wstring& text = doc[static_cast<std::size_t>(open.back())].text;
            text += Text(value, limits.maxText - std::min(limits.maxText, text.size()));
        }
    }
    if (hr != S_FALSE || !open.empty() || doc.empty()) return std::nullopt;
    return doc;
}
