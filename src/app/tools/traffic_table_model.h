#pragma once
// The traffic monitor's table over its TrafficLog: one row per frame the filter shows, oldest
// at the top. A view asks only for the rows on screen, so a hundred thousand rows cost no more
// to show than thirty; the text of a row is made when it is asked for.
#include <QAbstractTableModel>
#include <QColor>
#include <cstddef>
#include <span>

#include "link/traffic_log.h"

namespace quillon {

class TrafficTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { TimeColumn, LinkColumn, DirectionColumn, BytesColumn, SummaryColumn, VerdictColumn, ColumnCount };

  explicit TrafficTableModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // What a batch did to the rows: those pushed out at the top and those added at the bottom.
  struct Change {
    std::size_t removed = 0;
    std::size_t added = 0;
  };
  // Appends a batch, oldest first; the oldest frames give way when the log is full.
  Change AddFrames(std::span<const TrafficFrame> frames);
  void SetFilter(TrafficFilter filter);
  void Clear();

  const TrafficLog& Log() const { return log_; }

 private:
  TrafficLog log_;
};

// The texts of a refused answer (any verdict but OK) are drawn in a dark red, lightened as far as
// it must be to read on `background` (the table's base, light or dark).
QColor RefusedVerdictColour(const QColor& background);

}  // namespace quillon
