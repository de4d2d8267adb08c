#pragma once
// TNewDevice: the device file for a controller the database does not know yet ("Новое
// устройство"), or a fresh one for a controller whose firmware changed ("Обновление программы
// устройства"), made from a template of DeviceTemplate/ or as a clone of another device.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "maintenance/device_templates.h"
#include "workspace/paths.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

class TemplateComboBox;

class TNewDevice : public QDialog {
  Q_OBJECT

 public:
  explicit TNewDevice(const WorkspacePaths& paths, QWidget* parent = nullptr);

  // Shows the dialog modally for the identity string of a controller without a device file.
  // True when a device file was written (from a template or as a clone).
  bool ExecuteNewDevice(const std::string& idText);
  // The same for the existing device file of a controller whose firmware changed; the texts of
  // that file are offered again.
  bool ExecuteFirmwareUpdate(const std::string& devicePath, const std::string& idText);

  // The device file written; empty when none was.
  const std::string& WrittenPath() const { return writtenPath_; }
  const std::vector<TemplateEntry>& Templates() const { return templates_; }

  // Asked for the file "Добавить шаблон" copies (empty: nothing chosen); a file dialog when unset.
  std::function<std::string()> ChooseTemplateFile;

 private:
  void BuildControls();
  // What showing does: the identity into the fields, the template list with its preselection.
  void Prepare(const std::string& idText, const std::string& devicePath);
  void FillTemplates();
  void btAddTemlateClick();
  void btAddDeviceToBaseClick();
  void btCreateCloneClick();

  WorkspacePaths paths_;
  std::string existingPath_;
  std::string serial_;
  std::string deviceVersion_;
  std::string firmwareVersion_;
  std::vector<TemplateEntry> templates_;
  std::string writtenPath_;

  QLabel* pnWarning_ = nullptr;
  QLineEdit* edID_ = nullptr;
  QLineEdit* edType_ = nullptr;
  QLabel* lbHV_ = nullptr;
  QLabel* lbFV_ = nullptr;
  QLabel* lbROMDate_ = nullptr;
  QLineEdit* edMech_ = nullptr;
  QLineEdit* edLocation_ = nullptr;
  TemplateComboBox* cbTemplate_ = nullptr;
  QPushButton* btAddTemlate_ = nullptr;
  QPushButton* btCreateClone_ = nullptr;
  QPushButton* btAddDeviceToBase_ = nullptr;
  QPushButton* btCancel_ = nullptr;
};

}  // namespace quillon
