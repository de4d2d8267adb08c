#pragma once
// TScaleEditor ("ScaleEditor"): the scale table of one variable list as rows of name and
// value. A simple line is edited as a number in place, a choice line by choosing one of its
// options; "Применить" puts the rows back into the table and rescales the variables,
// "Сохранить на диск" also writes the table into the device file, "Отмена" leaves the table as
// it was.
#include <QDialog>
#include <functional>
#include <utility>
#include <vector>

#include "variables/scale_rows.h"

class QComboBox;
class QPushButton;
class QScrollBar;

namespace quillon {

class TCollEdit;
class TTableItem;
class TTablePanel01;
class TViewList;

// Runs the change of a list's scales when the list may change: at once, or later, once no
// worker reads the list any more (a polling scope window traces from its scales).
using ScaleChangeGate = std::function<void(std::function<void()> change)>;

class TScaleEditor : public QDialog {
  Q_OBJECT

 public:
  explicit TScaleEditor(QWidget* parent = nullptr);

  // Builds the rows of the list's scale table and shows the editor modally. Returns
  // QDialog::Accepted when the rows were applied (with or without saving).
  int Edit(TViewList& list);
  // Where "Применить" and "Сохранить на диск" send their change; unset, it is made at once.
  void SetChangeGate(ScaleChangeGate gate) { gate_ = std::move(gate); }
  // The rows of the list's scale table, the table emptied first; Edit does this before it
  // shows the window.
  void SetList(TViewList& list);

  const std::vector<TScale>& Rows() const { return rows_; }
  TTablePanel01* Table() const { return tpScales_; }
  TCollEdit* NumberEditor() const { return edit_; }
  QComboBox* ChoiceEditor() const { return choice_; }
  // The value cell of a row (nullptr when there is no such row).
  TTableItem* ValueCell(int row) const;

  void tpScalesClickItem(TTableItem& cell);
  void btApplyClick();
  void btSaveClick();

 private:
  void HideEditors();
  // Keeps an open editor over its cell while the table scrolls.
  void PlaceEditor();
  void NumberTyped();
  void OptionChosen(int item);

  // Puts the rows into the list and rescales; with `save` also into the device file. False
  // when the save failed (the user was told).
  static bool ChangeScales(TViewList& list, const std::vector<TScale>& rows, bool save);
  void Commit(bool save);

  TViewList* list_ = nullptr;
  ScaleChangeGate gate_;
  std::vector<TScale> rows_;
  int editedRow_ = -1;
  // The open editor was hidden because its row scrolled out of sight.
  bool parked_ = false;

  TTablePanel01* tpScales_ = nullptr;
  TTableItem* nameColumn_ = nullptr;
  TTableItem* valueColumn_ = nullptr;
  QScrollBar* ScrollBar1_ = nullptr;
  TCollEdit* edit_ = nullptr;
  QComboBox* choice_ = nullptr;
  QPushButton* btApply_ = nullptr;
  QPushButton* btCancel_ = nullptr;
  QPushButton* btSave_ = nullptr;
};

// Opens the scale editor on a list; true when the scale table was applied (or, through a gate,
// handed over to be applied).
bool EditScales(QWidget* parent, TViewList& list, ScaleChangeGate gate = {});

}  // namespace quillon
