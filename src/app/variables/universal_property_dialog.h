#pragma once
// TUniversalProperty ("Переменная"): a scope row's scale, height and the full scale of its
// trend, as a raw value and as a physical value kept in step while either is typed. Enter or
// "Применить" apply the fields and close; Esc closes without changing anything.
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace quillon {

class TView;
class TViewList;

class TUniversalProperty : public QDialog {
  Q_OBJECT

 public:
  explicit TUniversalProperty(QWidget* parent = nullptr);

  TView* Variable = nullptr;
  // How the change reaches the variable: at once without a gate, or once no worker samples it
  // (a polling scope window's gate, as the scale editor uses).
  std::function<void(std::function<void()> change)> Gate;
  // The dialog was left with Enter or "Применить" and the fields were applied.
  bool Accepted = false;

  void FormShow();
  void edMaxPhysicalKeyUp();
  void MaxEdKeyUp();

 protected:
  void showEvent(QShowEvent* event) override;
  // An accepted close applies the fields first; a field that does not read keeps the dialog
  // open so that it can be corrected.
  void done(int result) override;

 private:
  bool ApplyFields();

  QLineEdit* NameEd_ = nullptr;
  QPlainTextEdit* CommentMemo_ = nullptr;
  QLineEdit* edScale_ = nullptr;
  QLineEdit* HeightEd_ = nullptr;
  QLineEdit* MaxEd_ = nullptr;
  QLineEdit* edMaxPhysical_ = nullptr;
  QLabel* stMeasUnit_ = nullptr;
  QPushButton* btApplay_ = nullptr;
};

// The dialog for the list's selected row (the time mark is no variable to edit); true when it
// was accepted. Nothing happens when no row is selected.
bool EditSelectedRow(QWidget* parent, TViewList& list, std::function<void(std::function<void()> change)> gate = {});

}  // namespace quillon
