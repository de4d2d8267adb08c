#pragma once
// TrafficMonitor ("Монитор обмена"): every frame of every link the program has open, as it went
// out and came back, when, and the verdict on each answer. The window switches the hub's traffic
// tap on while it exists and drains it every tenth of a second on its own thread (a drain never
// waits); the workers pay for the tap only while someone watches.
//
// Pause freezes the table so the engineer can read: frames keep being drained and are held aside
// (as many as the table holds, the oldest giving way), then join the table when the pause ends.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/traffic_log.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace quillon {

class TrafficTap;
class TrafficTableModel;

class TrafficMonitor : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDrainIntervalMs = 100;

  // `tap` outlives the window (the hub's). Saves start in `saveFolder`.
  TrafficMonitor(TrafficTap& tap, std::string saveFolder, QWidget* parent = nullptr);
  ~TrafficMonitor() override;

  // Drains the tap now (the timer's tick).
  void tmrDrainTimer();
  void btPauseToggled(bool paused);
  void btClearClick();
  void btSaveClick();
  // Writes the rows shown to `path`; a failure is told in a message box. True when saved.
  bool SaveTo(const std::string& path);

  // Asks where to save, starting from the proposed path; empty when the engineer cancels. Tests
  // replace the file dialog.
  std::function<QString(const QString& proposed)> ChooseSaveFile;

  const TrafficLog& Log() const;
  std::size_t Held() const { return held_.Size(); }
  QTableView* Table() const { return table_; }

 private:
  void BuildControls();
  QWidget* BuildFilterBar();
  void SizeColumns();
  void FilterChanged();
  void ShowBatch(std::span<const TrafficFrame> frames);
  void RefreshChoices();
  void ShowCounts();
  // Sends what was held during the pause to the table, oldest first.
  void ReleaseHeld();

  TrafficTap& tap_;
  std::string saveFolder_;
  TrafficTableModel* model_ = nullptr;
  // What came in during a pause, waiting to join the table.
  TrafficLog held_;
  std::vector<TrafficFrame> batch_;
  std::size_t linksShown_ = 0;
  std::vector<std::uint8_t> addressesShown_;
  // The tap's count of lost frames when the window opened: it counts for the whole program.
  std::uint64_t droppedBefore_ = 0;

  QTableView* table_ = nullptr;
  QComboBox* cbLink_ = nullptr;
  QComboBox* cbAddress_ = nullptr;
  QComboBox* cbVerdict_ = nullptr;
  QPushButton* btPause_ = nullptr;
  QPushButton* btClear_ = nullptr;
  QPushButton* btSave_ = nullptr;
  QLabel* lbCounts_ = nullptr;
  QLabel* lbSaved_ = nullptr;
  QTimer* tmrDrain_ = nullptr;
};

}  // namespace quillon
