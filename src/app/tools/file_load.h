#pragma once
// TfmFileLoad ("Передача файла"): the progress of a card transfer. Closing it only hides it;
// the transfer goes on.
#include <QWidget>

#include "card/traffic_meter.h"

class QLabel;

namespace quillon {

class TfmFileLoad : public QWidget {
  Q_OBJECT

 public:
  explicit TfmFileLoad(QWidget* parent = nullptr);

  void SetFileName(const QString& name);
  void Show(const TrafficTexts& texts);

 private:
  QLabel* lbFileName_ = nullptr;
  QLabel* lbBytesSend_ = nullptr;
  QLabel* lbBytesSec_ = nullptr;
  QLabel* lbPakets_ = nullptr;
  QLabel* lbTryCnt_ = nullptr;
};

}  // namespace quillon
