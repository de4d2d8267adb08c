#pragma once
// The workbook's table of shared strings, which text cells of type "s" index.
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class SharedStrings {
 public:
  SharedStrings() = default;
  explicit SharedStrings(const pugi::xml_document& part);

  // nullptr for an index the table does not hold (a hand-edited file may say anything).
  const std::string* Text(std::string_view index) const;

 private:
  std::vector<std::string> texts_;
};

}  // namespace quillon
