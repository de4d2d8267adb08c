// "Синхронизировать" of the catalogue's menu: the device database exchanged with the team's
// repository on a worker, the catalogue and the open device read afresh when it is done, and
// the keys both sides changed put to the engineer before anything is merged.
#include <QAction>
#include <filesystem>

#include "app/main/database_sync.h"
#include "app/main/main_window.h"
#include "app/main/sync_conflicts.h"
#include "app/support/current_prompt.h"
#include "history/device_history.h"

namespace quillon {

namespace {

bool SyncRewrote(const SyncReport& report, const std::string& devicesDir, const std::string& filePath) {
  namespace fs = std::filesystem;
  std::error_code ignored;
  const fs::path open = fs::weakly_canonical(fs::absolute(filePath), ignored);
  for (const SyncFileOutcome& file : report.files) {
    if (file.kind == SyncFileOutcome::Kind::kPushed) continue;
    if (fs::weakly_canonical(fs::absolute(fs::path(devicesDir) / file.path), ignored) == open) return true;
  }
  return false;
}

}  // namespace

void Tmain::pmTV_mnSync() { StartSync({}); }

void Tmain::StartSync(std::vector<SyncResolution> resolutions) {
  if (databaseSync_->Running()) return;
  // Only versions are exchanged: an edit still in the window would be left behind, or be
  // overwritten by the team's file when the window saved it later.
  if (!devicePath_.empty() && !CheckUnsavedChanges()) return;
  const std::string remote = DatabaseRemote(paths_.SettingsFile());
  if (remote.empty()) {
    CurrentPrompt().Warning(
        "Quillon", "Не задано хранилище команды: укажите DatabaseRemote в разделе Settings файла settings.ini");
    return;
  }
  mnSync_->setEnabled(false);
  ShowStatus("Синхронизация с хранилищем команды...", remote);
  databaseSync_->Start(paths_.devices, remote, EngineerAuthor(paths_.SettingsFile()), std::move(resolutions));
}

void Tmain::SyncFinished() {
  mnSync_->setEnabled(true);
  const HistoryResult<SyncReport>& result = databaseSync_->Result();
  if (!result) {
    ShowStatus("Синхронизация не выполнена", result.error);
    CurrentPrompt().Warning("Quillon", "Синхронизация не выполнена:\r\n" + result.error);
    return;
  }
  if (result.value.HasConflicts()) {
    ShowStatus("Синхронизация ждёт выбора значений");
    TfSyncConflicts choices(result.value.files, this);
    if (choices.exec() == QDialog::Accepted && choices.AllChosen()) StartSync(choices.Resolutions());
    return;
  }
  // The open device is read again only when the sync rewrote its file (its edits were saved or
  // dropped before the sync began): otherwise the controller's values read stay on show.
  if (!devicePath_.empty() && SyncRewrote(result.value, paths_.devices, devicePath_)) {
    std::error_code ignored;
    if (!std::filesystem::exists(devicePath_, ignored)) devicePath_.clear();
    LoadDevice();
  }
  FillCatalogue();
  // The counts go to the tip: the status line beside the buttons is short.
  ShowStatus("Синхронизировано", SyncSummary(result.value));
}

}  // namespace quillon
