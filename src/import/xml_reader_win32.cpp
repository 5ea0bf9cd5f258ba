// Reading XML with XmlLite: one pass over the reader's nodes, elements kept
// on a stack of the ones still open.
#include "import/xml_reader_win32.h"

#include <windows.h>
// <objbase.h>, <shlwapi.h> and <xmllite.h> build on <windows.h>.
#include <objbase.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <string>
#include <utility>
#include <vector>

#include "os/owners_win32.h"

namespace rdc {
namespace {

constexpr std::wstring_view kXmlnsNamespace = L"http://www.w3.org/2000/xmlns/";

// Where the reader stands in the input.
struct Position {
  UINT line = 0;
  UINT column = 0;
  bool operator==(const Position&) const = default;
};

Position PositionOf(IXmlReader& reader) {
  Position position;
  reader.GetLineNumber(&position.line);
  reader.GetLinePosition(&position.column);
  return position;
}

std::u16string U16(const WCHAR* text, UINT length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// Takes the attributes of the element the reader stands on, leaving it there;
// each counts against `itemsLeft`.
bool ReadAttributes(IXmlReader& reader, XmlElement& element, std::size_t& itemsLeft) {
  HRESULT moved = reader.MoveToFirstAttribute();
  while (moved == S_OK) {
    const WCHAR* space = nullptr;
    UINT spaceLength = 0;
    const WCHAR* name = nullptr;
    UINT nameLength = 0;
    const WCHAR* value = nullptr;
    UINT valueLength = 0;
    if (FAILED(reader.GetNamespaceUri(&space, &spaceLength)) ||
        FAILED(reader.GetLocalName(&name, &nameLength)) ||
        FAILED(reader.GetValue(&value, &valueLength)))
      return false;
    // Namespace declarations are not attributes of the document's data.
    if (std::wstring_view(space, spaceLength) != kXmlnsNamespace) {
      if (itemsLeft-- == 0) throw XmlTooLarge();
      element.attributes.emplace_back(U16(name, nameLength), U16(value, valueLength));
    }
    moved = reader.MoveToNextAttribute();
  }
  return SUCCEEDED(moved) && SUCCEEDED(reader.MoveToElement());
}

}  // namespace

std::optional<XmlElement> ParseXmlDocument(std::string_view bytes, std::stop_token stop) {
  // Wine's reader does not read UTF-16 big-endian: it is given little-endian.
  std::string swapped;
  if (bytes.starts_with("\xFE\xFF")) {
    swapped = bytes;
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    bytes = swapped;
  }
  ComPointer<IStream> stream(
      SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  ComPointer<IXmlReader> reader;
  if (!stream || FAILED(CreateXmlReader(__uuidof(IXmlReader),
                                        reinterpret_cast<void**>(reader.receive()), nullptr)))
    return std::nullopt;
  // A document type declaration could expand entities without bound: refused.
  if (FAILED(reader.get()->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader.get()->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxXmlDepth)) ||
      FAILED(reader.get()->SetInput(stream.get())))
    return std::nullopt;

  IXmlReader& xml = *reader.get();
  XmlElement top;
  std::vector<XmlElement*> open{&top};
  std::vector<Position> openedAt;  // of each element in `open` but the top
  Position lastElement;
  // Every node the reader gives takes at least one byte of the input; more
  // nodes than bytes mean a reader that no longer moves on (Wine's, at the
  // end of some truncated documents).
  std::size_t nodesLeft = bytes.size() + 2;
  std::size_t itemsLeft = kMaxXmlItems;  // elements and attributes
  XmlNodeType type = XmlNodeType_None;
  HRESULT read = S_OK;
  while ((read = xml.Read(&type)) == S_OK) {
    if (nodesLeft-- == 0 || stop.stop_requested()) return std::nullopt;
    switch (type) {
      case XmlNodeType_Element: {
        const WCHAR* name = nullptr;
        UINT length = 0;
        const Position position = PositionOf(xml);
        // The same element again: the reader is stuck at a truncated end.
        if (position == lastElement || FAILED(xml.GetLocalName(&name, &length)))
          return std::nullopt;
        lastElement = position;
        if (itemsLeft-- == 0) throw XmlTooLarge();
        // Only the innermost open element gets children, so the pointers to
        // the open ones stay valid.
        XmlElement& element = open.back()->children.emplace_back();
        element.name = U16(name, length);
        const bool empty = xml.IsEmptyElement();
        if (!ReadAttributes(xml, element, itemsLeft)) return std::nullopt;
        if (!empty) {
          // Wine's reader does not hold the documents to the depth limit set.
          if (openedAt.size() >= kMaxXmlDepth) return std::nullopt;
          open.push_back(&element);
          openedAt.push_back(position);
        }
        break;
      }
      case XmlNodeType_EndElement:
        // Wine's reader closes the elements still open at the end of a
        // truncated document, at the places where they began.
        if (openedAt.empty() || PositionOf(xml) == openedAt.back()) return std::nullopt;
        open.pop_back();
        openedAt.pop_back();
        break;
      case XmlNodeType_Text:
      case XmlNodeType_CDATA:
      case XmlNodeType_Whitespace: {
        const WCHAR* value = nullptr;
        UINT length = 0;
        if (FAILED(xml.GetValue(&value, &length))) return std::nullopt;
        open.back()->text += U16(value, length);
        break;
      }
      default: break;  // declarations, comments, processing instructions
    }
  }
  if (FAILED(read) || open.size() != 1 || top.children.size() != 1) return std::nullopt;
  return std::move(top.children.front());
}

std::optional<XmlElement> ParseXmlFragment(std::string_view bytes, std::stop_token stop) {
  // Wine's reader knows no fragment conformance level: the fragment is read
  // as the content of an element of its own.
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  if (bytes.starts_with(kUtf8Mark)) bytes.remove_prefix(kUtf8Mark.size());
  std::optional<XmlElement> wrapper =
      ParseXmlDocument("<fragment>" + std::string(bytes) + "</fragment>", stop);
  if (wrapper) wrapper->name.clear();
  return wrapper;
}

}  // namespace rdc
