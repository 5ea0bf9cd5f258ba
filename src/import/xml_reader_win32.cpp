// Reading XML with XmlLite: one pass over the reader's nodes, elements kept
// on a stack of the ones still open.
#include "import/xml_reader_win32.h"

#include <windows.h>
// <objbase.h>, <shlwapi.h> and <xmllite.h> build on <windows.h>.
#include <objbase.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <string>
#include <vector>

#include "os/owners_win32.h"

namespace rdc {
namespace {

constexpr std::wstring_view kXmlnsNamespace = L"http://www.w3.org/2000/xmlns/";

std::u16string U16(const WCHAR* text, UINT length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// Takes the attributes of the element the reader stands on, leaving it there.
bool ReadAttributes(IXmlReader& reader, XmlElement& element) {
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
    if (std::wstring_view(space, spaceLength) != kXmlnsNamespace)
      element.attributes.emplace_back(U16(name, nameLength), U16(value, valueLength));
    moved = reader.MoveToNextAttribute();
  }
  return SUCCEEDED(moved) && SUCCEEDED(reader.MoveToElement());
}

std::optional<XmlElement> Parse(std::string_view bytes, bool fragment) {
  ComPointer<IStream> stream(
      SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  ComPointer<IXmlReader> reader;
  if (!stream || FAILED(CreateXmlReader(__uuidof(IXmlReader),
                                        reinterpret_cast<void**>(reader.receive()), nullptr)))
    return std::nullopt;
  // A document type declaration could expand entities without bound: refused.
  if (FAILED(reader.get()->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader.get()->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxXmlDepth)) ||
      FAILED(reader.get()->SetProperty(XmlReaderProperty_ConformanceLevel,
                                       fragment ? XmlConformanceLevel_Fragment
                                                : XmlConformanceLevel_Document)) ||
      FAILED(reader.get()->SetInput(stream.get())))
    return std::nullopt;

  XmlElement top;
  std::vector<XmlElement*> open{&top};
  XmlNodeType type = XmlNodeType_None;
  HRESULT read = S_OK;
  while ((read = reader.get()->Read(&type)) == S_OK) {
    switch (type) {
      case XmlNodeType_Element: {
        const WCHAR* name = nullptr;
        UINT length = 0;
        if (FAILED(reader.get()->GetLocalName(&name, &length))) return std::nullopt;
        // Only the innermost open element gets children, so the pointers to
        // the open ones stay valid.
        XmlElement& element = open.back()->children.emplace_back();
        element.name = U16(name, length);
        const bool empty = reader.get()->IsEmptyElement();
        if (!ReadAttributes(*reader.get(), element)) return std::nullopt;
        if (!empty) open.push_back(&element);
        break;
      }
      case XmlNodeType_EndElement:
        if (open.size() < 2) return std::nullopt;
        open.pop_back();
        break;
      case XmlNodeType_Text:
      case XmlNodeType_CDATA:
      case XmlNodeType_Whitespace: {
        const WCHAR* value = nullptr;
        UINT length = 0;
        if (FAILED(reader.get()->GetValue(&value, &length))) return std::nullopt;
        open.back()->text += U16(value, length);
        break;
      }
      default: break;  // declarations, comments, processing instructions
    }
  }
  if (FAILED(read) || open.size() != 1) return std::nullopt;
  if (fragment) return top;
  if (top.children.size() != 1) return std::nullopt;
  return std::move(top.children.front());
}

}  // namespace

std::optional<XmlElement> ParseXmlDocument(std::string_view bytes) {
  return Parse(bytes, false);
}

std::optional<XmlElement> ParseXmlFragment(std::string_view bytes) {
  return Parse(bytes, true);
}

}  // namespace rdc
