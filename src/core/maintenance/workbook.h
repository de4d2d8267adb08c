#pragma once
// A spreadsheet workbook in Office Open XML (the .xlsx family), offering the few operations the
// reports make on a template: find a range by defined names, write values, copy a range, insert
// cells shifting the ones below down, paste the copy, merge, and save.
//
// The template is read whole into memory; nothing touches the template file afterwards. Parts
// the operations do not concern (styles, themes, page set-up, printer settings, drawings) are
// written back byte for byte, so the template's layout and print settings survive.
//
// Positions are 1-based (row 1, column 1 = A1). Every operation works on one worksheet, the one
// its range names.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillon {

struct CellRef {
  int row = 1;
  int column = 1;
  bool operator==(const CellRef&) const = default;
};

// A rectangle of cells on one worksheet, corners inclusive; `sheet` is the 0-based index of the
// worksheet in the workbook's order.
struct CellRange {
  int sheet = 0;
  CellRef first;
  CellRef last;
  bool operator==(const CellRange&) const = default;
  int Rows() const { return last.row - first.row + 1; }
  int Columns() const { return last.column - first.column + 1; }
};

// "A1" style reference of one cell, "$A$1" when `absolute`.
std::string CellName(CellRef cell, bool absolute = false);
// The address as the reports show it: "$B$3" for one cell, "$A$10:$H$10" for an area.
std::string RangeAddress(const CellRange& range);
// "A1", "$A$1", "A1:H1" or "$A$1:$H$1" (optionally after "Sheet!" or "'Sheet name'!", which is
// ignored); the corners are put in order. nullopt for anything else.
std::optional<CellRange> ParseRangeAddress(std::string_view address);

// A cell's value: text, or a number.
using CellValue = std::variant<std::string, double>;

// A template that cannot be used, or a name the template does not define. The message is meant
// for the engineer and names the file or the name.
class WorkbookError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Workbook {
 public:
  // Reads the workbook at `path`. Throws WorkbookError for a missing or unreadable file, a legacy
  // binary Excel file (.xls/.xlt of Excel 97-2003), or a file that is not a spreadsheet package.
  static Workbook Open(const std::string& path);

  Workbook(Workbook&&) noexcept;
  Workbook& operator=(Workbook&&) noexcept;
  ~Workbook();

  // The area a defined name refers to (a workbook-wide name, or failing that one local to a
  // sheet). Throws WorkbookError when the name is not defined or does not refer to cells.
  CellRange Range(std::string_view name) const;
  // The area spanning both names' areas (they must lie on the same sheet).
  CellRange Range(std::string_view firstName, std::string_view lastName) const;

  // Writes `text` into every cell of the range (as Excel does when a text is assigned to a range).
  // A text longer than a cell holds (32,767 characters) is clipped after its last whole character
  // that fits; both calls return the cells whose text was clipped, so the caller can say so.
  std::vector<CellRef> Value(const CellRange& range, const std::string& text);
  // Writes one row of values into the range's first row, left to right; cells of that row beyond
  // the values are emptied, values beyond the range are dropped.
  std::vector<CellRef> Value(const CellRange& range, const std::vector<CellValue>& row);

  // Remembers the range's cells (values and formats) and the merged areas inside it.
  void Copy(const CellRange& range);
  // Inserts empty cells at the range, shifting the cells of the range's columns at and below its
  // first row down by the range's height; merged areas, defined names (an area that starts
  // above and reaches into the shifted rows grows) and row heights move with them. The inserted
  // rows take the height of the range's first row.
  void Insert(const CellRange& range);
  // Puts the last copy (values, formats and merged areas) with its top left corner at the
  // range's top left corner. Throws WorkbookError when nothing was copied.
  void PasteSpecial(const CellRange& range);
  // Makes the range one merged area, replacing merged areas it overlaps.
  void Merge(const CellRange& range);

  // Writes the workbook as a normal workbook (a template's content type becomes that of a
  // workbook) to `path` atomically: a temporary file beside it is renamed into place.
  // Throws WorkbookError when it cannot be written.
  void Save(const std::string& path) const;

  // Reading back, for checks: the value of a cell (nullopt for an empty one), the merged areas of
  // a sheet and the height of a row in points (nullopt when the row has the default height).
  std::optional<CellValue> Read(int sheet, CellRef cell) const;
  std::vector<CellRange> MergedAreas(int sheet) const;
  std::optional<double> RowHeight(int sheet, int row) const;

 private:
  struct Package;
  explicit Workbook(std::unique_ptr<Package> package);
  std::unique_ptr<Package> package_;
};

}  // namespace quillon
