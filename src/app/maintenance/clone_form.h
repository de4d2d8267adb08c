#pragma once
// TCloneForm ("Создать резерв для усройства..."): the whole parameter content of another device
// of a chosen type copied into a device's file, which keeps its own identity. The engineer
// picks the source in the table; two boxes decide whether its location and mechanism go along.
#include <QDialog>
#include <string>
#include <vector>

#include "maintenance/clone_device.h"
#include "table/content_widths.h"
#include "workspace/paths.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

namespace quillon {

class TTableItem;
class TTablePanel01;

class TCloneForm : public QDialog {
  Q_OBJECT

 public:
  explicit TCloneForm(const WorkspacePaths& paths, QWidget* parent = nullptr);

  // Shows the dialog modally for `target`; true when the clone was written.
  bool Execute(const CloneTarget& target);

  // The target as the dialog left it: after "Применить" with the selected type and the file
  // written.
  const CloneTarget& Target() const { return target_; }
  const std::vector<CloneSourceRow>& Rows() const { return rows_; }
  const std::string& SourcePath() const { return sourcePath_; }
  TTablePanel01* Table() const { return tpDevices_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void FormShow();
  void cbDeviceTypeChange();
  // Lists the types and selects `type`; the table follows when the type is one of them.
  void ShowType(const std::string& type);
  void FillTable(const std::string& type);
  void tpDevicesClickItem(TTableItem& cell);
  void btApplayClick();
  ColumnNeed NeedOf(const TTableItem& column) const;
  void WidenForContents();
  void SizeColumns();

  WorkspacePaths paths_;
  CloneTarget target_;
  std::vector<std::string> types_;
  std::vector<CloneSourceRow> rows_;
  std::string sourcePath_;
  bool widthsChosen_ = false;

  QPlainTextEdit* meDevInfo_ = nullptr;
  QComboBox* cbDeviceType_ = nullptr;
  TTablePanel01* tpDevices_ = nullptr;
  QScrollBar* sbVert_ = nullptr;
  QCheckBox* chbLocation_ = nullptr;
  QCheckBox* chbDescription_ = nullptr;
  QPushButton* btApplay_ = nullptr;
  QPushButton* btCancel_ = nullptr;
  std::vector<TTableItem*> columns_;
};

}  // namespace quillon
