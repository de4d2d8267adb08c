#pragma once
// TfmSetProfTime ("Время до профилактики двигателя"): asks for the hours left to the motor's
// next maintenance.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quillon {

class TfmSetProfTime : public QDialog {
  Q_OBJECT

 public:
  explicit TfmSetProfTime(QWidget* parent = nullptr);

  // The text entered, as typed.
  QString Hours() const;

 private:
  QLineEdit* Edit1_ = nullptr;
  QPushButton* Button1_ = nullptr;
};

}  // namespace quillon
