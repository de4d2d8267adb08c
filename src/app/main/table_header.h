#pragma once
// The header `Header` above the parameter table: one section per column group, except that
// the "Контроллер" group is split into "Контроллер" and "Обновить" halves.
#include <QHeaderView>
#include <array>

class QStandardItemModel;

namespace quillon {

// Section widths for a header `total` pixels wide, given the widths of the "Параметр" and
// "База" groups; the "Контроллер" group takes what is left and is halved (never negative).
std::array<int, 4> HeaderSectionWidths(double parameterGroup, double baseGroup, int total);

class TableHeader : public QHeaderView {
  Q_OBJECT

 public:
  explicit TableHeader(QWidget* parent = nullptr);

  void LayOut(double parameterGroup, double baseGroup);

 private:
  QStandardItemModel* sections_ = nullptr;
};

}  // namespace quillon
