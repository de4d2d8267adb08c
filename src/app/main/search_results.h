#pragma once
// TSearchRes ("Результаты поиска"): asks every MODBUS RTU address of a port for its slave ID
// and lists the identification strings that came back. The request record belongs to a
// DeviceSweep shared with the link task queue, so it outlives the window until it is out of
// the port's worker.
#include <QDialog>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/attachment.h"
#include "link/device_search.h"
#include "link/link_check.h"
#include "workspace/paths.h"

class QListWidget;
class QListWidgetItem;

namespace quillon {

class LinkTaskQueue;
class LinkHub;

// pnSearchStop: a panel that acts as a button and carries the search progress.
class SearchStopPanel : public QWidget {
  Q_OBJECT

 public:
  explicit SearchStopPanel(QWidget* parent = nullptr);
  void SetCounter(std::uint8_t counter);
  std::uint8_t Counter() const { return counter_; }
  bool Pressed() const { return pressed_; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::uint8_t counter_ = 0;
  bool pressed_ = false;
};

class TSearchRes : public QDialog {
  Q_OBJECT

 public:
  TSearchRes(const WorkspacePaths& paths, LinkTaskQueue& tasks, LinkHub& hub, QWidget* parent = nullptr);
  ~TSearchRes() override;

  // Clears the list and starts polling the fields' port; show the window with exec() after.
  // Settings that do not read as numbers, or a port that does not open, leave the list empty.
  void Start(const LinkFieldTexts& fields);
  // The strings found so far, in list order.
  std::vector<FoundDevice> Results() const { return results_; }
  bool Searching() const { return searching_; }

  void done(int result) override;

 private:
  void ShowStep(std::uint64_t generation, const SweepStep& step);
  void Registered(std::uint64_t generation, bool polling);
  void StopSearch();
  void Withdraw();
  void SrListDblClick(QListWidgetItem* item);

  WorkspacePaths paths_;
  LinkTaskQueue& tasks_;
  // The sweep's hold on its port. Used only by tasks on the queue, which keep it alive; the
  // last of them lets it go there.
  std::shared_ptr<Attachment> line_;
  QListWidget* SrList_ = nullptr;
  SearchStopPanel* pnSearchStop_ = nullptr;
  std::shared_ptr<DeviceSweep> sweep_;
  bool attached_ = false;  // a sweep went to the line and has not been withdrawn
  std::uint64_t generation_ = 0;
  bool searching_ = false;
  std::vector<FoundDevice> results_;
};

}  // namespace quillon
