#pragma once
// TfSyncConflicts: the keys that this folder and the team's repository changed differently, in
// the changes viewer's three columns (parameter, the value here, the team's value). The
// engineer ticks the value to keep on every row; the sync is finished with those answers only
// when every row has one, and "Отложить" leaves both sides as they are.
#include <QDialog>
#include <vector>

#include "history/device_sync.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillon {

class TfSyncConflicts : public QDialog {
  Q_OBJECT

 public:
  // `files`: the files of a sync report that conflict (other outcomes are skipped).
  explicit TfSyncConflicts(const std::vector<SyncFileOutcome>& files, QWidget* parent = nullptr);

  // One answer per conflict of every file; valid when AllChosen().
  std::vector<SyncResolution> Resolutions() const;
  bool AllChosen() const;

  QTreeWidget* Conflicts() const { return lvConflicts_; }
  // Ticks row `row` (in order over all files) on the local (true) or the team's side.
  void Choose(int row, bool local);

 private:
  void ItemChanged(QTreeWidgetItem* item, int column);
  void ChooseAll(bool local);
  std::vector<QTreeWidgetItem*> Rows() const;

  std::vector<SyncFileOutcome> files_;
  QTreeWidget* lvConflicts_ = nullptr;
  QPushButton* btMerge_ = nullptr;
  bool updating_ = false;
};

}  // namespace quillon
