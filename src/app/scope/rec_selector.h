#pragma once
// "Открыть осциллограмму ...": the record files of a directory with the devices they were taken
// from, in a table sorted by the column last clicked; returns the file the engineer chose. The
// listing and the orders are the core's (scope/record_list.h).
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "scope/record_list.h"
#include "table/content_widths.h"
#include "workspace/paths.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace quillon {

class TTableItem;
class TTablePanel01;

class TRecSelector : public QDialog {
  Q_OBJECT

 public:
  explicit TRecSelector(const WorkspacePaths& paths, QWidget* parent = nullptr);

  // Fills the table and shows the dialog modally: the chosen file, or empty when cancelled.
  std::string SelectRecord();

  // Lists the directory of the path field again, sorted by the sort column; nothing selected.
  void FillTable();

  const std::vector<RecordRow>& Rows() const { return rows_; }
  RecordColumn SortColumn() const { return sortColumn_; }
  std::string Directory() const { return directory_; }
  std::string SelectedFile() const { return selectedFile_; }
  TTablePanel01* Table() const { return table_; }
  QScrollBar* ScrollBar() const { return scrollBar_; }

  // "Путь...": asked for another directory, starting at the one shown; empty keeps it. The
  // directory dialog when unset.
  std::function<std::string(const std::string& directory)> ChooseDirectory;

 private:
  void btPathClick();
  void btOpenClick();
  void TableClickItem(TTableItem& cell);
  void TableClickHeader(TTableItem& column);
  void TableDblClick();
  // What a column needs to show its caption and texts whole.
  ColumnNeed NeedOf(const TTableItem& column) const;
  // Before the first showing the dialog grows, within the screen, to show every text whole.
  void WidenForContents();
  void SizeColumns();
  void UpdateScrollRange();

  std::string directory_;
  RecordColumn sortColumn_ = RecordColumn::None;
  std::vector<RecordRow> rows_;
  std::string selectedFile_;
  // The engineer dragged a column edge: the widths are his from then on.
  bool widthsChosen_ = false;

  QLineEdit* edPath_ = nullptr;
  QPushButton* btPath_ = nullptr;
  TTablePanel01* table_ = nullptr;
  QScrollBar* scrollBar_ = nullptr;
  QLabel* lbFile_ = nullptr;
  QPushButton* btOpen_ = nullptr;
  QPushButton* btCancel_ = nullptr;
  std::vector<TTableItem*> columns_;
};

}  // namespace quillon
