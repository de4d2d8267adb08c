#include "app/scope/rec_selector.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "app/widgets/table_panel01.h"
#include "app/widgets/widget_helpers.h"
#include "platform/files.h"

namespace quillon {

namespace {

constexpr std::array<const char*, 5> kCaptions = {"Дата/Время", "Механизм", "Место установки", "Устройство",
                                                  "Серийный номер"};
// A cell's text padding on both sides, its separator line and some air.
constexpr int kCellSlack = 10;
constexpr int kInitialWidth = 760;
constexpr int kInitialHeight = 420;

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

}  // namespace

TRecSelector::TRecSelector(const WorkspacePaths& paths, QWidget* parent)
    : QDialog(parent), directory_(WithoutTrailingSeparator(paths.records)) {
  setObjectName(QStringLiteral("RecSelector"));
  setWindowTitle(QStringLiteral("Открыть осциллограмму ..."));
  resize(kInitialWidth, kInitialHeight);

  edPath_ = Named(new QLineEdit(Text(PathForDisplay(directory_)), this), "edPath");
  // The listing follows the chosen directory's own bytes; a typed text could not keep them.
  edPath_->setReadOnly(true);
  btPath_ = Named(new QPushButton(QStringLiteral("Путь..."), this), "btPath");
  auto* top = new QHBoxLayout;
  top->addWidget(edPath_, 1);
  top->addWidget(btPath_);

  table_ = Named(new TTablePanel01(this), "Table");
  scrollBar_ = Named(new QScrollBar(Qt::Vertical, this), "ScrollBar");
  auto* middle = new QHBoxLayout;
  middle->setSpacing(0);
  middle->addWidget(table_, 1);
  middle->addWidget(scrollBar_);

  lbFile_ = Named(new QLabel(this), "lbFile");
  lbFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  btOpen_ = Named(new QPushButton(QStringLiteral("Открыть"), this), "btOpen");
  btOpen_->setDefault(true);
  btCancel_ = Named(new QPushButton(QStringLiteral("Отмена"), this), "btCancel");
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lbFile_, 1);
  bottom->addWidget(btOpen_);
  bottom->addWidget(btCancel_);

  auto* column = new QVBoxLayout(this);
  column->addLayout(top);
  column->addLayout(middle, 1);
  column->addLayout(bottom);

  for (const char* caption : kCaptions) columns_.push_back(&table_->AddColumn(caption));
  table_->LayOutColumns();

  table_->OnClickItem = [this](TTableItem& cell) { TableClickItem(cell); };
  table_->OnClickHeader = [this](TTableItem& header) { TableClickHeader(header); };
  table_->OnDblClick = [this] { TableDblClick(); };
  table_->OnResizeItems = [this](TTableItem&) { widthsChosen_ = true; };
  table_->OnResize = [this] {
    if (!widthsChosen_) SizeColumns();
    UpdateScrollRange();
  };
  table_->OnScroll = [this](int position) {
    scrollBar_->setValue(position);
    // The wheel may go past the last full page, which the scroll bar does not reach.
    table_->SetPosition(scrollBar_->value());
  };
  connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) { table_->SetPosition(value); });
  connect(btPath_, &QPushButton::clicked, this, &TRecSelector::btPathClick);
  connect(btOpen_, &QPushButton::clicked, this, &TRecSelector::btOpenClick);
  connect(btCancel_, &QPushButton::clicked, this, &QDialog::reject);
  btOpen_->setEnabled(false);
}

std::string TRecSelector::SelectRecord() {
  FillTable();
  return exec() == QDialog::Accepted ? selectedFile_ : std::string();
}

void TRecSelector::FillTable() {
  table_->ClearInfoIntems();
  selectedFile_.clear();
  lbFile_->clear();
  table_->SelectRow(-1);
  btOpen_->setEnabled(false);

  rows_ = ListRecords(directory_);
  SortRecords(rows_, sortColumn_);
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      columns_[i]->AddCell({}, row).SetCaption(RecordCellText(rows_[row], static_cast<RecordColumn>(i)));
    }
  }
  table_->SetPosition(0);
  scrollBar_->setValue(0);
  UpdateScrollRange();
  if (!isVisible()) WidenForContents();
  if (!widthsChosen_) SizeColumns();
  table_->Repaint();
}

ColumnNeed TRecSelector::NeedOf(const TTableItem& column) const {
  const QFontMetrics metrics = table_->fontMetrics();
  const auto width = [&metrics](const std::string& text) {
    return static_cast<double>(metrics.horizontalAdvance(QString::fromStdString(text)) + kCellSlack);
  };
  ColumnNeed need;
  need.minimum = width(column.Caption());
  need.content = need.minimum;
  for (const auto& cell : column.Items()) need.content = std::max(need.content, width(cell->Caption()));
  return need;
}

void TRecSelector::WidenForContents() {
  double needed = 0;
  for (const TTableItem* column : columns_) needed += NeedOf(*column).content;
  const QMargins margins = layout()->contentsMargins();
  int wanted = static_cast<int>(needed) + scrollBar_->sizeHint().width() + margins.left() + margins.right();
  if (const QScreen* shown = screen()) wanted = std::min(wanted, shown->availableGeometry().width());
  if (wanted > width()) resize(wanted, height());
}

void TRecSelector::SizeColumns() {
  table_->SizeColumnsToContents([this](const TTableItem& column) { return NeedOf(column); });
  table_->FitColumnsToWidth();
}

void TRecSelector::UpdateScrollRange() {
  const int page = std::max(table_->VisibleRowCount(), 1);
  scrollBar_->setPageStep(page);
  scrollBar_->setSingleStep(1);
  scrollBar_->setRange(0, std::max(table_->RowCount() - page, 0));
}

void TRecSelector::btPathClick() {
  std::string chosen;
  if (ChooseDirectory) {
    chosen = ChooseDirectory(directory_);
  } else {
    chosen = QFileDialog::getExistingDirectory(this, windowTitle(), Text(directory_)).toStdString();
  }
  if (chosen.empty()) return;
  directory_ = WithoutTrailingSeparator(chosen);
  edPath_->setText(Text(PathForDisplay(directory_)));
  FillTable();
}

void TRecSelector::btOpenClick() {
  if (!selectedFile_.empty()) accept();
}

void TRecSelector::TableClickItem(TTableItem& cell) {
  const int row = cell.Index();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  selectedFile_ = rows_[static_cast<std::size_t>(row)].Path;
  lbFile_->setText(Text(PathForDisplay(selectedFile_)));
  btOpen_->setEnabled(true);
}

void TRecSelector::TableClickHeader(TTableItem& column) {
  const auto found = std::find(columns_.begin(), columns_.end(), &column);
  if (found == columns_.end()) return;
  sortColumn_ = static_cast<RecordColumn>(found - columns_.begin());
  FillTable();
}

void TRecSelector::TableDblClick() { btOpenClick(); }

}  // namespace quillon
