// Look-ups in the element tree.
#include "import/xml_element.h"

namespace rdc {

const XmlElement* XmlElement::Child(std::u16string_view childName) const {
  for (const XmlElement& child : children)
    if (child.name == childName) return &child;
  return nullptr;
}

std::u16string_view XmlElement::ChildText(std::u16string_view childName) const {
  const XmlElement* child = Child(childName);
  return child != nullptr ? std::u16string_view(child->text) : std::u16string_view();
}

const std::u16string* XmlElement::Attribute(std::u16string_view attributeName) const {
  for (const auto& [key, value] : attributes)
    if (key == attributeName) return &value;
  return nullptr;
}

std::u16string_view XmlElement::AttributeText(std::u16string_view attributeName) const {
  const std::u16string* value = Attribute(attributeName);
  return value != nullptr ? std::u16string_view(*value) : std::u16string_view();
}

}  // namespace rdc
