#pragma once
// The header `Header` above the parameter table: one section per column group, except that
// the "Контроллер" group is split into "Контроллер" and "Обновить" halves. The sections carry
// the pictures of what a click on them does.
#include <QHeaderView>
#include <array>

#include "app/main/header_pictures.h"

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
  // The narrowest each column group ("Параметр", "База", "Контроллер") may be for its sections
  // to show their captions whole beside their pictures; the "Контроллер" group holds two.
  std::array<double, 3> GroupMinimums() const;
  const HeaderPictures& Pictures() const { return pictures_; }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Captions and pictures in colours that read on the palette's button face.
  void FollowColours();

  QStandardItemModel* sections_ = nullptr;
  HeaderPictures pictures_;
  // The group widths of the last LayOut: a resize of the header itself (which may come after
  // the table's) lays the sections out again.
  double parameterGroup_ = 0;
  double baseGroup_ = 0;
};

}  // namespace quillon
