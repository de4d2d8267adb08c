#pragma once
// TFormChangeCounter ("Изменение значения счетчика"): the new value of the chosen counter.
#include <QDialog>
#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

class TFormChangeCounter : public QDialog {
  Q_OBJECT

 public:
  explicit TFormChangeCounter(QWidget* parent = nullptr);

  void SetCounter(const QString& name, std::uint32_t value);
  // The value in EditCount as the system reads integers; nothing when it is none or does not
  // fit 32 bits.
  std::optional<std::uint32_t> Value() const;

 private:
  QLabel* LabelName_ = nullptr;
  QLineEdit* EditCount_ = nullptr;
  QPushButton* ButtonCancelChange_ = nullptr;
  QPushButton* ButtonNewCount_ = nullptr;
};

}  // namespace quillon
