#include "app/variables/scale_editor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <any>
#include <stdexcept>
#include <string>

#include "app/support/current_prompt.h"
#include "app/widgets/coll_edit.h"
#include "app/widgets/table_panel01.h"
#include "app/widgets/widget_helpers.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

constexpr int kNameWidth = 150;
constexpr int kValueWidth = 250;

QRect EditorGeometry(const QRect& cell) { return {cell.left(), cell.top(), cell.width(), cell.height() + 1}; }

}  // namespace

TScaleEditor::TScaleEditor(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ScaleEditor"));
  setWindowTitle(QStringLiteral("ScaleEditor"));
  setModal(true);

  tpScales_ = Named(new TTablePanel01(this), "tpScales");
  nameColumn_ = &tpScales_->AddColumn("Имя", kNameWidth);
  valueColumn_ = &tpScales_->AddColumn("Значение", kValueWidth);
  tpScales_->LayOutColumns();
  tpScales_->setMinimumSize(kNameWidth + kValueWidth, 200);
  ScrollBar1_ = Named(new QScrollBar(Qt::Vertical, this), "ScrollBar1");
  ScrollBar1_->setRange(0, 0);

  edit_ = new TCollEdit(tpScales_);
  choice_ = Named(new QComboBox(tpScales_), "ChoiceEditor");
  choice_->setFrame(false);
  StyleInPlaceChoice(choice_);
  choice_->hide();

  btApply_ = Named(new QPushButton(QStringLiteral("Применить"), this), "btApply");
  btCancel_ = Named(new QPushButton(QStringLiteral("Отмена"), this), "btCancel");
  btSave_ = Named(new QPushButton(QStringLiteral("Сохранить на диск"), this), "btSave");
  // Enter belongs to the value being typed; it must never close the editor by the way.
  for (QPushButton* button : {btApply_, btCancel_, btSave_}) button->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btApply_);
  buttons->addWidget(btSave_);
  buttons->addWidget(btCancel_);
  auto* layout = new QGridLayout(this);
  layout->setSpacing(0);
  layout->addWidget(tpScales_, 0, 0);
  layout->addWidget(ScrollBar1_, 0, 1);
  layout->addLayout(buttons, 1, 0, 1, 2);
  layout->setRowStretch(0, 1);
  layout->setColumnStretch(0, 1);
  buttons->setContentsMargins(0, 8, 0, 0);
  buttons->setSpacing(6);

  tpScales_->OnClickItem = [this](TTableItem& cell) { tpScalesClickItem(cell); };
  tpScales_->OnEndPaint = [this] { PlaceEditor(); };
  tpScales_->OnScroll = [this](int position) { ScrollBar1_->setValue(position); };
  connect(ScrollBar1_, &QScrollBar::valueChanged, this, [this](int value) { tpScales_->SetPosition(value); });
  connect(edit_, &QTextEdit::textChanged, this, &TScaleEditor::NumberTyped);
  edit_->OnCommit = [this](const std::string&) { tpScales_->Repaint(); };
  connect(choice_, &QComboBox::activated, this, &TScaleEditor::OptionChosen);
  connect(btApply_, &QPushButton::clicked, this, &TScaleEditor::btApplyClick);
  connect(btSave_, &QPushButton::clicked, this, &TScaleEditor::btSaveClick);
  connect(btCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

int TScaleEditor::Edit(TViewList& list) {
  SetList(list);
  return exec();
}

void TScaleEditor::SetList(TViewList& list) {
  HideEditors();
  tpScales_->ClearInfoIntems();
  list_ = &list;
  rows_ = BuildScaleRows(list.Scales);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    nameColumn_->AddCell([this, i] { return rows_[i].ScaleName; }, static_cast<int>(i));
    TTableItem& value = valueColumn_->AddCell([this, i] { return rows_[i].CellText(); }, static_cast<int>(i));
    value.IsValueCell = true;
    value.Editable = true;
  }
  tpScales_->SetPosition(0);
  ScrollBar1_->setRange(0, static_cast<int>(rows_.size()));
  ScrollBar1_->setValue(0);
  tpScales_->Repaint();
}

TTableItem* TScaleEditor::ValueCell(int row) const { return valueColumn_->Cell(row); }

