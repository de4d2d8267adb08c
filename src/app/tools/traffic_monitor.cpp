#include "app/tools/traffic_monitor.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/support/current_prompt.h"
#include "app/tools/traffic_table_model.h"
#include "app/widgets/widget_helpers.h"
#include "link/traffic_save.h"
#include "link/traffic_tap.h"
#include "platform/files.h"

namespace quillon {

namespace {

// What held frames are handed to the table in, so a long pause never needs a second store.
constexpr std::size_t kReleaseChunk = 8192;
// Room around a cell's text for the view's margins and the header's sort mark.
constexpr int kCellPadding = 24;

struct VerdictChoice {
  const char* caption;
  FrameVerdict verdict;
};
constexpr VerdictChoice kVerdictChoices[] = {
    {"OK", FrameVerdict::OK},           {"CRC", FrameVerdict::CRC},           {"EXC", FrameVerdict::EXC},
    {"TIMEOUT", FrameVerdict::Timeout}, {"MISMATCH", FrameVerdict::Mismatch}, {"LATE", FrameVerdict::Late},
};

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* button = Named(new QPushButton(QString::fromUtf8(caption), parent), name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TrafficMonitor::TrafficMonitor(TrafficTap& tap, std::string saveFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), tap_(tap), saveFolder_(std::move(saveFolder)) {
  setObjectName(QStringLiteral("TrafficMonitor"));
  setWindowTitle(QStringLiteral("Монитор обмена"));
  BuildControls();
  droppedBefore_ = tap_.Dropped();
  tap_.SetEnabled(true);
  tmrDrain_->start();
}

TrafficMonitor::~TrafficMonitor() {
  tap_.SetEnabled(false);
  // What was put before the tap went off would greet the next monitor with old frames.
  tap_.Drain([](const TrafficFrame&) {});
}

void TrafficMonitor::BuildControls() {
  model_ = new TrafficTableModel(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildFilterBar());

  table_ = Named(new QTableView(this), "tvTraffic");
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setAlternatingRowColors(true);
  table_->setWordWrap(false);
  table_->setTextElideMode(Qt::ElideRight);
  // Row by row, so that rows leaving at the top can be made up for exactly (see ShowBatch).
  table_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  SizeColumns();
  layout->addWidget(table_, 1);

  auto* status = new QHBoxLayout();
  lbCounts_ = Named(new QLabel(this), "lbCounts");
  lbSaved_ = Named(new QLabel(this), "lbSaved");
  status->addWidget(lbCounts_, 1);
  status->addWidget(lbSaved_);
  layout->addLayout(status);

  tmrDrain_ = Named(new QTimer(this), "tmrDrain");
  tmrDrain_->setInterval(kDrainIntervalMs);
  connect(tmrDrain_, &QTimer::timeout, this, &TrafficMonitor::tmrDrainTimer);
  ShowCounts();
  resize(1180, 560);
}

QWidget* TrafficMonitor::BuildFilterBar() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 0, 0, 0);
  auto addCombo = [&](const char* name, const char* caption, const char* all) {
    auto* combo = Named(new QComboBox(bar), name);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo->addItem(QString::fromUtf8(all));
    auto* label = new QLabel(QString::fromUtf8(caption), bar);
    label->setBuddy(combo);
    row->addWidget(label);
    row->addWidget(combo);
    row->addSpacing(8);
    connect(combo, &QComboBox::currentIndexChanged, this, &TrafficMonitor::FilterChanged);
    return combo;
  };
  cbLink_ = addCombo("cbLink", "Линия:", "Все линии");
  cbLink_->setMinimumContentsLength(16);
  cbAddress_ = addCombo("cbAddress", "Адрес:", "Все адреса");
  cbVerdict_ = addCombo("cbVerdict", "Вердикт:", "Все");
  {
    const QSignalBlocker quiet(cbVerdict_);
    for (const VerdictChoice& choice : kVerdictChoices) {
      cbVerdict_->addItem(QString::fromUtf8(choice.caption), static_cast<int>(choice.verdict));
    }
  }
  row->addStretch(1);
  btPause_ = Button(bar, "btPause", "Пауза");
  btPause_->setCheckable(true);
  btClear_ = Button(bar, "btClear", "Очистить");
  btSave_ = Button(bar, "btSave", "Сохранить…");
  btSave_->setToolTip(QStringLiteral("Сохранить показанные кадры в текстовый файл"));
  for (QPushButton* button : {btPause_, btClear_, btSave_}) row->addWidget(button);
  connect(btPause_, &QPushButton::toggled, this, &TrafficMonitor::btPauseToggled);
  connect(btClear_, &QPushButton::clicked, this, &TrafficMonitor::btClearClick);
  connect(btSave_, &QPushButton::clicked, this, &TrafficMonitor::btSaveClick);
  return bar;
}

// Wide enough for the longest usual text of each column; the bytes take what is left over.
void TrafficMonitor::SizeColumns() {
  const QFontMetrics cell = table_->fontMetrics();
  QFont boldFont = table_->font();
  boldFont.setBold(true);
  const QFontMetrics bold(boldFont);
  const QFontMetrics header = table_->horizontalHeader()->fontMetrics();
  auto widthOf = [&](int column, const QFontMetrics& metrics, const char* sample) {
    const QString caption = model_->headerData(column, Qt::Horizontal).toString();
    return std::max(metrics.horizontalAdvance(QString::fromUtf8(sample)), header.horizontalAdvance(caption)) +
           kCellPadding;
  };
  QHeaderView* columns = table_->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(false);
  table_->setColumnWidth(TrafficTableModel::TimeColumn,
                         widthOf(TrafficTableModel::TimeColumn, cell, "00:00:00.000000"));
  table_->setColumnWidth(TrafficTableModel::LinkColumn,
                         widthOf(TrafficTableModel::LinkColumn, cell, "127.0.0.1:50200"));
  table_->setColumnWidth(TrafficTableModel::DirectionColumn, widthOf(TrafficTableModel::DirectionColumn, cell, "RX"));
  table_->setColumnWidth(TrafficTableModel::SummaryColumn,
                         widthOf(TrafficTableModel::SummaryColumn, cell, "MODBUS RTU 247 10 write reg 0x0100 n=120"));
  table_->setColumnWidth(TrafficTableModel::VerdictColumn, widthOf(TrafficTableModel::VerdictColumn, bold, "MISMATCH"));
  const int bytesWidth =
      widthOf(TrafficTableModel::BytesColumn, cell, "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
  table_->setColumnWidth(TrafficTableModel::BytesColumn, bytesWidth);
  columns->setMinimumSectionSize(std::min(bytesWidth, cell.horizontalAdvance(QStringLiteral("00 00 00 00")) + 8));
  columns->setSectionResizeMode(TrafficTableModel::BytesColumn, QHeaderView::Stretch);
}

void TrafficMonitor::tmrDrainTimer() {
  batch_.clear();
  tap_.Drain([this](const TrafficFrame& frame) { batch_.push_back(frame); });
  if (!batch_.empty()) {
    if (btPause_->isChecked()) {
      for (const TrafficFrame& frame : batch_) held_.Append(frame);
    } else {
      ShowBatch(batch_);
    }
  }
  RefreshChoices();
  ShowCounts();
}

// New rows follow at the bottom only while the engineer is there; one reading older rows keeps
// his place even while the oldest rows leave at the top.
void TrafficMonitor::ShowBatch(std::span<const TrafficFrame> frames) {
  QScrollBar* bar = table_->verticalScrollBar();
  const bool atBottom = bar->value() >= bar->maximum();
  const TrafficTableModel::Change change = model_->AddFrames(frames);
  if (atBottom) {
    table_->scrollToBottom();
  } else if (change.removed > 0) {
    bar->setValue(std::max(0, bar->value() - static_cast<int>(change.removed)));
  }
}

void TrafficMonitor::ReleaseHeld() {
  for (std::size_t from = 0; from < held_.Size(); from += kReleaseChunk) {
    batch_.clear();
    const std::size_t end = std::min(held_.Size(), from + kReleaseChunk);
    for (std::size_t index = from; index < end; ++index) batch_.push_back(held_.Frame(index));
    ShowBatch(batch_);
  }
  held_.Clear();
}

void TrafficMonitor::btPauseToggled(bool paused) {
  if (!paused) ReleaseHeld();
  RefreshChoices();
  ShowCounts();
}

void TrafficMonitor::btClearClick() {
  model_->Clear();
  held_.Clear();
  lbSaved_->clear();
  ShowCounts();
}

void TrafficMonitor::FilterChanged() {
  TrafficFilter filter;
  if (cbLink_->currentIndex() > 0) filter.link = cbLink_->currentText().toStdString();
  if (cbAddress_->currentIndex() > 0) filter.address = static_cast<std::uint8_t>(cbAddress_->currentData().toInt());
  if (cbVerdict_->currentIndex() > 0) filter.verdict = static_cast<FrameVerdict>(cbVerdict_->currentData().toInt());
  model_->SetFilter(std::move(filter));
  table_->scrollToBottom();
  ShowCounts();
}

// The filter combos offer what has been seen; the choice made stays chosen.
void TrafficMonitor::RefreshChoices() {
  const TrafficLog& log = model_->Log();
  if (log.Links().size() != linksShown_) {
    const QSignalBlocker quiet(cbLink_);
    const QString chosen = cbLink_->currentIndex() > 0 ? cbLink_->currentText() : QString();
    while (cbLink_->count() > 1) cbLink_->removeItem(1);
    for (const std::string& link : log.Links()) cbLink_->addItem(Text(link));
    if (!chosen.isEmpty()) cbLink_->setCurrentIndex(cbLink_->findText(chosen));
    linksShown_ = log.Links().size();
  }
  std::vector<std::uint8_t> addresses = log.Addresses();
  if (addresses != addressesShown_) {
    const QSignalBlocker quiet(cbAddress_);
    const QVariant chosen = cbAddress_->currentData();
    while (cbAddress_->count() > 1) cbAddress_->removeItem(1);
    for (std::uint8_t address : addresses) cbAddress_->addItem(QString::number(address), int{address});
    if (chosen.isValid()) cbAddress_->setCurrentIndex(cbAddress_->findData(chosen));
    addressesShown_ = std::move(addresses);
  }
}

void TrafficMonitor::ShowCounts() {
  const TrafficLog& log = model_->Log();
  // "100 000": the engineer reads Russian digit groups.
  const QLocale russian(QLocale::Russian);
  const auto count = [&](std::uint64_t n) { return russian.toString(static_cast<qulonglong>(n)); };
  QString text = QStringLiteral("Показано кадров: %1 из %2 (хранятся последние %3)")
                     .arg(count(log.Rows()), count(log.Size()), count(log.Capacity()));
  if (btPause_->isChecked()) text += QStringLiteral("; пауза, отложено: %1").arg(count(held_.Size()));
  if (const std::uint64_t lost = tap_.Dropped() - droppedBefore_; lost > 0) {
    text += QStringLiteral("; пропущено при перегрузке: %1").arg(count(lost));
  }
  lbCounts_->setText(text);
}

void TrafficMonitor::btSaveClick() {
  const QString proposed = Text(saveFolder_ + "traffic.txt");
  const QString chosen = ChooseSaveFile
                             ? ChooseSaveFile(proposed)
                             : QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить обмен"), proposed,
                                                            QStringLiteral("Текст (*.txt);;Все файлы (*)"));
  if (chosen.isEmpty()) return;
  SaveTo(chosen.toStdString());
}

bool TrafficMonitor::SaveTo(const std::string& path) {
  const TrafficSaveResult saved = SaveTrafficText(model_->Log(), path);
  if (!saved) {
    CurrentPrompt().Warning("Quillon", saved.message);
    return false;
  }
  saveFolder_ = DirectoryOf(path);
  lbSaved_->setText(QStringLiteral("Сохранено строк: %1 в %2").arg(saved.lines).arg(Text(FileNameOf(path))));
  return true;
}

const TrafficLog& TrafficMonitor::Log() const { return model_->Log(); }

}  // namespace quillon
