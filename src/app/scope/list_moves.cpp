#include "app/scope/list_moves.h"

#include <QListWidget>

namespace quillon {

namespace {

// Swaps two neighbouring rows; each entry keeps its selection.
void SwapRows(QListWidget* list, int upper) {
  // A taken item forgets its selection, so it is read first.
  const bool selected = list->item(upper + 1)->isSelected();
  QListWidgetItem* lower = list->takeItem(upper + 1);
  list->insertItem(upper, lower);
  lower->setSelected(selected);
}

}  // namespace

std::vector<int> SelectedRows(const QListWidget* list) {
  std::vector<int> rows;
  for (int row = 0; row < list->count(); ++row) {
    if (list->item(row)->isSelected()) rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> EntryTexts(const QListWidget* list) {
  std::vector<std::string> texts;
  for (int row = 0; row < list->count(); ++row) texts.push_back(list->item(row)->text().toStdString());
  return texts;
}

void AppendSelectedMissing(const QListWidget* from, QListWidget* to) {
  for (int row : SelectedRows(from)) {
    const QString text = from->item(row)->text();
    if (to->findItems(text, Qt::MatchFixedString).isEmpty()) to->addItem(text);
  }
}

void MoveSelectedUp(QListWidget* list) {
  for (int row = 1; row < list->count(); ++row) {
    if (list->item(row)->isSelected() && !list->item(row - 1)->isSelected()) SwapRows(list, row - 1);
  }
}

void MoveFirstSelectedDown(QListWidget* list) {
  for (int row : SelectedRows(list)) {
    if (row + 1 < list->count()) {
      QListWidgetItem* moved = list->item(row);
      SwapRows(list, row);
      list->setCurrentItem(moved, QItemSelectionModel::NoUpdate);
      return;
    }
  }
}

void DeleteSelected(QListWidget* list) {
  const std::vector<int> rows = SelectedRows(list);
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) delete list->takeItem(*row);
}

}  // namespace quillon
