#pragma once
// TfChangesViewer: before a save, the list of parameters whose values are about to change, as
// three columns (parameter, old value, new value), with the choice to save or not.
#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "device/changes_rows.h"

class QListWidget;
class QPushButton;

namespace quillon {

class TfChangesViewer : public QDialog {
  Q_OBJECT

 public:
  explicit TfChangesViewer(QWidget* parent = nullptr);

  // The "parameter/old/new" lines as the caller collected them.
  void SetLines(const std::vector<std::string>& lines);
  // Shown modally; true when the engineer chose to save.
  bool Ask();
  enum class Choice { Save, DontSave, Cancel };
  // Shown modally with a third button, "Отмена", for a step the engineer may take back (leaving
  // the open device, closing the program); closing the dialog cancels as well.
  Choice AskOrCancel();

  QListWidget* ListBox() const { return listBox_; }
  const std::vector<ChangesRow>& Rows() const { return rows_; }
  // The widest first, second and third parts, in pixels of the list's font.
  const std::array<int, 3>& Widths() const { return widths_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Fill();
  int Run();

  QListWidget* listBox_ = nullptr;
  QPushButton* btYes_ = nullptr;
  QPushButton* btCancel_ = nullptr;
  QPushButton* btAbort_ = nullptr;
  std::vector<std::string> lines_;
  std::vector<ChangesRow> rows_;
  std::array<int, 3> widths_{};
};

}  // namespace quillon
