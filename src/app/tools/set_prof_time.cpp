#include "app/tools/set_prof_time.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/widgets/widget_helpers.h"

namespace quillon {

TfmSetProfTime::TfmSetProfTime(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmSetProfTime"));
  setWindowTitle(QStringLiteral("Время до профилактики двигателя"));
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Named(new QLabel(QStringLiteral("Уставка"), this), "Label1"));
  Edit1_ = Named(new QLineEdit(QStringLiteral("10000"), this), "Edit1");
  Edit1_->setFixedWidth(80);
  layout->addWidget(Edit1_);
  layout->addWidget(Named(new QLabel(QStringLiteral("Часов"), this), "Label2"));
  Button1_ = Named(new QPushButton(QStringLiteral("Применить"), this), "Button1");
  Button1_->setDefault(true);
  layout->addWidget(Button1_);
  connect(Button1_, &QPushButton::clicked, this, &QDialog::accept);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TfmSetProfTime::Hours() const { return Edit1_->text(); }

}  // namespace quillon
