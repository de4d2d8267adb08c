#include "app/tools/traffic_table_model.h"

#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QString>
#include <algorithm>
#include <string>
#include <utility>

#include "app/widgets/palette_colours.h"
#include "link/traffic_text.h"

namespace quillon {

namespace {

// A tooltip shows a whole frame; this many bytes a line keep it narrower than a screen.
constexpr std::size_t kTooltipBytesPerLine = 16;

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool Refused(const TrafficFrame& frame) {
  return frame.direction == FrameDirection::RX && frame.verdict != FrameVerdict::None &&
         frame.verdict != FrameVerdict::OK;
}

// FrameHex broken into lines of kTooltipBytesPerLine bytes ("01 03 00" is three characters a byte).
QString HexLines(const TrafficFrame& frame) {
  std::string hex = FrameHex(frame);
  for (std::size_t at = 3 * kTooltipBytesPerLine - 1; at < hex.size(); at += 3 * kTooltipBytesPerLine) {
    if (hex[at] == ' ') hex[at] = '\n';
  }
  return Utf8(hex);
}

QString CellText(const TrafficFrame& frame, int column) {
  switch (column) {
    case TrafficTableModel::TimeColumn:
      return Utf8(FrameTime(frame.timeUs));
    case TrafficTableModel::LinkColumn:
      return Utf8(std::string(frame.Link()));
    case TrafficTableModel::DirectionColumn:
      return frame.direction == FrameDirection::TX ? QStringLiteral("TX") : QStringLiteral("RX");
    case TrafficTableModel::BytesColumn:
      return Utf8(FrameHex(frame));
    case TrafficTableModel::SummaryColumn:
      return Utf8(FrameSummary(frame));
    case TrafficTableModel::VerdictColumn:
      return Utf8(VerdictText(frame));
    default:
      return {};
  }
}

}  // namespace

QColor RefusedVerdictColour(const QColor& background) { return LegibleOn(QColor(0x9C, 0x00, 0x06), background); }

TrafficTableModel::TrafficTableModel(QObject* parent) : QAbstractTableModel(parent) {}

int TrafficTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(log_.Rows());
}

int TrafficTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TrafficFrame& frame = log_.Row(static_cast<std::size_t>(index.row()));
  switch (role) {
    case Qt::DisplayRole:
      return CellText(frame, index.column());
    case Qt::ToolTipRole:
      // The cells a column may cut short show the whole text on hovering.
      if (index.column() == BytesColumn) return HexLines(frame);
      if (index.column() == SummaryColumn) return CellText(frame, index.column());
      return {};
    case Qt::ForegroundRole:
      // The views ask again on every paint, so a change of the palette shows at once.
      return Refused(frame) ? QVariant(QBrush(RefusedVerdictColour(QGuiApplication::palette().color(QPalette::Base))))
                            : QVariant();
    case Qt::FontRole:
      if (index.column() == VerdictColumn && Refused(frame)) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    default:
      return {};
  }
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kCaptions[ColumnCount] = {"Время", "Линия",       "Направление",
                                                     "Байты", "Расшифровка", "Вердикт"};
  return section >= 0 && section < ColumnCount ? QString::fromUtf8(kCaptions[section]) : QVariant();
}

TrafficTableModel::Change TrafficTableModel::AddFrames(std::span<const TrafficFrame> frames) {
  // A batch larger than the log keeps only what fits.
  if (frames.size() > log_.Capacity()) frames = frames.last(log_.Capacity());
  Change change;
  const std::size_t overflow = log_.Overflow(frames.size());
  change.removed = log_.RowsAmongOldest(overflow);
  if (change.removed > 0) beginRemoveRows({}, 0, static_cast<int>(change.removed) - 1);
  log_.DropOldest(overflow);
  if (change.removed > 0) endRemoveRows();

  const TrafficFilter& filter = log_.Filter();
  change.added = static_cast<std::size_t>(
      std::count_if(frames.begin(), frames.end(), [&](const TrafficFrame& frame) { return filter.Matches(frame); }));
  const int first = rowCount();
  if (change.added > 0) beginInsertRows({}, first, first + static_cast<int>(change.added) - 1);
  for (const TrafficFrame& frame : frames) log_.Append(frame);
  if (change.added > 0) endInsertRows();
  return change;
}

void TrafficTableModel::SetFilter(TrafficFilter filter) {
  beginResetModel();
  log_.SetFilter(std::move(filter));
  endResetModel();
}

void TrafficTableModel::Clear() {
  beginResetModel();
  log_.Clear();
  endResetModel();
}

}  // namespace quillon
