#pragma once
// The team sync of Devices/ run off the window's thread: fetching from and pushing to a remote
// repository takes as long as the network does, and the window keeps answering meanwhile. One
// sync at a time; the result comes back to the window's thread as the queued Finished signal.
#include <QObject>
#include <string>
#include <thread>
#include <vector>

#include "history/device_sync.h"

namespace quillon {

class DatabaseSync : public QObject {
  Q_OBJECT

 public:
  explicit DatabaseSync(QObject* parent = nullptr);
  // Waits for a sync under way: it writes Devices/, which must not be left half done.
  ~DatabaseSync() override;

  bool Running() const { return running_; }
  // False when a sync is still under way.
  bool Start(std::string devicesDir, std::string remote, GitAuthor author, std::vector<SyncResolution> resolutions);
  // The last sync's outcome, valid from Finished until the next Start.
  const HistoryResult<SyncReport>& Result() const { return result_; }

 signals:
  void Finished();

 private:
  std::thread worker_;
  bool running_ = false;
  HistoryResult<SyncReport> result_;
};

// "получено 2, отправлено 1, объединено 1": the files the sync took, gave and merged.
std::string SyncSummary(const SyncReport& report);

}  // namespace quillon
