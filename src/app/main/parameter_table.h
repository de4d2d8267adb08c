#pragma once
// The parameter table of the main window: eight cells per variable on a TTablePanel01 (number,
// name, purpose and unit, then base and controller values as hex and physical), the in-place
// editors, the commit of edited values, and the red rows where base and controller differ.
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/device_parameters.h"

class QScrollBar;

namespace quillon {

class TCollComboBox;
class TCollEdit;
class TTableItem;
class TTablePanel01;
class TView;

// Widths of the column groups and of the columns that are stored in settings.ini:
// p0w, p1w, p0m0, p0m1, p1m0, p2m0.
struct ParameterColumnWidths {
  double parameterGroup = 0;
  double baseGroup = 0;
  double number = 0;
  double name = 0;
  double baseHex = 0;
  double controllerHex = 0;
};

class ParameterTable : public QObject {
  Q_OBJECT

 public:
  ParameterTable(TTablePanel01* panel, QScrollBar* scrollBar, DeviceParameters& parameters);
  ~ParameterTable() override;

  TTablePanel01* Panel() const { return panel_; }
  TCollEdit* Edit() const { return edit_; }
  TCollComboBox* ComboBox() const { return comboBox_; }

  // Stored widths; zero leaves a width as it is.
  void ApplyWidths(const ParameterColumnWidths& widths);
  ParameterColumnWidths Widths() const;

  // The cells of every variable, after the device's variables were loaded.
  void Rebuild();
  void Clear();
  // Colours the rows by comparing base and controller, updates the scale lines of parameter
  // lists and repaints.
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
  // Raised after column widths changed: by the user dragging an edge (true) or by fitting the
  // table to its new size (false).
  std::function<void(bool userResize)> OnWidthsChanged;

 private:
  void BuildColumns();
  void PlaceEditor();

  TTablePanel01* panel_;
  QScrollBar* scrollBar_;
  DeviceParameters& parameters_;
  TCollEdit* edit_ = nullptr;
  TCollComboBox* comboBox_ = nullptr;
  TTableItem* editedCell_ = nullptr;
  std::array<TTableItem*, 3> groups_{};
  // Leaf columns in the order of kinds 8, 1, 2, 7, 3, 4, 5, 6.
  std::array<TTableItem*, 8> leaves_{};
};

}  // namespace quillon
