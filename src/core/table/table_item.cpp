#include "table/table_item.h"

#include <algorithm>
#include <stdexcept>

#include "table/table_model.h"
#include "text/cp1251.h"

namespace quillon {

TTableItem::TTableItem(TableModel* table, TTableItem* parent, bool isColumn)
    : Height(isColumn ? kHeaderHeight : kCellHeight),
      Alignment(isColumn ? TextAlignment::Center : TextAlignment::Left),
      table_(table),
      parent_(parent),
      isColumn_(isColumn) {}

TTableItem& TTableItem::AddColumn(const std::string& caption, double width) {
  if (!isColumn_) throw std::logic_error("a table cell cannot hold columns");
  if (!items_.empty() && !items_.front()->IsColumn()) {
    throw std::logic_error("column \"" + caption_ + "\" already holds cells");
  }
  items_.push_back(std::make_unique<TTableItem>(table_, this, true));
  TTableItem& column = *items_.back();
  column.Width = width;
  column.SetCaption(caption);
  return column;
}

TTableItem& TTableItem::AddCell(std::function<std::string()> textProvider, std::any payload) {
  if (!isColumn_) throw std::logic_error("a table cell cannot hold cells");
  if (HasSubColumns()) throw std::logic_error("column \"" + caption_ + "\" has sub-columns");
  items_.push_back(std::make_unique<TTableItem>(table_, this, false));
  TTableItem& cell = *items_.back();
  cell.TextProvider = std::move(textProvider);
  cell.Payload = std::move(payload);
  cell.Width = Width;
  cell.Selected = table_ != nullptr && table_->SelectedRow() == static_cast<int>(items_.size()) - 1;
  return cell;
}

bool TTableItem::HasSubColumns() const { return !items_.empty() && items_.front()->IsColumn(); }

bool TTableItem::IsLeafColumn() const { return isColumn_ && !HasSubColumns(); }

const std::vector<std::unique_ptr<TTableItem>>& TTableItem::Siblings() const {
  static const std::vector<std::unique_ptr<TTableItem>> none;
  if (parent_ != nullptr) return parent_->items_;
  if (table_ != nullptr) return table_->Columns();
  return none;
}

int TTableItem::Index() const {
  const auto& siblings = Siblings();
  const auto found =
      std::find_if(siblings.begin(), siblings.end(), [this](const auto& item) { return item.get() == this; });
  return found == siblings.end() ? -1 : static_cast<int>(found - siblings.begin());
}

TTableItem* TTableItem::NextSibling() const {
  const auto& siblings = Siblings();
  const int index = Index();
  if (index < 0 || index + 1 >= static_cast<int>(siblings.size())) return nullptr;
  return siblings[index + 1].get();
}

int TTableItem::Depth() const {
  int deepest = 0;
  if (HasSubColumns()) {
    for (const auto& child : items_) deepest = std::max(deepest, child->Depth());
  }
  return deepest + 1;
}

TTableItem* TTableItem::Cell(int row) const {
  if (!IsLeafColumn() || row < 0 || row >= static_cast<int>(items_.size())) return nullptr;
  return items_[row].get();
}

void TTableItem::SetCaption(const std::string& caption) {
  caption_ = Utf8Length(caption) > kMaxCaptionChars ? Utf8Left(caption, kMaxCaptionChars) : caption;
}

void TTableItem::RefreshCaption() {
  if (TextProvider) SetCaption(TextProvider());
}

void TTableItem::ClearCells() {
  if (HasSubColumns()) {
    for (const auto& child : items_) child->ClearCells();
  } else {
    items_.clear();
  }
}

}  // namespace quillon