void TScaleEditor::tpScalesClickItem(TTableItem& cell) {
  HideEditors();
  const auto* row = std::any_cast<int>(&cell.Payload);
  if (!cell.IsValueCell || row == nullptr || *row < 0 || static_cast<std::size_t>(*row) >= rows_.size()) return;
  QRect rect;
  if (!tpScales_->CellRect(cell, rect)) return;
  editedRow_ = *row;
  const TScale& scale = rows_[static_cast<std::size_t>(*row)];
  if (scale.EditKind == ScaleEditKind::Edit) {
    edit_->Open(EditorGeometry(rect), Text(scale.CellText()));
    return;
  }
  choice_->blockSignals(true);
  choice_->clear();
  // Listed in the order the line keeps them.
  for (std::size_t option = scale.Keys.size(); option-- > 0;) {
    choice_->addItem(Text(ChoiceItemText(scale, option)), static_cast<int>(option));
  }
  choice_->setCurrentIndex(choice_->findData(scale.SelectedOption()));
  WidenChoicePopup(choice_);
  choice_->blockSignals(false);
  choice_->setGeometry(EditorGeometry(rect));
  choice_->show();
  choice_->raise();
  choice_->setFocus();
}

void TScaleEditor::NumberTyped() {
  if (editedRow_ < 0 || rows_[static_cast<std::size_t>(editedRow_)].EditKind != ScaleEditKind::Edit) return;
  TScale& row = rows_[static_cast<std::size_t>(editedRow_)];
  row.SetNumber(edit_->toPlainText().toStdString());
  if (TTableItem* cell = ValueCell(editedRow_)) cell->RefreshCaption();
  tpScales_->Repaint();
}

void TScaleEditor::OptionChosen(int item) {
  if (editedRow_ < 0 || item < 0) return;
  const int option = choice_->itemData(item).toInt();
  rows_[static_cast<std::size_t>(editedRow_)].ChooseOption(static_cast<std::size_t>(option));
  HideEditors();
  tpScales_->Repaint();
}

void TScaleEditor::HideEditors() {
  edit_->hide();
  choice_->hide();
  editedRow_ = -1;
  parked_ = false;
}

void TScaleEditor::PlaceEditor() {
  if (editedRow_ < 0) return;
  QWidget* editor = rows_[static_cast<std::size_t>(editedRow_)].EditKind == ScaleEditKind::Edit
                        ? static_cast<QWidget*>(edit_)
                        : static_cast<QWidget*>(choice_);
  QRect rect;
  TTableItem* cell = ValueCell(editedRow_);
  if (cell == nullptr || !tpScales_->CellRect(*cell, rect)) {
    if (editor->isVisible()) {
      editor->hide();
      parked_ = true;
    }
    return;
  }
  if (!editor->isVisible() && !parked_) return;  // closed by the user (Esc, Enter)
  editor->setGeometry(EditorGeometry(rect));
  editor->show();
  parked_ = false;
}

bool TScaleEditor::ChangeScales(TViewList& list, const std::vector<TScale>& rows, bool save) {
  ApplyScaleRows(rows, list.Scales);
  list.Rescale();
  if (!save) return true;
  try {
    list.SaveScales();
  } catch (const std::runtime_error& error) {
    CurrentPrompt().Warning("Quillon", std::string("Не удалось сохранить шкалы:\r\n") + error.what());
    return false;
  }
  return true;
}

void TScaleEditor::Commit(bool save) {
  if (list_ == nullptr) return;
  if (!gate_) {
    // A failed save keeps the editor open, so that nothing typed is lost.
    if (ChangeScales(*list_, rows_, save)) accept();
    return;
  }
  gate_([list = list_, rows = rows_, save] { ChangeScales(*list, rows, save); });
  accept();
}

void TScaleEditor::btApplyClick() { Commit(false); }

void TScaleEditor::btSaveClick() { Commit(true); }

bool EditScales(QWidget* parent, TViewList& list, ScaleChangeGate gate) {
  TScaleEditor editor(parent);
  editor.SetChangeGate(std::move(gate));
  return editor.Edit(list) == QDialog::Accepted;
}

}  // namespace quillon
