#pragma once
// The service window of the address field: the service code typed into the field and confirmed
// with Enter shows a borderless note for three seconds. The field gets back the address it held
// before the code was typed, so the code never reaches a request.
#include <QObject>
#include <QString>
#include <QWidget>

class QLineEdit;

namespace quillon {

class TServiceWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kShowMs = 3000;
  // Centred over `owner`; frees itself when it closes.
  explicit TServiceWindow(QWidget* owner);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class ServiceCodeWatcher : public QObject {
  Q_OBJECT

 public:
  // Watches `field` for as long as it lives.
  explicit ServiceCodeWatcher(QLineEdit* field);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddressEntered();

  QLineEdit* field_;
  QString textBeforeEdit_;
};

}  // namespace quillon
