// A small tree of an XML document's elements, as the system's XML reader
// gives them: local names (without namespace prefixes), attributes, child
// elements in document order and the text directly inside.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rdc {

// Deeper elements than this are not read: the reader refuses such documents
// and the readers of server lists stop descending there.
inline constexpr int kMaxXmlDepth = 256;

// More elements and attributes than this (together) in one document are not
// read: the reader throws XmlTooLarge before its tree holds them all. A group
// file of 100,000 servers has about a million.
inline constexpr std::size_t kMaxXmlItems = 2'000'000;

struct XmlTooLarge : std::length_error {
  XmlTooLarge() : std::length_error("XML document of too many elements and attributes") {}
};

struct XmlElement {
  std::u16string name;
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  std::vector<XmlElement> children;
  std::u16string text;  // the text and CDATA directly inside, joined

  // The first child of that name, or nullptr.
  const XmlElement* Child(std::u16string_view childName) const;
  // The text of the first child of that name; "" when there is none.
  std::u16string_view ChildText(std::u16string_view childName) const;
  // The value of the attribute of that name, or nullptr.
  const std::u16string* Attribute(std::u16string_view attributeName) const;
  // The attribute's value; "" when there is none.
  std::u16string_view AttributeText(std::u16string_view attributeName) const;
};

}  // namespace rdc
