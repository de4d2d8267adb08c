#pragma once
// The way the scope dialogs let the user pick and order variables in a pair of lists: entries
// are copied from a list of all to a list of shown ones, moved up and down and removed there.
#include <string>
#include <vector>

class QListWidget;

namespace quillon {

std::vector<int> SelectedRows(const QListWidget* list);
std::vector<std::string> EntryTexts(const QListWidget* list);

// Appends the selected entries of `from` that `to` does not hold yet.
void AppendSelectedMissing(const QListWidget* from, QListWidget* to);
// Every selected entry moves past the unselected neighbour above it; a selected block keeps its
// order and a block already at the top stays there.
void MoveSelectedUp(QListWidget* list);
// Only the first selected entry that is not the last moves down; it stays current, so pressing
// again walks it further down.
void MoveFirstSelectedDown(QListWidget* list);
void DeleteSelected(QListWidget* list);

}  // namespace quillon
