#include "app/main/history_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/support/current_prompt.h"
#include "app/widgets/widget_helpers.h"
#include "history/restore_version.h"

namespace quillon {

namespace {

QTreeWidget* MakeList(QWidget* parent, const char* name, const QStringList& captions) {
  auto* list = Named(new QTreeWidget(parent), name);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setHeaderLabels(captions);
  list->header()->setStretchLastSection(true);
  return list;
}

}  // namespace

TfHistory::TfHistory(const WorkspacePaths& paths, std::string filePath, RestoreVersion restore, QWidget* parent)
    : QDialog(parent), paths_(paths), filePath_(std::move(filePath)), restore_(std::move(restore)) {
  setWindowTitle(QStringLiteral("История: ") + Text(PathForDisplay(filePath_)));
  lvVersions_ =
      MakeList(this, "lvVersions", {QStringLiteral("Дата"), QStringLiteral("Автор"), QStringLiteral("Версия")});
  lvVersions_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvChanges_ = MakeList(
      this, "lvChanges",
      {QStringLiteral("Изменённый параметр"), QStringLiteral("Старое значение"), QStringLiteral("Новое значение")});
  lvChanges_->setSelectionMode(QAbstractItemView::NoSelection);
  stInfo_ = Named(new QLabel(this), "stInfo");
  stInfo_->setWordWrap(true);
  btRestore_ = Named(new QPushButton(QStringLiteral("Восстановить"), this), "btRestore");
  auto* btClose = Named(new QPushButton(QStringLiteral("Закрыть"), this), "btClose");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(stInfo_, 1);
  buttons->addWidget(btRestore_);
  buttons->addWidget(btClose);
  auto* column = new QVBoxLayout(this);
  column->addWidget(lvVersions_, 2);
  column->addWidget(lvChanges_, 3);
  column->addLayout(buttons);
  resize(900, 560);

  connect(lvVersions_, &QTreeWidget::itemSelectionChanged, this, &TfHistory::SelectionChanged);
  connect(btRestore_, &QPushButton::clicked, this, &TfHistory::btRestoreClick);
  connect(btClose, &QPushButton::clicked, this, &QDialog::accept);
  Reload();
}

void TfHistory::Reload() {
  lvVersions_->clear();
  const HistoryResult<std::vector<DeviceVersion>> versions = DeviceVersions(git_, paths_.devices, filePath_);
  versions_ = versions.value;
  for (const DeviceVersion& version : versions_) {
    auto* item = new QTreeWidgetItem(lvVersions_, {Text(version.time), Text(version.author), Text(version.summary)});
    item->setToolTip(2, Text(version.shortId));
  }
  for (int column = 0; column < 2; ++column) lvVersions_->resizeColumnToContents(column);
  if (!versions) {
    stInfo_->setText(Text(versions.error));
  } else if (versions_.empty()) {
    stInfo_->setText(QStringLiteral("У файла ещё нет сохранённых версий."));
  }
  if (!versions_.empty()) lvVersions_->setCurrentItem(lvVersions_->topLevelItem(0));
  SelectionChanged();
}

std::vector<int> TfHistory::ChosenRows() const {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : lvVersions_->selectedItems()) rows.push_back(lvVersions_->indexOfTopLevelItem(item));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TfHistory::SelectionChanged() {
  lvChanges_->clear();
  const std::vector<int> rows = ChosenRows();
  btRestore_->setEnabled(rows.size() == 1);
  if (rows.empty() || rows.size() > 2) {
    if (!versions_.empty()) {
      stInfo_->setText(QStringLiteral("Выберите версию, чтобы увидеть её изменения, или две, чтобы сравнить их."));
    }
    return;
  }
  // Newest first: the lower row is the older version. One version alone is compared with the
  // one before it, the first version with no file.
  const std::size_t newer = static_cast<std::size_t>(rows.front());
  const std::size_t olderRow = rows.size() == 2 ? static_cast<std::size_t>(rows.back()) : newer + 1;
  const std::string older = olderRow < versions_.size() ? versions_[olderRow].shortId : std::string();
  const VersionComparison comparison = CompareDeviceVersions(git_, paths_, filePath_, older, versions_[newer].shortId);
  if (!comparison.error.empty()) {
    stInfo_->setText(Text(comparison.error));
    return;
  }
  for (const DeviceChange& change : comparison.changes) {
    new QTreeWidgetItem(lvChanges_, {Text(change.key), Text(change.before), Text(change.after)});
  }
  lvChanges_->resizeColumnToContents(0);
  stInfo_->setText(rows.size() == 2 ? QStringLiteral("Изменения от %1 до %2: %3")
                                          .arg(Text(versions_[olderRow].time), Text(versions_[newer].time))
                                          .arg(comparison.changes.size())
                                    : QStringLiteral("Изменения версии от %1: %2")
                                          .arg(Text(versions_[newer].time))
                                          .arg(comparison.changes.size()));
}

void TfHistory::btRestoreClick() {
  const std::vector<int> rows = ChosenRows();
  if (rows.size() != 1 || !restore_) return;
  const DeviceVersion version = versions_[static_cast<std::size_t>(rows.front())];
  if (restore_(version.shortId, version)) Reload();
}

}  // namespace quillon
