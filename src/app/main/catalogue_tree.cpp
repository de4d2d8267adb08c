#include "app/main/catalogue_tree.h"

#include <QBrush>
#include <QByteArray>
#include <QColor>
#include <QHeaderView>

#include "app/widgets/palette_colours.h"
#include "workspace/paths.h"

namespace quillon {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kBackupRole = Qt::UserRole + 1;

void AddNode(QTreeWidgetItem* item, const CatalogueNode& node, const QColor& backupColour) {
  item->setText(0, QString::fromStdString(node.caption));
  // The path is kept as its bytes: a folder name from a Windows archive is not UTF-8 and
  // would not survive a QString.
  item->setData(0, kPathRole, QByteArray::fromStdString(node.path));
  item->setData(0, kBackupRole, node.backup);
  item->setToolTip(0, QString::fromStdString(PathForDisplay(node.path)));
  if (node.backup) item->setForeground(0, QBrush(backupColour));
  for (const CatalogueNode& child : node.children) AddNode(new QTreeWidgetItem(item), child, backupColour);
}

void CollectNodes(QTreeWidgetItem* item, QList<QTreeWidgetItem*>& out) {
  out.append(item);
  for (int i = 0; i < item->childCount(); ++i) CollectNodes(item->child(i), out);
}

}  // namespace

CatalogueTree::CatalogueTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("tv"));
  setHeaderHidden(true);
  setColumnCount(1);
  // Long captions (variant with mechanism and place) scroll sideways instead of being cut off.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setContextMenuPolicy(Qt::CustomContextMenu);
  // The splitter may squeeze the tree to this width and no further.
  setMinimumWidth(10);
  FollowPalette(this, [this] {
    const QColor colour = BackupColour();
    for (QTreeWidgetItem* node : AllNodes()) {
      if (IsBackupNode(node)) node->setForeground(0, QBrush(colour));
    }
  });
}

QColor CatalogueTree::BackupColour() const { return LegibleOn(kMeaningRed, palette().color(QPalette::Base)); }

void CatalogueTree::ShowCatalogue(const Catalogue& catalogue) {
  clear();
  const QColor backup = BackupColour();
  for (const CatalogueNode& node : catalogue.Roots()) AddNode(new QTreeWidgetItem(this), node, backup);
}

std::string CatalogueTree::NodePath(const QTreeWidgetItem* item) {
  if (item == nullptr) return {};
  return item->data(0, kPathRole).toByteArray().toStdString();
}

bool CatalogueTree::IsBackupNode(const QTreeWidgetItem* item) {
  return item != nullptr && item->data(0, kBackupRole).toBool();
}

QTreeWidgetItem* CatalogueTree::FindByPath(const std::string& path) const {
  if (path.empty()) return nullptr;
  const QList<QTreeWidgetItem*> nodes = AllNodes();
  for (auto it = nodes.crbegin(); it != nodes.crend(); ++it) {
    if (NodePath(*it) == path) return *it;
  }
  return nullptr;
}

QTreeWidgetItem* CatalogueTree::FindByCaption(const QString& caption) const {
  const QList<QTreeWidgetItem*> nodes = AllNodes();
  for (auto it = nodes.crbegin(); it != nodes.crend(); ++it) {
    if ((*it)->text(0) == caption) return *it;
  }
  return nullptr;
}

QList<QTreeWidgetItem*> CatalogueTree::AllNodes() const {
  QList<QTreeWidgetItem*> nodes;
  for (int i = 0; i < topLevelItemCount(); ++i) CollectNodes(topLevelItem(i), nodes);
  return nodes;
}

}  // namespace quillon
