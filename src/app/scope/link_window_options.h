#pragma once
// "Options": the scope windows' options dialog. One object serves the whole program: it holds
// the options every scope window reads (CRC check, fast frame end, the MODBUS silent interval,
// tracer limits) and edits the grid flag of the window it is opened on.
#include <QDialog>
#include <functional>
#include <string>

#include "scope/scope_options.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace quillon {

class TfmLinkWindowOptions : public QDialog {
  Q_OBJECT

 public:
  // Reads the stored options; a missing file or key gives its default.
  explicit TfmLinkWindowOptions(std::string settingsFile, QWidget* parent = nullptr);

  const ScopeOptions& Options() const { return options_; }
  bool FastFrameEnd() const { return fastFrameEnd_; }
  bool SilentInterval() const { return silentInterval_; }

  // Shows the dialog modally with `grid` as the window's grid flag. On "Применить" the options
  // (grid included) and `grid` take the shown values and the result is true; on cancel nothing
  // changes.
  bool Edit(bool& grid);

  // Writes the stored options back, the check boxes as "1" or "0". Throws std::runtime_error
  // when the file cannot be written.
  void Store() const;

  // Called after "Применить" so the owner can hand the options on (e.g. to the port workers).
  std::function<void(const ScopeOptions& options, bool fastFrameEnd)> Applied;

 protected:
  void done(int result) override;

 private:
  void ShowOptions(bool grid);
  void TakeShownOptions();

  std::string settingsFile_;
  ScopeOptions options_;
  bool fastFrameEnd_ = true;
  bool silentInterval_ = true;

  QCheckBox* cbGrid_ = nullptr;
  QCheckBox* cbCRC16_ = nullptr;
  QCheckBox* cbFastFrameEnd_ = nullptr;
  QCheckBox* cbSilentInterval_ = nullptr;
  QCheckBox* cbNewFileByTime_ = nullptr;
  QLineEdit* edTraceMinutes_ = nullptr;
  QCheckBox* cbNewFileBySize_ = nullptr;
  QLineEdit* edTraceKilobytes_ = nullptr;
  QSpinBox* edKeptFiles_ = nullptr;
};

}  // namespace quillon
