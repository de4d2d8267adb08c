#pragma once
// One node of an owner-drawn table: a column (holding sub-columns or cells) or a cell. The
// table knows nothing of what its cells show: a cell carries an opaque payload for its owner
// and a text provider that is asked for the caption just before the cell is painted.
#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

class TableModel;

enum class TextAlignment { Left, Center, Right };

// The two text colours a cell knows, with the values the device tools compare against.
enum class TextColor : int { Black = 0, Red = 255 };

inline constexpr int kHeaderHeight = 20;
inline constexpr int kCellHeight = 16;
inline constexpr double kDefaultColumnWidth = 120;
// Narrower than this a column could no longer be grabbed by its edge.
inline constexpr double kMinimumColumnWidth = 2;
inline constexpr std::size_t kMaxCaptionChars = 255;

class TTableItem {
 public:
  TTableItem(TableModel* table, TTableItem* parent, bool isColumn);
  TTableItem(const TTableItem&) = delete;
  TTableItem& operator=(const TTableItem&) = delete;

  // Adds a sub-column; a column that already holds cells cannot get sub-columns.
  TTableItem& AddColumn(const std::string& caption, double width = kDefaultColumnWidth);
  // Adds the cell of the next row; only a column without sub-columns holds cells.
  TTableItem& AddCell(std::function<std::string()> textProvider = {}, std::any payload = {});

  bool IsColumn() const { return isColumn_; }
  // A column that holds cells (or could): it has no sub-columns.
  bool IsLeafColumn() const;
  bool HasSubColumns() const;
  TTableItem* Parent() const { return parent_; }
  TableModel* Table() const { return table_; }
  const std::vector<std::unique_ptr<TTableItem>>& Items() const { return items_; }
  // The items on this item's level: the parent's items, or the table's top-level columns.
  const std::vector<std::unique_ptr<TTableItem>>& Siblings() const;
  // Row index of a cell, position among its siblings for a column.
  int Index() const;
  // The item to the right on the same level, nullptr for the last one.
  TTableItem* NextSibling() const;
  bool IsLastSibling() const { return NextSibling() == nullptr; }
  // Levels of header above the cells: 1 for a column without sub-columns.
  int Depth() const;
  // The cell of `row`, or nullptr when this column has no such row.
  TTableItem* Cell(int row) const;

  const std::string& Caption() const { return caption_; }
  // Captions longer than 255 characters are cut there.
  void SetCaption(const std::string& caption);
  // Asks the text provider (if any) for the current caption.
  void RefreshCaption();

  // Removes every cell below this column, keeping the sub-columns.
  void ClearCells();

  double Width = 0;
  // Where the item was last laid out or painted, in table pixels.
  int Left = 0;
  int Right = 0;
  int Top = 0;
  int Height = 0;
  TextAlignment Alignment = TextAlignment::Left;
  bool Selected = false;

  // Cell data.
  bool Editable = false;
  bool IsValueCell = false;
  int Kind = 0;
  std::any Payload;
  std::function<std::string()> TextProvider;
  TextColor Color = TextColor::Black;

 private:
  TableModel* table_;
  TTableItem* parent_;
  bool isColumn_;
  std::string caption_;
  std::vector<std::unique_ptr<TTableItem>> items_;
};

}  // namespace quillon
