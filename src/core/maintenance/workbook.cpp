#include "maintenance/workbook.h"

#include "maintenance/cell_address.h"
#include "maintenance/workbook_package.h"

namespace quillon {
namespace {

// Assigning one text to a range writes every cell; a range this large comes only from a name
// gone wrong (whole columns), and filling it would exhaust memory.
constexpr long long kMaxCellsPerValue = 1 << 20;

}  // namespace

Workbook::Workbook(std::unique_ptr<Package> package) : package_(std::move(package)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Workbook Workbook::Open(const std::string& path) { return Workbook(Package::Load(path)); }

Worksheet& Workbook::Package::CellsOf(const CellRange& range) {
  if (range.sheet < 0 || range.sheet >= static_cast<int>(sheets.size())) {
    throw WorkbookError("В книге " + path + " нет листа №" + std::to_string(range.sheet + 1));
  }
  Sheet& sheet = sheets[static_cast<std::size_t>(range.sheet)];
  if (!sheet.cells) throw WorkbookError("Лист «" + sheet.name + "» книги " + path + " не содержит ячеек");
  if (!IsOnSheet(range)) {
    throw WorkbookError("Область " + CellName(range.first) + ":" + CellName(range.last) + " книги " + path +
                        " не лежит на листе");
  }
  return *sheet.cells;
}

const Worksheet* Workbook::Package::CellsOf(int sheet) const {
  if (sheet < 0 || sheet >= static_cast<int>(sheets.size())) return nullptr;
  const auto& cells = sheets[static_cast<std::size_t>(sheet)].cells;
  return cells ? &*cells : nullptr;
}

CellRange Workbook::Range(std::string_view name) const {
  const DefinedNames::Target target = package_->names.Find(name);
  if (!target.defined) throw WorkbookError("В шаблоне " + package_->path + " нет имени «" + std::string(name) + "»");
  if (!target.area) {
    throw WorkbookError("Имя «" + std::string(name) + "» в шаблоне " + package_->path +
                        " не указывает на одну область ячеек");
  }
  return *target.area;
}

CellRange Workbook::Range(std::string_view firstName, std::string_view lastName) const {
  const CellRange a = Range(firstName);
  const CellRange b = Range(lastName);
  if (a.sheet != b.sheet) {
    throw WorkbookError("Имена «" + std::string(firstName) + "» и «" + std::string(lastName) + "» в шаблоне " +
                        package_->path + " указывают на разные листы");
  }
  return CellRange{a.sheet,
                   {std::min(a.first.row, b.first.row), std::min(a.first.column, b.first.column)},
                   {std::max(a.last.row, b.last.row), std::max(a.last.column, b.last.column)}};
}

std::vector<CellRef> Workbook::Value(const CellRange& range, const std::string& text) {
  Worksheet& sheet = package_->CellsOf(range);
  if (static_cast<long long>(range.Rows()) * range.Columns() > kMaxCellsPerValue) {
    throw WorkbookError("Область " + RangeAddress(range) + " книги " + package_->path +
                        " слишком велика для записи значения");
  }
  std::vector<CellRef> clipped;
  for (int row = range.first.row; row <= range.last.row; ++row) {
    for (int column = range.first.column; column <= range.last.column; ++column) {
      if (sheet.SetValue({row, column}, text)) clipped.push_back({row, column});
    }
  }
  return clipped;
}

std::vector<CellRef> Workbook::Value(const CellRange& range, const std::vector<CellValue>& row) {
  Worksheet& sheet = package_->CellsOf(range);
  const int row0 = range.first.row;
  int column = range.first.column;
  std::vector<CellRef> clipped;
  for (std::size_t i = 0; i < row.size() && column <= range.last.column; ++i, ++column) {
    if (sheet.SetValue({row0, column}, row[i])) clipped.push_back({row0, column});
  }
  if (column <= range.last.column) sheet.ClearValues(row0, column, range.last.column);
  return clipped;
}

void Workbook::Copy(const CellRange& range) { package_->clipboard = package_->CellsOf(range).Copy(range); }

void Workbook::Insert(const CellRange& range) {
  package_->CellsOf(range).InsertShiftingDown(range);
  if (package_->names.FollowInsert(range)) package_->workbookChanged = true;
}

void Workbook::PasteSpecial(const CellRange& range) {
  Worksheet& sheet = package_->CellsOf(range);
  if (!package_->clipboard) {
    throw WorkbookError("Нечего вставить в книгу " + package_->path + ": ничего не скопировано");
  }
  sheet.Paste(*package_->clipboard, range.first);
}

void Workbook::Merge(const CellRange& range) { package_->CellsOf(range).Merge(range); }

std::optional<CellValue> Workbook::Read(int sheet, CellRef cell) const {
  const Worksheet* cells = package_->CellsOf(sheet);
  if (!cells || !IsOnSheet(cell)) return std::nullopt;
  return cells->Value(cell, package_->strings);
}

std::vector<CellRange> Workbook::MergedAreas(int sheet) const {
  const Worksheet* cells = package_->CellsOf(sheet);
  return cells ? cells->MergedAreas() : std::vector<CellRange>{};
}

std::optional<double> Workbook::RowHeight(int sheet, int row) const {
  const Worksheet* cells = package_->CellsOf(sheet);
  return cells ? cells->RowHeight(row) : std::nullopt;
}

}  // namespace quillon
