#pragma once
// Definition lines to variables: "key=name/description/type/address/register/unit/scale/...".
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "variables/view.h"

namespace quillon {

class TViewList;

struct VariableType {
  std::string_view Name;
  // Lines with fewer items are not variables of this type and are skipped.
  std::size_t MinimumItems;
  std::unique_ptr<TView> (*Make)();
};

// The types definition lines may name, in registry order.
std::span<const VariableType> VariableTypes();
// Exact, case-sensitive type name; null when unknown.
const VariableType* FindVariableType(std::string_view typeName);
// A fresh variable of the type with its defaults, owned by nobody; null when unknown.
std::unique_ptr<TView> CreateVariableOfType(std::string_view typeName);

// Creates the variable of one key=definition line, points it into `image` at its address and
// appends it to `list`. Returns null, silently, for a line without "=", an unknown type or too
// few items. Throws ConversionError for an unreadable address or register. Empty view
// parameters mean "0/0/0/".
TView* CreateVariable(std::string_view line, std::string_view viewParameters, std::span<std::uint8_t> image,
                      TViewList& list);

// Among key=definition lines, the last one whose item 0 is `name` becomes a variable of `list`.
TView* CreateVariableByName(const std::vector<std::string>& lines, std::string_view name,
                            std::span<std::uint8_t> image, TViewList& list);

// Text before the first "=" (the whole line when there is none).
std::string LineKey(std::string_view line);
// Text before the first blank.
std::string FirstWord(std::string_view text);

}  // namespace quillon
