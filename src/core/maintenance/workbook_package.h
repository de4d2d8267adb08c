#pragma once
// What a Workbook holds: the package's entries as read, and the parsed parts the operations
// change. Parts nobody changed are written back byte for byte.
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/defined_names.h"
#include "maintenance/shared_strings.h"
#include "maintenance/workbook.h"
#include "maintenance/worksheet.h"
#include "maintenance/zip_package.h"

namespace quillon {

struct Workbook::Package {
  struct Sheet {
    std::string name;
    // The entry name of the sheet's part.
    std::string part;
    // nullopt for chart and dialog sheets, which have no cells.
    std::optional<Worksheet> cells;
  };

  // Throws WorkbookError as Workbook::Open says.
  static std::unique_ptr<Package> Load(const std::string& path);
  // The bytes of the package as a normal workbook.
  std::string Build(const std::string& targetPath) const;

  // The sheet of the range, which must lie on it; throws WorkbookError otherwise.
  Worksheet& CellsOf(const CellRange& range);
  const Worksheet* CellsOf(int sheet) const;

  // Part names compare without regard to ASCII case; nullptr when there is no such entry.
  const PackageEntry* Entry(std::string_view name) const;

  std::string path;
  std::vector<PackageEntry> entries;
  std::string workbookPart;
  std::unique_ptr<pugi::xml_document> workbook;
  bool workbookChanged = false;
  std::vector<Sheet> sheets;
  SharedStrings strings;
  DefinedNames names;
  std::optional<CellBlock> clipboard;
};

}  // namespace quillon
