#include "app/variables/pproperty_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "app/support/current_prompt.h"
#include "app/widgets/widget_helpers.h"
#include "text/numbers.h"
#include "variables/property_values.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

constexpr int kNumberWidth = 90;

QLabel* Caption(const char* text, QWidget* parent, QWidget* buddy) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setBuddy(buddy);
  return label;
}

std::string ChosenItem(const QComboBox* box) {
  return box->currentIndex() > 0 ? box->currentText().toStdString() : std::string();
}

}  // namespace

TPProperty::TPProperty(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("PProperty"));
  setWindowTitle(QStringLiteral("Свойства параметра"));
  setModal(true);

  btApplay_ = Named(new QPushButton(QStringLiteral("Применить"), this), "btApplay");
  btApplay_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btApplay_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildMain());
  layout->addWidget(BuildDependency());
  layout->addWidget(BuildSensor());
  layout->addStretch(1);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  connect(cbScale_, &QComboBox::activated, this, &TPProperty::cbScaleChange);
  connect(cbIndep_, &QComboBox::activated, this, &TPProperty::cbIndepChange);
  connect(btApplay_, &QPushButton::clicked, this, &TPProperty::btApplayClick);
}

QWidget* TPProperty::BuildMain() {
  auto* group = new QGroupBox(QStringLiteral("Основные"), this);
  edName_ = Named(new QLineEdit(group), "edName");
  edName_->setReadOnly(true);
  edComments_ = Named(new QLineEdit(group), "edComments");
  edComments_->setReadOnly(true);
  stMsUnit_ = Named(new QLabel(group), "stMsUnit");
  cbScale_ = Named(new QComboBox(group), "cbScale");
  cbScale_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  edScale_ = Named(new QLineEdit(group), "edScale");
  edScale_->setMinimumWidth(kNumberWidth);

  auto* grid = new QGridLayout(group);
  grid->addWidget(Caption("Имя:", group, edName_), 0, 0);
  grid->addWidget(edName_, 0, 1, 1, 2);
  grid->addWidget(Caption("Описание:", group, edComments_), 1, 0);
  grid->addWidget(edComments_, 1, 1, 1, 2);
  grid->addWidget(Caption("Ед.Изм.", group, stMsUnit_), 2, 0);
  grid->addWidget(stMsUnit_, 2, 1, 1, 2);
  grid->addWidget(Caption("Шкала:", group, cbScale_), 3, 0);
  grid->addWidget(cbScale_, 3, 1);
  grid->addWidget(edScale_, 3, 2);
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* TPProperty::BuildDependency() {
  auto* group = new QGroupBox(QStringLiteral("Зависимость"), this);
  cbIndep_ = Named(new QComboBox(group), "cbIndep");
  cbIndep_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  edIndep_ = Named(new QLineEdit(group), "edIndep");
  edIndep_->setReadOnly(true);
  edIC_ = Named(new QLineEdit(group), "edIC");
  edIC_->setMaximumWidth(kNumberWidth);

  auto* grid = new QGridLayout(group);
  grid->addWidget(Caption("Зависит от:", group, cbIndep_), 0, 0);
  grid->addWidget(cbIndep_, 0, 1);
  grid->addWidget(edIndep_, 0, 2);
  grid->addWidget(Caption("Коэффициент:", group, edIC_), 1, 0);
  grid->addWidget(edIC_, 1, 1);
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* TPProperty::BuildSensor() {
  auto* group = new QGroupBox(QStringLiteral("Коррекция сигнала датчика"), this);
  edSensCorrect_ = Named(new QLineEdit(group), "edSensCorrect");
  // Shown only: nothing here changes the correction.
  edSensCorrect_->setReadOnly(true);
  edSensCorrect_->setMaximumWidth(kNumberWidth);
  auto* row = new QHBoxLayout(group);
  row->addWidget(Caption("Y/X", group, edSensCorrect_));
  row->addWidget(edSensCorrect_);
  row->addStretch(1);
  return group;
}

void TPProperty::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // A window restored by the window system shows what the engineer left in it.
  if (!event->spontaneous()) FormShow();
}

void TPProperty::FormShow() {
  applied_ = false;
  if (Variable == nullptr) {
    // Closing inside the show would leave a modal loop with nothing to end it.
    QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    return;
  }
  const ParameterPropertyView view = ShowParameterProperty(*Variable);
  edName_->setText(Text(view.name));
  edComments_->setText(Text(view.description));
  edComments_->setCursorPosition(0);
  stMsUnit_->setText(Text(view.units));
  cbScale_->clear();
  for (const std::string& item : view.scaleItems) cbScale_->addItem(Text(item));
  cbScale_->setCurrentIndex(view.scaleIndex);
  edScale_->setText(Text(view.scaleText));
  cbIndep_->clear();
  for (const std::string& item : view.referenceItems) cbIndep_->addItem(Text(item));
  cbIndep_->setCurrentIndex(view.referenceIndex);
  cbIndep_->setEnabled(view.referenceEnabled);
  edIndep_->clear();
  edIC_->setText(Text(view.ratioText));
  cbIndepChange();
  edSensCorrect_->setText(Text(view.sensorCorrectionText));
}

void TPProperty::cbScaleChange() {
  if (Variable == nullptr) return;
  edScale_->setText(Text(ScaleOfName(*Variable, ChosenItem(cbScale_))));
}

void TPProperty::cbIndepChange() {
  if (Variable == nullptr) return;
  const ReferenceState state = ReferenceChange(*Variable, ChosenItem(cbIndep_));
  cbScale_->setEnabled(state.scaleEnabled);
  edScale_->setEnabled(state.scaleEnabled);
  edIC_->setEnabled(state.ratioEnabled && cbIndep_->isEnabled());
  edIC_->setText(Text(state.ratioText));
  edIndep_->setText(Text(state.referenceText));
  edIndep_->setCursorPosition(0);
}

void TPProperty::btApplayClick() {
  if (Variable == nullptr) return;
  applied_ = true;
  try {
    ApplyParameterProperty(*Variable, {edScale_->text().toStdString(), ChosenItem(cbScale_), ChosenItem(cbIndep_),
                                       edIC_->text().toStdString()});
  } catch (const ConversionError& error) {
    CurrentPrompt().Warning("Предупреждение", error.what());
  }
}

bool EditRowProperties(QWidget* parent, TViewList& list, int row) {
  if (row < 0 || row >= list.Count()) return false;
  TPProperty dialog(parent);
  dialog.Variable = &list.Item(row);
  dialog.exec();
  return dialog.Applied();
}

}  // namespace quillon
