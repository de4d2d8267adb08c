#pragma once
// cbTemplate: the list of device templates, drawn by its owner. Every entry shows its type
// name (white on the selected line, black otherwise) and, 10 pixels further, its version tag
// in red; the closed box shows the chosen entry the same way.
#include <QComboBox>
#include <QStyledItemDelegate>
#include <vector>

#include "maintenance/device_templates.h"

namespace quillon {

class TemplateItemDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class TemplateComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TemplateComboBox(QWidget* parent = nullptr);

  // One item per entry, in the entries' order; nothing selected.
  void SetEntries(const std::vector<TemplateEntry>& entries);
  // The version tag of an item.
  QString Tag(int index) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The room the widest name and tag need beyond what the plain box gives its text.
  int TagRoom() const;
};

}  // namespace quillon
