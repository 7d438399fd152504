#pragma once

#include <cstddef>
#include <string>
#include <vector>

// An XML document as the platform's reader reports it: its elements in
// document order, each naming its parent by index (-1 for the root), with
// local names and namespace URIs as the document declares them.
struct XmlAttribute {
    std::wstring name, ns, value;
};
struct XmlElement {
    int parent = -1;
    std::wstring name, ns;
    std::vector<XmlAttribute> attributes;
    std::wstring text;  // the text and CDATA directly inside, joined
};
using XmlDocument = std::vector<XmlElement>;

// What the reader keeps: the first maxNodes elements and attributes (the rest
// is still read, so that a broken end is seen), each text cut at maxText.
struct XmlLimits {
    std::size_t maxNodes = 0;
    std::size_t maxText = 0;
};
