#pragma once
// The parameter table of the main window: eight cells per variable on a TTablePanel01 (number,
// name, purpose and unit, then base and controller values as hex and physical), the in-place
// editors, the commit of edited values, and the red rows where base and controller differ.
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "device/device_parameters.h"
#include "device/parameter_widths.h"
#include "table/content_widths.h"

class QScrollBar;

namespace quillon {

class TableHeader;
class TCollComboBox;
class TCollEdit;
class TTableItem;
class TTablePanel01;
class TView;

class ParameterTable : public QObject {
  Q_OBJECT

 public:
  ParameterTable(TTablePanel01* panel, QScrollBar* scrollBar, DeviceParameters& parameters);
  ~ParameterTable() override;

  TTablePanel01* Panel() const { return panel_; }
  TCollEdit* Edit() const { return edit_; }
  TCollComboBox* ComboBox() const { return comboBox_; }

  // The header above the table: its captions and pictures bound the group widths when the
  // columns are sized to their contents.
  void SetHeader(const TableHeader* header) { header_ = header; }

  // The widths stored in settings.ini. When one is missing the columns are sized to their
  // contents (a stored width still wins) until the engineer drags a column's edge: again for
  // each device opened, after reads that bring wider texts, and when the table is resized.
  void ReadWidths(const std::string& settingsFile);
  // Stores the widths the engineer set by dragging, or those sized to a device's contents; a
  // width that was never decided stays out of the file, so the next start sizes it again.
  void WriteWidths(const std::string& settingsFile) const;
  // Stored widths; zero leaves a width as it is.
  void ApplyWidths(const ParameterColumnWidths& widths);
  ParameterColumnWidths Widths() const;
  bool SizedToContents() const { return sizedToContents_; }

  // The cells of every variable, after the device's variables were loaded.
  void Rebuild();
  void Clear();
  // Colours the rows by comparing base and controller, updates the scale lines of parameter
  // lists and repaints; columns sized to their contents widen for wider texts.
  void Compare();
  void Repaint();
  void HideEditor();

  // The cell of a variable's row under column `kind` (nullptr when there is none).
  TTableItem* CellOf(int row, int kind) const;

  // A click on a value cell, as the mouse gives it (tests use it too).
  void ClickCell(TTableItem& cell);
  // Applies text to a value cell as the editors do.
  void CommitText(TTableItem& cell, const std::string& text);

  // Raised when a base value changed (the save button is enabled).
  std::function<void()> OnBaseEdited;
  // Raised when a controller cell was committed: the bytes to write to the variable.
  std::function<void(TView& variable, const std::vector<std::uint8_t>& data)> OnWriteValue;
  // Raised after column widths changed: by the user dragging an edge, by sizing to the
  // contents or by fitting the table to its new size.
  std::function<void()> OnWidthsChanged;

 private:
  void BuildColumns();
  void PlaceEditor();
  void WidthsChanged();
  // The width a column needs for its caption and the texts of its cells (and a group for the
  // header's sections above it). The controller columns are measured by the base values too,
  // which they will hold once read.
  ColumnNeed NeedOf(const TTableItem& column) const;
  // Measures every column again; true when one needs more than before.
  bool MeasureNeeds();
  // Sizes the columns to the measured needs within the table's width; stored widths win.
  void FitToContents();

  TTablePanel01* panel_;
  QScrollBar* scrollBar_;
  DeviceParameters& parameters_;
  const TableHeader* header_ = nullptr;
  // What settings.ini held; these widths win over the contents.
  ParameterColumnWidths stored_;
  // What is written at exit: the stored widths until the engineer drags an edge or the columns
  // are sized to a device's contents.
  ParameterColumnWidths chosen_;
  // A width was missing from settings.ini and the engineer has not dragged an edge yet.
  bool sizedToContents_ = false;
  // What each column needs for the device shown. A need only grows while the device stays, so
  // reads do not make the columns jump back and forth.
  std::unordered_map<const TTableItem*, ColumnNeed> needs_;
  TCollEdit* edit_ = nullptr;
  TCollComboBox* comboBox_ = nullptr;
  TTableItem* editedCell_ = nullptr;
  std::array<TTableItem*, 3> groups_{};
  // Leaf columns in the order of kinds 8, 1, 2, 7, 3, 4, 5, 6.
  std::array<TTableItem*, 8> leaves_{};
};

}  // namespace quillon
