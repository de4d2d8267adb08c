#include "variables/registry.h"

#include <array>

#include "text/items.h"
#include "variables/integer_types.h"
#include "variables/special/float_type.h"
#include "variables/special/input_filter_type.h"
#include "variables/special/integral_types.h"
#include "variables/special/ip_addr_type.h"
#include "variables/special/prm_list_type.h"
#include "variables/special/sqr_word_type.h"
#include "variables/special/time_cnt_type.h"
#include "variables/view_list.h"

namespace quillon {
namespace {

template <typename T>
std::unique_ptr<TView> Make() {
  return std::make_unique<T>();
}

constexpr std::array kTypes{
    VariableType{"TBit", 7, &Make<TBit>},
    VariableType{"TByte", 7, &Make<TByte>},
    VariableType{"TShortInt", 7, &Make<TShortInt>},
    VariableType{"TWORD", 7, &Make<TWORD>},
    VariableType{"TInteger", 7, &Make<TInteger>},
    VariableType{"TDWORD", 7, &Make<TDWORD>},
    VariableType{"TLongint", 7, &Make<TLongint>},
    VariableType{"TFloat", 7, &Make<TFloat>},
    VariableType{"TSQRWord", 7, &Make<TSQRWord>},
    VariableType{"TInputFilter", 8, &Make<TInputFilter>},
    VariableType{"TIPAddr", 7, &Make<TIPAddr>},
    VariableType{"TTimeCnt", 7, &Make<TTimeCnt>},
    VariableType{"TPrmList", 6, &Make<TPrmList>},
    VariableType{"TIntegral", 9, &Make<TIntegral>},
    VariableType{"TFrequency", 9, &Make<TFrequency>},
    VariableType{"TSoftTimer", 9, &Make<TSoftTimer>},
    VariableType{"TDiff", 9, &Make<TDiff>},
};

}  // namespace

std::span<const VariableType> VariableTypes() { return kTypes; }

const VariableType* FindVariableType(std::string_view typeName) {
  for (const auto& type : kTypes) {
    if (type.Name == typeName) return &type;
  }
  return nullptr;
}

std::unique_ptr<TView> CreateVariableOfType(std::string_view typeName) {
  const VariableType* type = FindVariableType(typeName);
  return type != nullptr ? type->Make() : nullptr;
}

TView* CreateVariable(std::string_view line, std::string_view viewParameters, std::span<std::uint8_t> image,
                      TViewList& list) {
  const auto equals = line.find('=');
  // The tools never write a line without a key; such a line is no variable.
  if (equals == std::string_view::npos) return nullptr;
  const std::vector<std::string> items = SplitItems(line.substr(equals + 1));
  if (items.size() < 3) return nullptr;
  const VariableType* type = FindVariableType(items[2]);
  if (type == nullptr || items.size() < type->MinimumItems) return nullptr;

  std::unique_ptr<TView> variable = type->Make();
  variable->Owner = &list;  // the scale items are resolved through the list's table
  variable->Define(ShortText(line.substr(0, equals)), items);
  if (!variable->Definition().NoAddress) variable->AttachImage(image, variable->Definition().Address);
  variable->ApplyViewParameters(viewParameters.empty() ? kDefaultViewParameters : viewParameters);
  if (auto* bit = dynamic_cast<TBit*>(variable.get())) bit->TrendColour = list.NextBitTrendColour();
  TView* created = list.Append(std::move(variable));
  created->Layout();
  return created;
}

TView* CreateVariableByName(const std::vector<std::string>& lines, std::string_view name, std::span<std::uint8_t> image,
                            TViewList& list) {
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    const auto equals = it->find('=');
    if (equals == std::string::npos) continue;
    const std::vector<std::string> items = SplitItems(std::string_view(*it).substr(equals + 1));
    if (items[0] == name) return CreateVariable(*it, {}, image, list);
  }
  return nullptr;
}

std::string LineKey(std::string_view line) { return std::string(line.substr(0, line.find('='))); }

std::string FirstWord(std::string_view text) { return std::string(text.substr(0, text.find(' '))); }

}  // namespace quillon
