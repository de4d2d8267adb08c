#include "app/variables/universal_property_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/support/current_prompt.h"
#include "app/widgets/widget_helpers.h"
#include "variables/property_values.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

constexpr int kNumberWidth = 100;

QLineEdit* NumberEdit(QWidget* parent, const char* name) {
  auto* edit = Named(new QLineEdit(parent), name);
  edit->setMinimumWidth(kNumberWidth);
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

}  // namespace

TUniversalProperty::TUniversalProperty(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("UniversalProperty"));
  setWindowTitle(QStringLiteral("Переменная"));
  setModal(true);

  NameEd_ = Named(new QLineEdit(this), "NameEd");
  NameEd_->setReadOnly(true);
  auto* comment = new QGroupBox(QStringLiteral("Описание"), this);
  CommentMemo_ = Named(new QPlainTextEdit(comment), "CommentMemo");
  CommentMemo_->setReadOnly(true);
  CommentMemo_->setFixedHeight(CommentMemo_->fontMetrics().lineSpacing() * 3 + 10);
  auto* commentLayout = new QVBoxLayout(comment);
  commentLayout->addWidget(CommentMemo_);

  edScale_ = NumberEdit(this, "edScale");
  HeightEd_ = NumberEdit(this, "HeightEd");
  MaxEd_ = NumberEdit(this, "MaxEd");
  edMaxPhysical_ = NumberEdit(this, "edMaxPhysical");
  stMeasUnit_ = Named(new QLabel(this), "stMeasUnit");
  btApplay_ = Named(new QPushButton(QStringLiteral("Применить"), this), "btApplay");
  btApplay_->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Обозначение"), this), 0, 0);
  grid->addWidget(NameEd_, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Шкала"), this), 1, 0);
  grid->addWidget(edScale_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("Высота"), this), 2, 0);
  grid->addWidget(HeightEd_, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Максимум"), this), 3, 0);
  grid->addWidget(MaxEd_, 3, 1);
  grid->addWidget(edMaxPhysical_, 3, 2);
  grid->addWidget(stMeasUnit_, 3, 3);
  grid->setColumnStretch(3, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btApplay_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(comment);
  layout->addLayout(buttons);
  setMinimumWidth(400);

  connect(edMaxPhysical_, &QLineEdit::textEdited, this, &TUniversalProperty::edMaxPhysicalKeyUp);
  connect(MaxEd_, &QLineEdit::textEdited, this, &TUniversalProperty::MaxEdKeyUp);
  connect(btApplay_, &QPushButton::clicked, this, &QDialog::accept);
}

void TUniversalProperty::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TUniversalProperty::FormShow() {
  Accepted = false;
  if (Variable == nullptr) return;
  const UniversalPropertyView view = ShowUniversalProperty(*Variable);
  NameEd_->setText(Text(view.name));
  edScale_->setText(Text(view.scaleText));
  CommentMemo_->setPlainText(Text(view.comment));
  MaxEd_->setText(Text(view.maxText));
  stMeasUnit_->setText(Text(view.unitText));
  edMaxPhysical_->setText(Text(view.physicalText));
  HeightEd_->setText(Text(view.heightText));
  // A bit row keeps its height and scale whatever is typed: nothing to offer.
  const bool editable = Variable->Kind() != ViewKind::Bit;
  for (QLineEdit* edit : {edScale_, HeightEd_, MaxEd_, edMaxPhysical_}) edit->setEnabled(editable);
  // The unit is known only now; the window grows so that it is never cut.
  adjustSize();
}

void TUniversalProperty::edMaxPhysicalKeyUp() {
  if (Variable == nullptr) return;
  if (const auto max = MaxTextOfPhysical(*Variable, edMaxPhysical_->text().toStdString())) MaxEd_->setText(Text(*max));
}

void TUniversalProperty::MaxEdKeyUp() {
  if (Variable == nullptr) return;
  if (const auto physical = PhysicalOfMaxText(*Variable, MaxEd_->text().toStdString())) {
    edMaxPhysical_->setText(Text(*physical));
  }
}

bool TUniversalProperty::ApplyFields() {
  if (Variable == nullptr) return true;
  const UniversalPropertyChange change = ReadUniversalProperty(
      *Variable, {edScale_->text().toStdString(), HeightEd_->text().toStdString(), MaxEd_->text().toStdString()});
  // What read goes to the variable even when a later field did not, as it always has.
  auto apply = [variable = Variable, change] { ApplyUniversalPropertyChange(*variable, change); };
  if (Gate) {
    Gate(std::move(apply));
  } else {
    apply();
  }
  if (!change.failure) return true;
  try {
    std::rethrow_exception(change.failure);
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Предупреждение", error.what());
  }
  return false;
}

void TUniversalProperty::done(int result) {
  Accepted = result == QDialog::DialogCode::Accepted;
  if (Accepted && !ApplyFields()) {
    Accepted = false;
    return;
  }
  QDialog::done(result);
}

bool EditSelectedRow(QWidget* parent, TViewList& list, std::function<void(std::function<void()> change)> gate) {
  for (auto& variable : list.Variables) {
    if (!variable->Selected || variable->IsTimeMark()) continue;
    TUniversalProperty dialog(parent);
    dialog.Variable = variable.get();
    dialog.Gate = std::move(gate);
    dialog.exec();
    return dialog.Accepted;
  }
  return false;
}

}  // namespace quillon
