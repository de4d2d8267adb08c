#pragma once
// The catalogue tree `tv`: shows the Catalogue model as it stands after a fill or a search.
// Every node keeps the device file path of its model node, byte for byte; copies under Devices/BackUp/ are
// drawn with red captions so nobody mistakes them for the device's own file; the red is made
// readable on the tree's background, light or dark, and follows a change of the palette.
#include <QTreeWidget>
#include <string>

#include "workspace/catalogue.h"

namespace quillon {

class CatalogueTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit CatalogueTree(QWidget* parent = nullptr);

  // The width the shown entries need, indentation and frame included (no scroll bar).
  int ContentWidth() const { return sizeHintForColumn(0) + indentation() + 2 * frameWidth(); }

  // Replaces every node with the nodes of `catalogue`, in the model's order.
  void ShowCatalogue(const Catalogue& catalogue);

  // The device file path of a node; empty for groups, devices without a file and nullptr.
  static std::string NodePath(const QTreeWidgetItem* item);
  static bool IsBackupNode(const QTreeWidgetItem* item);

  // The node carrying `path`, searching from the last node to the first (nullptr when none).
  QTreeWidgetItem* FindByPath(const std::string& path) const;
  // The last node in tree order whose caption is `caption` (nullptr when none): how an
  // identified device is found under "New".
  QTreeWidgetItem* FindByCaption(const QString& caption) const;
  // Every node in tree order, parents before their children.
  QList<QTreeWidgetItem*> AllNodes() const;
  // The caption colour of a backup copy on the tree's present background.
  QColor BackupColour() const;
};

}  // namespace quillon
