// XML through the system's reader (XmlLite) into the portable element tree.
#pragma once

#include <optional>
#include <stop_token>
#include <string_view>

#include "import/xml_element.h"

namespace rdc {

// The root element of a document in any encoding the reader knows (a
// byte-order mark or the declaration tells it; UTF-8 otherwise). Nothing
// when the bytes are not a well-formed document, hold a document type
// declaration, or nest deeper than kMaxXmlDepth, or when `stop` is requested
// before the end. Throws XmlTooLarge for more than kMaxXmlItems elements and
// attributes.
std::optional<XmlElement> ParseXmlDocument(std::string_view bytes, std::stop_token stop = {});

// The top-level elements of a UTF-8 fragment (any number of them, no XML
// declaration) as the children of a nameless element; nothing when the
// fragment is not well-formed (or `stop` is requested; XmlTooLarge as above).
std::optional<XmlElement> ParseXmlFragment(std::string_view bytes, std::stop_token stop = {});

}  // namespace rdc
