// The database maintenance the main window starts: a device file for a controller the database
// does not know, a fresh one after a firmware change, and the clone of another device's
// parameters into the open device.
#include <QTreeWidgetItem>

#include "app/main/catalogue_tree.h"
#include "app/main/history_dialog.h"
#include "app/main/main_window.h"
#include "app/maintenance/clone_form.h"
#include "app/maintenance/new_device_dialog.h"
#include "app/support/current_prompt.h"
#include "app/widgets/widget_helpers.h"
#include "history/restore_version.h"
#include "maintenance/clone_device.h"

namespace quillon {

namespace {

bool InNewGroup(const QTreeWidgetItem* node) {
  return node != nullptr && CatalogueTree::NodePath(node).empty() && node->parent() != nullptr &&
         node->parent()->text(0) == Text(std::string(kNewGroupCaption));
}

// The node of `caption` in the group "New", the last one in tree order; nullptr when none. (The
// same caption may also stand under a port's group of search results.)
QTreeWidgetItem* NewDeviceNodeOf(const CatalogueTree& tree, const QString& caption) {
  const QList<QTreeWidgetItem*> nodes = tree.AllNodes();
  for (auto node = nodes.crbegin(); node != nodes.crend(); ++node) {
    if ((*node)->text(0) == caption && InNewGroup(*node)) return *node;
  }
  return nullptr;
}

}  // namespace

bool Tmain::IsNewDeviceNode(const QTreeWidgetItem* node) { return InNewGroup(node); }

bool Tmain::OpenNewDevice(const QString& caption) {
  TNewDevice dialog(paths_, this);
  if (!dialog.ExecuteNewDevice(caption.toStdString())) return false;
  if (QTreeWidgetItem* node = NewDeviceNodeOf(*tv_, caption)) {
    QTreeWidgetItem* group = node->parent();
    delete node;
    if (group != nullptr && group->childCount() == 0) delete group;
  }
  FillCatalogue();
  return true;
}

std::optional<std::string> Tmain::UpdateDeviceFirmware(const std::string& path, const std::string& idText) {
  // The dialog may replace the file under the open device: its edits are offered for saving
  // first, and whatever the dialog does, the device is read from its file afresh.
  if (!CheckUnsavedChanges()) {
    SelectOpenDeviceNode();
    return std::nullopt;
  }
  devicePath_.clear();
  LoadDevice();
  TNewDevice dialog(paths_, this);
  const bool written = dialog.ExecuteFirmwareUpdate(path, idText);
  FillCatalogue();
  return written ? dialog.WrittenPath() : path;
}

void Tmain::ConnectUnknownDevice(const std::string& idText, bool repeated) {
  catalogue_.AddToNewGroup(idText);
  tv_->ShowCatalogue(catalogue_);
  // Left open, the previous device would take this controller's values into its own file.
  if (!CheckUnsavedChanges()) {
    SelectOpenDeviceNode();
    return;
  }
  devicePath_.clear();
  LoadDevice();
  const QString caption = Text(idText);
  if (QTreeWidgetItem* node = NewDeviceNodeOf(*tv_, caption)) {
    tv_->setCurrentItem(node);
    tv_->scrollToItem(node);
  }
  if (!repeated) {
    // A device file made in the dialog is found, read and shown by the second run.
    OpenNewDevice(caption);
    ConnectContinuation(true);
    return;
  }
  ShowStatus("Устройство не найдено в базе",
             "Устройства " + idText + " нет в базе: оно добавлено в группу New, параметры не прочитаны");
}

void Tmain::btCreateCloneClick() {
  if (devicePath_.empty()) return;
  // The clone replaces the file under the open device's edits.
  if (!CheckUnsavedChanges()) return;
  TCloneForm clone(paths_, this);
  if (!clone.Execute(CloneTargetOfFile(devicePath_))) return;
  LoadDevice();
  FillCatalogue();
}

void Tmain::btHistoryClick() {
  if (devicePath_.empty()) return;
  TfHistory history(
      paths_, devicePath_,
      [this](const std::string& rev, const DeviceVersion& version) { return RestoreVersion(rev, version.time); }, this);
  history.exec();
}

bool Tmain::RestoreVersion(const std::string& rev, const std::string& time) {
  // The restore replaces the file under the open device's edits.
  if (!CheckUnsavedChanges()) return false;
  if (!CurrentPrompt().Question("Подтверждение", "Восстановить версию от " + time + "?")) return false;
  const GitLibrary git;
  const RestoreOutcome outcome = RestoreDeviceVersion(git, paths_, devicePath_, rev);
  if (!outcome.Restored()) {
    CurrentPrompt().Warning("Quillon", "Не удалось восстановить версию:\r\n" + outcome.error);
    return false;
  }
  if (const std::string warning = HistoryWarning(outcome.record); !warning.empty()) {
    CurrentPrompt().Warning("Quillon", warning);
  }
  LoadDevice();
  FillCatalogue();
  return true;
}

}  // namespace quillon
