#pragma once
// The header `Header` above the parameter table: one section per column group, except that
// the "Контроллер" group is split into "Контроллер" and "Обновить" halves. The sections carry
// the pictures of what a click on them does.
#include <QHeaderView>
#include <array>

#include "main/header_pictures.h"

class QStandardItemModel;

namespace quillon {

// Section widths for a header `total` pixels wide, given the widths of the "Параметр" and
// "База" groups; the "Контроллер" group takes what is left and is halved (never negative).
std::array<int, 4> HeaderSectionWidths(double parameterGroup, double baseGroup, int total);

class TableHeader : public QHeaderView {
  Q_OBJECT

 public:
  enum Section { kParameterSection = 0, kBaseSection = 1, kControllerSection = 2, kRefreshSection = 3 };

  explicit TableHeader(QWidget* parent = nullptr);

  void LayOut(double parameterGroup, double baseGroup);
  const HeaderPictures& Pictures() const { return pictures_; }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  QStandardItemModel* sections_ = nullptr;
  HeaderPictures pictures_;
};

}  // namespace quillon
