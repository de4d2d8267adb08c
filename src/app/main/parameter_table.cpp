#include "app/main/parameter_table.h"

#include <QFontMetrics>
#include <QScrollBar>
#include <algorithm>
#include <any>

#include "app/main/table_header.h"
#include "app/support/current_prompt.h"
#include "app/widgets/coll_combo_box.h"
#include "app/widgets/coll_edit.h"
#include "app/widgets/table_panel01.h"
#include "device/cell_commit.h"
#include "device/comparison.h"
#include "variables/entry.h"
#include "variables/special/prm_list_type.h"

namespace quillon {

namespace {

// A cell's text padding on both sides, its separator line and some air.
constexpr int kCellSlack = 10;

constexpr std::array<int, 8> kKinds = {
    8, 1, 2, 7, kBaseHexKind, kBasePhysicalKind, kControllerHexKind, kControllerPhysicalKind};

int LeafIndexOfKind(int kind) {
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    if (kKinds[i] == kind) return static_cast<int>(i);
  }
  return -1;
}

TView* VariableOf(const TTableItem& cell) {
  const auto* variable = std::any_cast<TView*>(&cell.Payload);
  return variable != nullptr ? *variable : nullptr;
}

}  // namespace

ParameterTable::ParameterTable(TTablePanel01* panel, QScrollBar* scrollBar, DeviceParameters& parameters)
    : QObject(panel), panel_(panel), scrollBar_(scrollBar), parameters_(parameters) {
  BuildColumns();
  edit_ = new TCollEdit(panel_);
  comboBox_ = new TCollComboBox(panel_);
  edit_->OnCommit = [this](const std::string& text) {
    if (editedCell_ != nullptr) CommitText(*editedCell_, text);
  };
  comboBox_->OnCommit = edit_->OnCommit;

  panel_->OnClickItem = [this](TTableItem& cell) {
    ClickCell(cell);
    // A click leaves the keyboard with the scroll bar, so arrows and page keys scroll.
    if (!edit_->isVisible() && !comboBox_->isVisible()) scrollBar_->setFocus();
  };
  panel_->OnEndPaint = [this] { PlaceEditor(); };
  panel_->OnResizeItems = [this](TTableItem&) {
    // The engineer's own widths are kept from now on, whatever device is opened.
    chosen_ = Widths();
    sizedToContents_ = false;
    WidthsChanged();
  };
  panel_->OnResize = [this] {
    // The panel has scaled the columns to its new size, which keeps stored or dragged widths in
    // their proportions; columns sized to their contents are sized to them again instead.
    if (sizedToContents_) {
      FitToContents();
    } else {
      WidthsChanged();
    }
  };
  panel_->OnScroll = [this](int position) { scrollBar_->setValue(position); };
  connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
    HideEditor();
    panel_->SetPosition(value);
  });
}

ParameterTable::~ParameterTable() = default;

void ParameterTable::BuildColumns() {
  groups_[0] = &panel_->AddColumn("Параметр");
  leaves_[0] = &groups_[0]->AddColumn("PN");
  leaves_[1] = &groups_[0]->AddColumn("Имя");
  leaves_[2] = &groups_[0]->AddColumn("Назначение");
  leaves_[3] = &groups_[0]->AddColumn("Ед.Изм.");
  groups_[1] = &panel_->AddColumn("База");
  leaves_[4] = &groups_[1]->AddColumn("hex");
  leaves_[5] = &groups_[1]->AddColumn("Physical");
  groups_[2] = &panel_->AddColumn("Контроллер");
  leaves_[6] = &groups_[2]->AddColumn("hex");
  leaves_[7] = &groups_[2]->AddColumn("Physical");
  for (TTableItem* group : groups_) {
    group->Alignment = TextAlignment::Center;
    double sum = 0;
    for (const auto& child : group->Items()) sum += child->Width;
    group->Width = sum;
  }
  panel_->LayOutColumns();
}

void ParameterTable::WidthsChanged() {
  if (OnWidthsChanged) OnWidthsChanged();
}

