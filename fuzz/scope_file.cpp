// A scope window file (.scp) from a colleague, read as a scope window opens it.
#include "scope/scope_file.h"

#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "scope/scope_columns.h"
#include "variables/registry.h"
#include "variables/view_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillon;
  const fuzz::InputFile file("window.scp", data, size);
  TBaseProperty property;
  if (!ReadScopeSettings(file.Path(), property)) return 0;
  ColumnWidthsOf(property.ColWidths);
  IniDocument document = IniDocument::Load(file.Path());
  TViewList list;
  for (const std::string& key : ReadViewListKeys(file.Path())) {
    TView* variable = list.Append(CreateVariableOfType("TWORD"));
    variable->Define(key, {key, "", "TWORD", "x0000", "r0000", "", "1", "2", "", "", "x0000"});
    variable->ApplyViewParameters(ReadViewListValue(document, key));
    ViewListValue(*variable);
  }
  WriteScopeSettings(document, property, list);
  document.ToFileBytes();
  return 0;
}
