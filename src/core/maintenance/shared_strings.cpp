#include "maintenance/shared_strings.h"

#include <charconv>

#include "maintenance/xml_part.h"

namespace quillon {

SharedStrings::SharedStrings(const pugi::xml_document& part) {
  for (pugi::xml_node item : part.document_element().children()) {
    if (HasLocalName(item, "si")) texts_.push_back(StringItemText(item));
  }
}

const std::string* SharedStrings::Text(std::string_view index) const {
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(index.data(), index.data() + index.size(), value);
  if (error != std::errc() || end != index.data() + index.size() || value >= texts_.size()) return nullptr;
  return &texts_[value];
}

}  // namespace quillon
