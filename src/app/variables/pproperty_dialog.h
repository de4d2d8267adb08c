#pragma once
// TPProperty ("Свойства параметра"): one variable of the parameter table with its name,
// description and unit, its scale (a number or a scale-table name) and its dependency on
// another variable. "Применить" changes the variable and leaves the dialog open; the device
// file changes only when the main window saves.
#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

class TView;
class TViewList;

class TPProperty : public QDialog {
  Q_OBJECT

 public:
  explicit TPProperty(QWidget* parent = nullptr);

  // The variable shown; without one the dialog closes as soon as it is shown.
  TView* Variable = nullptr;
  // "Применить" has changed the variable (possibly only in part, when a field did not read).
  bool Applied() const { return applied_; }

  void FormShow();
  void cbScaleChange();
  void cbIndepChange();
  void btApplayClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildMain();
  QWidget* BuildDependency();
  QWidget* BuildSensor();

  bool applied_ = false;
  QLineEdit* edName_ = nullptr;
  QLineEdit* edComments_ = nullptr;
  QLabel* stMsUnit_ = nullptr;
  QComboBox* cbScale_ = nullptr;
  QLineEdit* edScale_ = nullptr;
  QComboBox* cbIndep_ = nullptr;
  QLineEdit* edIndep_ = nullptr;
  QLineEdit* edIC_ = nullptr;
  QLineEdit* edSensCorrect_ = nullptr;
  QPushButton* btApplay_ = nullptr;
};

// The dialog for row `row` of the list, shown modally; nothing happens for a row that does not
// exist. True when the variable was changed.
bool EditRowProperties(QWidget* parent, TViewList& list, int row);

}  // namespace quillon
