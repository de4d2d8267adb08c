#pragma once
// TfHistory ("История"): the versions of the open device file, newest first; one chosen shows
// what that version changed, two chosen the changes from the older to the newer; "Восстановить"
// hands the chosen version to the main window, which asks about unsaved edits and restores it.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "history/device_history.h"
#include "history/git_handles.h"
#include "workspace/paths.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace quillon {

class TfHistory : public QDialog {
  Q_OBJECT

 public:
  // `restore` restores a revision and answers whether it did; the list is read afresh after it.
  using RestoreVersion = std::function<bool(const std::string& rev, const DeviceVersion& version)>;

  TfHistory(const WorkspacePaths& paths, std::string filePath, RestoreVersion restore, QWidget* parent = nullptr);

  // Reads the versions again (after a save or a restore).
  void Reload();

  QTreeWidget* Versions() const { return lvVersions_; }
  QTreeWidget* Changes() const { return lvChanges_; }
  QPushButton* RestoreButton() const { return btRestore_; }

 private:
  void SelectionChanged();
  void btRestoreClick();
  std::vector<int> ChosenRows() const;

  const GitLibrary git_;
  const WorkspacePaths paths_;
  const std::string filePath_;
  RestoreVersion restore_;
  std::vector<DeviceVersion> versions_;
  QTreeWidget* lvVersions_ = nullptr;
  QTreeWidget* lvChanges_ = nullptr;
  QLabel* stInfo_ = nullptr;
  QPushButton* btRestore_ = nullptr;
};

}  // namespace quillon
