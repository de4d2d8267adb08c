#pragma once
// The defined names of a workbook (the <definedNames> of its workbook part): the reports find
// their cells by them, and they follow the cells when cells are inserted.
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/area_reference.h"
#include "maintenance/workbook.h"

namespace quillon {

class DefinedNames {
 public:
  DefinedNames() = default;
  // `workbookRoot` is the root element of the workbook part and must outlive this; `sheetNames`
  // are the sheets in workbook order.
  DefinedNames(pugi::xml_node workbookRoot, std::vector<std::string> sheetNames);

  struct Target {
    bool defined = false;
    // The one area of cells the name refers to; nullopt for formulas, constants, "#REF!",
    // lists of several areas and sheets the workbook does not have.
    std::optional<CellRange> area;
  };
  // A workbook-wide name first, then one local to a sheet; names compare without regard to case.
  Target Find(std::string_view name) const;

  // Moves and grows the areas as ShiftedForInsert says and rewrites the names that changed.
  // Returns whether any did.
  bool FollowInsert(const CellRange& inserted);

 private:
  struct Name {
    pugi::xml_node element;
    std::string name;
    std::optional<int> localSheet;
    std::optional<std::vector<AreaReference>> areas;
  };
  std::optional<int> SheetOf(const AreaReference& area, const Name& name) const;

  std::vector<Name> names_;
  std::vector<std::string> sheetNames_;
};

}  // namespace quillon
