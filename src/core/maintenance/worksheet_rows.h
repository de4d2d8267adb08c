#pragma once
// The rows of a worksheet in row order. A report inserts cells once per parameter, and every
// insert renumbers the whole table below it: with the rows in a tree keyed by their number each
// insert re-keyed every row (10,000 parameters: 50 million tree operations, 24 s). Here the
// numbers sit in one array in order, so an insert adds to them in a single pass, and the rows
// themselves stay where they are allocated, so making room for a new row moves pointers only.
#include <algorithm>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

namespace quillon {

// The cell elements of a row by column, without their "r" attribute, which the position gives.
// A row holds a few cells, and every insert asks each row below for its first and last column,
// so they are kept in one array in column order rather than in a tree.
class RowCells {
 public:
  using Cell = std::pair<int, pugi::xml_node>;
  using iterator = std::vector<Cell>::iterator;
  using const_iterator = std::vector<Cell>::const_iterator;

  iterator begin() { return cells_.begin(); }
  iterator end() { return cells_.end(); }
  const_iterator begin() const { return cells_.begin(); }
  const_iterator end() const { return cells_.end(); }
  bool empty() const { return cells_.empty(); }
  // Only for a row that is not empty.
  int FirstColumn() const { return cells_.front().first; }
  int LastColumn() const { return cells_.back().first; }

  iterator lower_bound(int column) {
    return std::lower_bound(cells_.begin(), cells_.end(), column,
                            [](const Cell& cell, int wanted) { return cell.first < wanted; });
  }
  const_iterator lower_bound(int column) const {
    return std::lower_bound(cells_.begin(), cells_.end(), column,
                            [](const Cell& cell, int wanted) { return cell.first < wanted; });
  }
  iterator find(int column) {
    const auto found = lower_bound(column);
    return found != cells_.end() && found->first == column ? found : cells_.end();
  }
  const_iterator find(int column) const {
    const auto found = lower_bound(column);
    return found != cells_.end() && found->first == column ? found : cells_.end();
  }
  // As std::map::emplace: a cell already in the column stays, and the flag says false.
  std::pair<iterator, bool> emplace(int column, pugi::xml_node element) {
    const auto found = lower_bound(column);
    if (found != cells_.end() && found->first == column) return {found, false};
    return {cells_.insert(found, Cell{column, element}), true};
  }
  pugi::xml_node& operator[](int column) { return emplace(column, pugi::xml_node()).first->second; }
  iterator erase(iterator at) { return cells_.erase(at); }

 private:
  std::vector<Cell> cells_;
};

struct SheetRow {
  // Everything but the row number, which its place gives, and the column span, which goes stale.
  std::vector<std::pair<std::string, std::string>> attributes;
  RowCells cells;

  bool Empty() const { return cells.empty() && attributes.empty(); }
};

class SheetRows {
 public:
  struct Entry {
    // Whoever changes numbers keeps them ascending (an insert adds the same height to every row
    // from one on).
    int number = 0;
    std::unique_ptr<SheetRow> row;
  };
  using iterator = std::vector<Entry>::iterator;
  using const_iterator = std::vector<Entry>::const_iterator;

  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }
  bool empty() const { return entries_.empty(); }
  const Entry& back() const { return entries_.back(); }

  // The first row numbered `number` or later.
  iterator LowerBound(int number) {
    return std::lower_bound(entries_.begin(), entries_.end(), number,
                            [](const Entry& entry, int wanted) { return entry.number < wanted; });
  }
  const_iterator LowerBound(int number) const {
    return std::lower_bound(entries_.begin(), entries_.end(), number,
                            [](const Entry& entry, int wanted) { return entry.number < wanted; });
  }

  SheetRow* Find(int number) {
    const auto found = LowerBound(number);
    return found != entries_.end() && found->number == number ? found->row.get() : nullptr;
  }
  const SheetRow* Find(int number) const {
    const auto found = LowerBound(number);
    return found != entries_.end() && found->number == number ? found->row.get() : nullptr;
  }

  // The row, added empty when there is none. A row stays at its address until it is erased.
  SheetRow& Obtain(int number) {
    const auto found = LowerBound(number);
    if (found != entries_.end() && found->number == number) return *found->row;
    return *entries_.insert(found, Entry{number, std::make_unique<SheetRow>()})->row;
  }

  iterator Erase(iterator at) { return entries_.erase(at); }
  void EraseIfEmpty(int number) {
    const auto found = LowerBound(number);
    if (found != entries_.end() && found->number == number && found->row->Empty()) entries_.erase(found);
  }

 private:
  std::vector<Entry> entries_;
};

}  // namespace quillon
