#include "app/tools/form_change_counter.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/widgets/widget_helpers.h"
#include "text/items.h"
#include "text/numbers.h"

namespace quillon {

TFormChangeCounter::TFormChangeCounter(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormChangeCounter"));
  setWindowTitle(QStringLiteral("Изменение значения счетчика"));
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Название счетчика:"), this), 0, 0);
  LabelName_ = Named(new QLabel(this), "LabelName");
  layout->addWidget(LabelName_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("Значение:"), this), 1, 0);
  EditCount_ = Named(new QLineEdit(this), "EditCount");
  layout->addWidget(EditCount_, 1, 1);
  ButtonCancelChange_ = Named(new QPushButton(QStringLiteral("Отмена"), this), "ButtonCancelChange");
  ButtonNewCount_ = Named(new QPushButton(QStringLiteral("Изменить"), this), "ButtonNewCount");
  layout->addWidget(ButtonCancelChange_, 2, 0);
  layout->addWidget(ButtonNewCount_, 2, 1);
  connect(ButtonCancelChange_, &QPushButton::clicked, this, &QDialog::reject);
  connect(ButtonNewCount_, &QPushButton::clicked, this, [this] {
    if (Value()) accept();
  });
}

void TFormChangeCounter::SetCounter(const QString& name, std::uint32_t value) {
  LabelName_->setText(name);
  EditCount_->setText(QString::number(value));
}

std::optional<std::uint32_t> TFormChangeCounter::Value() const {
  const auto value = TryReadInteger(Trimmed(EditCount_->text().toStdString()));
  if (!value || *value < 0 || *value > 0xFFFFFFFF) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

}  // namespace quillon
