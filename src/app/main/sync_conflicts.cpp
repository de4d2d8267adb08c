#include "app/main/sync_conflicts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/widgets/widget_helpers.h"
#include "history/device_changes.h"

namespace quillon {

namespace {

constexpr int kLocalColumn = 1;
constexpr int kTeamColumn = 2;

// The row's texts in the changes viewer's words; the lines of a section shown one under another.
std::array<QString, 3> RowTexts(const DeviceMergeConflict& conflict) {
  if (conflict.key.empty()) {
    return {Text("[" + conflict.section + "] строки без ключа"), Text(conflict.ours.value_or("")),
            Text(conflict.theirs.value_or(""))};
  }
  if (const auto shown = DescribeChange(conflict.section, conflict.key, conflict.ours, conflict.theirs))
    return {Text(shown->key), Text(shown->before), Text(shown->after)};
  return {Text(conflict.key), Text(conflict.ours.value_or("")), Text(conflict.theirs.value_or(""))};
}

}  // namespace

TfSyncConflicts::TfSyncConflicts(const std::vector<SyncFileOutcome>& files, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fSyncConflicts"));
  setWindowTitle(QStringLiteral("Синхронизация: значения изменены с обеих сторон"));
  setModal(true);
  resize(760, 420);
  for (const SyncFileOutcome& file : files)
    if (file.kind == SyncFileOutcome::Kind::kConflict) files_.push_back(file);

  auto* column = new QVBoxLayout(this);
  auto* info = new QLabel(QStringLiteral("Эти параметры изменены и здесь, и в хранилище команды. Отметьте значение, "
                                         "которое нужно оставить: синхронизация закончится, когда выбор сделан "
                                         "для каждой строки."),
                          this);
  info->setWordWrap(true);
  column->addWidget(info);
  lvConflicts_ = Named(new QTreeWidget(this), "lvConflicts");
  lvConflicts_->setHeaderLabels(
      {QStringLiteral("Изменённый параметр"), QStringLiteral("Здесь"), QStringLiteral("В хранилище команды")});
  lvConflicts_->setRootIsDecorated(true);
  lvConflicts_->setUniformRowHeights(false);
  for (const SyncFileOutcome& file : files_) {
    auto* fileItem = new QTreeWidgetItem(lvConflicts_, {Text(file.path)});
    fileItem->setFirstColumnSpanned(true);
    for (const DeviceMergeConflict& conflict : file.conflicts) {
      const std::array<QString, 3> texts = RowTexts(conflict);
      auto* row = new QTreeWidgetItem(fileItem, {texts[0], texts[1], texts[2]});
      row->setToolTip(0, Text(conflict.section + "/" + conflict.key));
      row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
      row->setCheckState(kLocalColumn, Qt::Unchecked);
      row->setCheckState(kTeamColumn, Qt::Unchecked);
    }
  }
  lvConflicts_->expandAll();
  for (int i = 0; i < 3; ++i) lvConflicts_->resizeColumnToContents(i);
  column->addWidget(lvConflicts_, 1);

  auto* buttons = new QHBoxLayout();
  auto* allLocal = Named(new QPushButton(QStringLiteral("Все значения отсюда"), this), "btAllLocal");
  auto* allTeam = Named(new QPushButton(QStringLiteral("Все значения команды"), this), "btAllTeam");
  btMerge_ = Named(new QPushButton(QStringLiteral("Объединить и отправить"), this), "btMerge");
  auto* later = Named(new QPushButton(QStringLiteral("Отложить"), this), "btLater");
  btMerge_->setEnabled(false);
  buttons->addWidget(allLocal);
  buttons->addWidget(allTeam);
  buttons->addStretch(1);
  buttons->addWidget(btMerge_);
  buttons->addWidget(later);
  column->addLayout(buttons);
  connect(allLocal, &QPushButton::clicked, this, [this] { ChooseAll(true); });
  connect(allTeam, &QPushButton::clicked, this, [this] { ChooseAll(false); });
  connect(btMerge_, &QPushButton::clicked, this, &QDialog::accept);
  connect(later, &QPushButton::clicked, this, &QDialog::reject);
  connect(lvConflicts_, &QTreeWidget::itemChanged, this, &TfSyncConflicts::ItemChanged);
}

std::vector<QTreeWidgetItem*> TfSyncConflicts::Rows() const {
  std::vector<QTreeWidgetItem*> rows;
  for (int f = 0; f < lvConflicts_->topLevelItemCount(); ++f) {
    QTreeWidgetItem* file = lvConflicts_->topLevelItem(f);
    for (int r = 0; r < file->childCount(); ++r) rows.push_back(file->child(r));
  }
  return rows;
}

void TfSyncConflicts::ItemChanged(QTreeWidgetItem* item, int column) {
  if (updating_ || (column != kLocalColumn && column != kTeamColumn)) return;
  updating_ = true;
  // One value per row: ticking one side unticks the other.
  if (item->checkState(column) == Qt::Checked)
    item->setCheckState(column == kLocalColumn ? kTeamColumn : kLocalColumn, Qt::Unchecked);
  updating_ = false;
  btMerge_->setEnabled(AllChosen());
}

void TfSyncConflicts::Choose(int row, bool local) {
  const std::vector<QTreeWidgetItem*> rows = Rows();
  if (row < 0 || row >= static_cast<int>(rows.size())) return;
  rows[static_cast<std::size_t>(row)]->setCheckState(local ? kLocalColumn : kTeamColumn, Qt::Checked);
}

void TfSyncConflicts::ChooseAll(bool local) {
  for (QTreeWidgetItem* row : Rows()) row->setCheckState(local ? kLocalColumn : kTeamColumn, Qt::Checked);
}

bool TfSyncConflicts::AllChosen() const {
  for (const QTreeWidgetItem* row : Rows()) {
    if (row->checkState(kLocalColumn) != Qt::Checked && row->checkState(kTeamColumn) != Qt::Checked) return false;
  }
  return true;
}

std::vector<SyncResolution> TfSyncConflicts::Resolutions() const {
  std::vector<SyncResolution> resolutions;
  for (int f = 0; f < lvConflicts_->topLevelItemCount() && f < static_cast<int>(files_.size()); ++f) {
    const SyncFileOutcome& file = files_[static_cast<std::size_t>(f)];
    const QTreeWidgetItem* fileItem = lvConflicts_->topLevelItem(f);
    SyncResolution resolution{file.path, file.conflicts, {}};
    for (int r = 0; r < fileItem->childCount(); ++r) {
      const bool local = fileItem->child(r)->checkState(kLocalColumn) == Qt::Checked;
      resolution.choices.push_back({local ? DeviceMergeChoice::Take::kOurs : DeviceMergeChoice::Take::kTheirs, {}});
    }
    resolutions.push_back(std::move(resolution));
  }
  return resolutions;
}

}  // namespace quillon
