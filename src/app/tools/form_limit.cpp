#include "app/tools/form_limit.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "app/widgets/widget_helpers.h"

namespace quillon {

namespace {

// The edit shows the bar's position and a number typed into it within the bar's range moves the
// bar, so what the edit shows is always what the button takes.
QScrollBar* MakeScrollBar(QWidget* parent, const char* name, int minimum, int maximum, QLineEdit* edit) {
  auto* bar = Named(new QScrollBar(Qt::Horizontal, parent), name);
  bar->setRange(minimum, maximum);
  bar->setValue(minimum);
  edit->setText(QString::number(minimum));
  QObject::connect(bar, &QScrollBar::valueChanged, edit, [edit](int value) { edit->setText(QString::number(value)); });
  QObject::connect(edit, &QLineEdit::textEdited, bar, [bar](const QString& text) {
    bool number = false;
    const int value = text.trimmed().toInt(&number);
    if (number && value >= bar->minimum() && value <= bar->maximum()) {
      const QSignalBlocker quiet(bar);
      bar->setValue(value);
    }
  });
  // A number out of range or no number at all gives way to the bar's position when editing ends.
  QObject::connect(edit, &QLineEdit::editingFinished, bar,
                   [bar, edit] { edit->setText(QString::number(bar->value())); });
  return bar;
}

}  // namespace

TFormLimit::TFormLimit(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormLimit"));
  setWindowTitle(QStringLiteral("Quillon"));
  auto* layout = new QGridLayout(this);
  EditFirst_ = Named(new QLineEdit(this), "EditFirst");
  ScrollBarFirst_ = MakeScrollBar(this, "ScrollBarFirst", 30, 60, EditFirst_);
  EditLast_ = Named(new QLineEdit(this), "EditLast");
  ScrollBarLast_ = MakeScrollBar(this, "ScrollBarLast", 30, 120, EditLast_);
  layout->addWidget(new QLabel(QStringLiteral("Временной интервал перед событием:"), this), 0, 0, 1, 3);
  layout->addWidget(EditFirst_, 1, 0);
  layout->addWidget(ScrollBarFirst_, 1, 1);
  layout->addWidget(new QLabel(QStringLiteral("сек"), this), 1, 2);
  layout->addWidget(new QLabel(QStringLiteral("Временной интервал после события:"), this), 2, 0, 1, 3);
  layout->addWidget(EditLast_, 3, 0);
  layout->addWidget(ScrollBarLast_, 3, 1);
  layout->addWidget(new QLabel(QStringLiteral("сек"), this), 3, 2);
  ButtonShowOSC_ = Named(new QPushButton(QStringLiteral("Просмотреть осциллограмму"), this), "ButtonShowOSC");
  layout->addWidget(ButtonShowOSC_, 4, 0, 1, 3);
  layout->setColumnStretch(1, 1);
  connect(ButtonShowOSC_, &QPushButton::clicked, this, &TFormLimit::ButtonShowOSCClick);
  resize(320, 170);
}

void TFormLimit::ButtonShowOSCClick() {
  // An edit still being typed in counts as it stands.
  EditFirst_->editingFinished();
  EditLast_->editingFinished();
  before_ = ScrollBarFirst_->value();
  after_ = ScrollBarLast_->value();
  accept();
}

}  // namespace quillon
