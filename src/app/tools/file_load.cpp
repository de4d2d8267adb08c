#include "app/tools/file_load.h"

#include <QFormLayout>
#include <QLabel>

#include "app/widgets/widget_helpers.h"

namespace quillon {

TfmFileLoad::TfmFileLoad(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("fmFileLoad"));
  setWindowTitle(QStringLiteral("Передача файла"));
  auto* layout = new QFormLayout(this);
  layout->setLabelAlignment(Qt::AlignRight);
  const auto add = [this, layout](const char* caption, const char* name) {
    auto* value = Named(new QLabel(this), name);
    value->setMinimumWidth(160);
    layout->addRow(QString::fromUtf8(caption), value);
    return value;
  };
  lbFileName_ = add("Фаил:", "lbFileName");
  lbBytesSend_ = add("Передано байт:", "lbBytesSend");
  lbBytesSec_ = add("Скорость:", "lbBytesSec");
  lbPakets_ = add("Принято блоков:", "lbPakets");
  lbTryCnt_ = add("Ошибки:", "lbTryCnt");
  Show(TrafficTexts{"0 ", "0 Байт/сек", "0", "0"});
}

void TfmFileLoad::SetFileName(const QString& name) { lbFileName_->setText(name); }

void TfmFileLoad::Show(const TrafficTexts& texts) {
  lbBytesSend_->setText(Text(texts.bytes));
  lbBytesSec_->setText(Text(texts.speed));
  lbPakets_->setText(Text(texts.blocks));
  lbTryCnt_->setText(Text(texts.errors));
}

}  // namespace quillon
