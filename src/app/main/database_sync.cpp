#include "app/main/database_sync.h"

#include <QMetaObject>
#include <exception>

namespace quillon {

DatabaseSync::DatabaseSync(QObject* parent) : QObject(parent) {}

DatabaseSync::~DatabaseSync() {
  if (worker_.joinable()) worker_.join();
}

bool DatabaseSync::Start(std::string devicesDir, std::string remote, GitAuthor author,
                         std::vector<SyncResolution> resolutions) {
  if (running_) return false;
  if (worker_.joinable()) worker_.join();
  running_ = true;
  worker_ = std::thread([this, devicesDir = std::move(devicesDir), remote = std::move(remote),
                         author = std::move(author), resolutions = std::move(resolutions)] {
    HistoryResult<SyncReport> result;
    try {
      const GitLibrary git;
      result = SyncDevices(git, devicesDir, remote, author, resolutions);
    } catch (const std::exception& failure) {
      result = {{}, failure.what()};
    }
    QMetaObject::invokeMethod(
        this,
        [this, result = std::move(result)]() mutable {
          running_ = false;
          result_ = std::move(result);
          emit Finished();
        },
        Qt::QueuedConnection);
  });
  return true;
}

std::string SyncSummary(const SyncReport& report) {
  int pulled = 0;
  int pushed = 0;
  int merged = 0;
  for (const SyncFileOutcome& file : report.files) {
    if (file.kind == SyncFileOutcome::Kind::kPulled) ++pulled;
    if (file.kind == SyncFileOutcome::Kind::kPushed) ++pushed;
    if (file.kind == SyncFileOutcome::Kind::kMerged) ++merged;
  }
  return "получено " + std::to_string(pulled) + ", отправлено " + std::to_string(pushed) + ", объединено " +
         std::to_string(merged);
}

}  // namespace quillon