void ParameterTable::ReadWidths(const std::string& settingsFile) {
  stored_ = ReadParameterColumnWidths(settingsFile);
  chosen_ = stored_;
  sizedToContents_ = !stored_.Complete();
  if (sizedToContents_) {
    needs_.clear();
    MeasureNeeds();
    FitToContents();
  } else {
    ApplyWidths(stored_);
    WidthsChanged();
  }
}

void ParameterTable::WriteWidths(const std::string& settingsFile) const {
  WriteParameterColumnWidths(settingsFile, chosen_);
}

ColumnNeed ParameterTable::NeedOf(const TTableItem& column) const {
  const QFontMetrics metrics = panel_->fontMetrics();
  const auto width = [&metrics](const std::string& text) {
    return static_cast<double>(metrics.horizontalAdvance(QString::fromStdString(text)) + kCellSlack);
  };
  ColumnNeed need;
  need.minimum = width(column.Caption());
  if (column.HasSubColumns()) {
    if (header_ != nullptr) {
      const auto group = std::find(groups_.begin(), groups_.end(), &column);
      if (group != groups_.end()) {
        need.minimum = std::max(need.minimum, header_->GroupMinimums()[group - groups_.begin()]);
      }
    }
    return need;
  }
  need.content = need.minimum;
  std::vector<const TTableItem*> measured = {&column};
  // Before a read the controller columns are empty; they will hold what the base shows.
  if (&column == leaves_[6]) measured.push_back(leaves_[4]);
  if (&column == leaves_[7]) measured.push_back(leaves_[5]);
  for (const TTableItem* source : measured) {
    for (const auto& cell : source->Items()) {
      cell->RefreshCaption();
      need.content = std::max(need.content, width(cell->Caption()));
    }
  }
  return need;
}

bool ParameterTable::MeasureNeeds() {
  bool grown = false;
  const auto measure = [this, &grown](const TTableItem& column) {
    const ColumnNeed need = NeedOf(column);
    ColumnNeed& kept = needs_[&column];
    if (need.content > kept.content || need.minimum > kept.minimum) grown = true;
    kept = {std::max(kept.content, need.content), std::max(kept.minimum, need.minimum)};
  };
  for (const TTableItem* group : groups_) {
    measure(*group);
    for (const auto& column : group->Items()) measure(*column);
  }
  return grown;
}

void ParameterTable::FitToContents() {
  panel_->SizeColumnsToContents([this](const TTableItem& column) {
    const auto need = needs_.find(&column);
    return need == needs_.end() ? ColumnNeed{} : need->second;
  });
  ApplyWidths(stored_);
  panel_->FitColumnsToWidth();
  // Widths measured on headers alone are no choice worth keeping: the next start measures a
  // device again.
  if (panel_->RowCount() > 0) chosen_ = Widths();
  WidthsChanged();
}

void ParameterTable::ApplyWidths(const ParameterColumnWidths& widths) {
  if (widths.parameterGroup > 0) panel_->SetColumnWidth(*groups_[0], widths.parameterGroup);
  if (widths.baseGroup > 0) panel_->SetColumnWidth(*groups_[1], widths.baseGroup);
  if (widths.number > 0) panel_->SetColumnWidth(*leaves_[0], widths.number);
  if (widths.name > 0) panel_->SetColumnWidth(*leaves_[1], widths.name);
  if (widths.baseHex > 0) panel_->SetColumnWidth(*leaves_[4], widths.baseHex);
  if (widths.controllerHex > 0) panel_->SetColumnWidth(*leaves_[6], widths.controllerHex);
  panel_->LayOutColumns();
}

ParameterColumnWidths ParameterTable::Widths() const {
  return {groups_[0]->Width, groups_[1]->Width, leaves_[0]->Width,
          leaves_[1]->Width, leaves_[4]->Width, leaves_[6]->Width};
}

void ParameterTable::Clear() {
  HideEditor();
  panel_->ClearInfoIntems();
  panel_->SetPosition(0);
  scrollBar_->setValue(0);
}

void ParameterTable::Rebuild() {
  Clear();
  for (auto& owned : parameters_.List().Variables) {
    TView* variable = owned.get();
    for (std::size_t i = 0; i < leaves_.size(); ++i) {
      const int kind = kKinds[i];
      TTableItem& cell =
          leaves_[i]->AddCell([this, variable, kind] { return ShownCellText(parameters_, *variable, kind); }, variable);
      cell.Kind = kind;
      cell.IsValueCell = kind >= kBaseHexKind && kind <= kControllerPhysicalKind;
      cell.Editable = cell.IsValueCell;
      cell.Alignment = cell.IsValueCell ? TextAlignment::Right : TextAlignment::Left;
    }
  }
  scrollBar_->setMaximum(parameters_.List().Count());
  scrollBar_->setValue(0);
  panel_->SetPosition(0);
  if (sizedToContents_) {
    needs_.clear();
    MeasureNeeds();
    FitToContents();
  }
  panel_->Repaint();
}

TTableItem* ParameterTable::CellOf(int row, int kind) const {
  const int leaf = LeafIndexOfKind(kind);
  return leaf < 0 ? nullptr : leaves_[static_cast<std::size_t>(leaf)]->Cell(row);
}

void ParameterTable::Compare() {
  const std::vector<std::optional<bool>> differs = CompareBaseAndController(parameters_);
  for (std::size_t row = 0; row < differs.size(); ++row) {
    if (!differs[row]) continue;
    const TextColor colour = *differs[row] ? TextColor::Red : TextColor::Black;
    for (int kind : {kBaseHexKind, kBasePhysicalKind, kControllerHexKind, kControllerPhysicalKind}) {
      if (TTableItem* cell = CellOf(static_cast<int>(row), kind)) cell->Color = colour;
    }
  }
  UpdateListScaleLines(parameters_.List());
  // A read may bring texts wider than the base values (a time counter shows hours and minutes).
  if (sizedToContents_ && MeasureNeeds()) FitToContents();
  panel_->Repaint();
}

void ParameterTable::Repaint() { panel_->Repaint(); }

void ParameterTable::HideEditor() {
  edit_->hide();
  comboBox_->hide();
  editedCell_ = nullptr;
}

void ParameterTable::ClickCell(TTableItem& cell) {
  HideEditor();
  TView* variable = VariableOf(cell);
  if (variable == nullptr || !cell.IsValueCell) return;
  if (!OpensEditor(*variable, cell.Kind, parameters_.IsRead(*variable))) return;
  QRect rect;
  if (!panel_->CellRect(cell, rect)) return;
  editedCell_ = &cell;
  const QRect geometry(rect.left(), rect.top(), rect.width(), rect.height() + 1);
  cell.RefreshCaption();
  if (auto* list = dynamic_cast<TPrmList*>(variable)) {
    comboBox_->Open(geometry, *list, cell.Caption());
  } else {
    edit_->Open(geometry, QString::fromStdString(cell.Caption()));
  }
}

void ParameterTable::CommitText(TTableItem& cell, const std::string& text) {
  TView* variable = VariableOf(cell);
  HideEditor();
  if (variable == nullptr) return;
  const CellCommit commit = CommitCell(*variable, cell.Kind, text);
  if (commit.refused) TellRefusedEntry(CurrentPrompt());
  if (commit.ratioWarning) CurrentPrompt().Warning("Предупреждение", *commit.ratioWarning);
  if (commit.baseChanged) {
    Compare();
    if (OnBaseEdited) OnBaseEdited();
  }
  if (commit.write && OnWriteValue) OnWriteValue(*variable, *commit.write);
  panel_->Repaint();
}

void ParameterTable::PlaceEditor() {
  if (editedCell_ == nullptr) return;
  QRect rect;
  if (!panel_->CellRect(*editedCell_, rect)) {
    HideEditor();
    return;
  }
  const QRect geometry(rect.left(), rect.top(), rect.width(), rect.height() + 1);
  if (edit_->isVisible()) edit_->setGeometry(geometry);
  if (comboBox_->isVisible()) comboBox_->setGeometry(geometry);
}

}  // namespace quillon
