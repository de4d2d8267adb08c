#pragma once
// Tmain, the main window: the device catalogue on the left, the link fields, the identity of
// the open device and the parameter table on the right. The window restores its geometry and
// link settings from settings.ini when it is created and stores them when it closes.
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "device/device_parameters.h"
#include "device/device_save.h"
#include "history/device_sync.h"
#include "maintenance/device_report.h"
#include "scope/base_property.h"
#include "workspace/catalogue.h"
#include "workspace/paths.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QSplitter;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidgetItem;
class QAction;

namespace quillon {

class CatalogueTree;
class DatabaseSync;
class DeviceConnection;
class LinkFields;
class ParameterTable;
class PluginButtons;
class ScopeWindows;
class ToolLaunchers;
class LinkTaskQueue;
class LinkHub;
class TTablePanel01;
class TableHeader;
class TfChangesViewer;
class TrafficMonitor;
class TView;

class Tmain : public QMainWindow {
  Q_OBJECT

 public:
  // All files are looked up under `paths`: the program passes Workspace(), tests a
  // temporary workspace.
  // `hub` outlives the window (the program's main makes it first).
  Tmain(const WorkspacePaths& paths, LinkHub& hub, QWidget* parent = nullptr);
  ~Tmain() override;

  // The device file shown in the identity fields; empty when no device is open.
  const std::string& OpenDevicePath() const { return devicePath_; }
  int SortType() const { return sortType_; }

  DeviceParameters& Parameters() { return parameters_; }
  ParameterTable& Table() { return *table_; }
  DeviceConnection& Connection() { return *connection_; }
  TfChangesViewer& ChangesViewer() { return *changesViewer_; }
  ScopeWindows& Scopes() { return *scopeWindows_; }
  const Catalogue& CatalogueModel() const { return catalogue_; }

  // The handlers of the parameter table's header and buttons.
  void btConnectClick();
  void Connect();
  void btGetIDClick();
  void onBtnControlToBaseClick();
  void onBtnBaseToControlClick();
  void btSaveBaseClick();
  void btNowClick();
  // The unsaved-changes check of closing, and of leaving the open device for another one: lists
  // what differs from the device file and offers the save. False when the engineer cancels (or
  // the save he chose did not happen): then everything stays as it was.
  bool CheckUnsavedChanges();
  // "Открыть осциллограф подключенного устройства" (the toolbar button "Осциллограф").
  void w_mnScopeCurDevOpenClick();
  // "Help" and "Quillon Help": the help document in the desktop's viewer.
  void btHelpClick();
  // "Поиск устройств в сети в сети Modbus RTU": sweeps the line, then adds what answered.
  void btSearchDeviceClick();
  // "Монитор" (the toolbar button): the one traffic monitor of the window, opened or raised.
  void btMonitorClick();
  // The open monitor; null when it was never opened or has been closed.
  TrafficMonitor* Monitor() const;
  PluginButtons& Plugins() { return *pluginButtons_; }
  ToolLaunchers& Tools() { return *toolLaunchers_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildToolBar();
  QWidget* BuildIdentityFields();
  QWidget* BuildTableArea();
  void BuildMenus();
  void BuildTimers();

  void FormCreate();
  void FormDestroy();

  void cbBUSChange();
  void cbCOMDropDown();
  void cbKeyChange();
  void tmrFirstReadTimer();
  void FillCatalogue();
  void tvClick();
  void tvContextMenu(const QPoint& position);
  bool OpenNode(const QTreeWidgetItem* node);
  void SelectOpenDeviceNode();
  void btRefreshClick();
  void pmRefresh_mnSortClick(int sortType);
  void pmTV_mnDelete();
  void pmTV_mnEditIni();
  void pmTV_mnOpenDir();
  // "Синхронизировать": Devices/ exchanged with the team's repository (main_window_sync.cpp).
  void pmTV_mnSync();
  void StartSync(std::vector<SyncResolution> resolutions);
  void SyncFinished();

  void LoadDevice();
  void ClearDeviceFields();
  void LoadPlugins();
  // The link fields and the open device as the plug-ins and the tools receive them.
  TBaseProperty LinkSettings() const;
  // The open device's path, parameter rows and scale lines for the report window.
  DeviceReportRequest ReportSource();
  void ShowStatus(const std::string& text, const std::string& details = {});
  bool SaveBase();
  DeviceChanges PendingChanges();
  void HeaderSectionClick(int section);
  void ParametersRead();
  void IdentificationDone(bool connect);
  // `repeated`: the second run, after the new-device dialog had its chance.
  void ConnectContinuation(bool repeated = false);
  void ConnectUnknownDevice(const std::string& idText, bool repeated);
  // Database maintenance (main_window_maintenance.cpp).
  // The update dialog for a device whose firmware version changed, then the catalogue refilled:
  // the device file to go on with, or nullopt when the engineer keeps the open device's edits.
  std::optional<std::string> UpdateDeviceFirmware(const std::string& path, const std::string& idText);
  // The new-device dialog for the node of `caption` under "New"; true when a file was written.
  bool OpenNewDevice(const QString& caption);
  static bool IsNewDeviceNode(const QTreeWidgetItem* node);
  void btCreateCloneClick();
  void btHistoryClick();
  // Restores an earlier version of the open device's file (from "История"): true when it did.
  bool RestoreVersion(const std::string& rev, const std::string& time);
  void WriteValue(TView& variable, const std::vector<std::uint8_t>& data);
  void ColumnWidthsChanged();
  void EnableSave();
  LinkFieldTexts CurrentLinkFields() const;
  void FocusLinkField(LinkField field);
  void PlaceForFirstStart();
  void FitTreeToContents();
  void OpenInDesktop(const std::string& path);

  const WorkspacePaths paths_;
  // The registries every window's requests go through; installed while this window lives.
  LinkHub& hub_;
  // Carries the registry work of every window off the window's thread.
  std::unique_ptr<LinkTaskQueue> linkTasks_;
  std::unique_ptr<ScopeWindows> scopeWindows_;
  std::unique_ptr<ToolLaunchers> toolLaunchers_;
  DeviceParameters parameters_;
  Catalogue catalogue_;
  int sortType_ = 0;
  // No catalogue width stored yet: the tree takes the width of its entries once it is filled.
  bool fitTreeToContents_ = false;
  std::string devicePath_;
  // The memory selector item whose section is loaded (the selector may be changed back).
  int keyIndex_ = 0;

  QToolButton* btAddScopeWindow_ = nullptr;
  QToolButton* btHelp_ = nullptr;
  QToolButton* btMonitor_ = nullptr;
  // Closing the monitor ends it (and the tap with it): nobody watching costs the workers nothing.
  QPointer<TrafficMonitor> monitor_;
  QToolButton* btSearchDevices_ = nullptr;
  QMenu* pmWindow_ = nullptr;
  PluginButtons* pluginButtons_ = nullptr;
  CatalogueTree* tv_ = nullptr;
  QSplitter* splitter1_ = nullptr;
  LinkFields* gbLink_ = nullptr;
  QLineEdit* edIDString_ = nullptr;
  QLineEdit* edMechunit_ = nullptr;
  QLineEdit* edGeography_ = nullptr;
  QLabel* stLastDate_ = nullptr;
  QPushButton* btNow_ = nullptr;
  QPushButton* btCreateClone_ = nullptr;
  QPushButton* btHistory_ = nullptr;
  QPushButton* btChangeScale_ = nullptr;
  QPushButton* btSaveBase_ = nullptr;
  TableHeader* header_ = nullptr;
  TTablePanel01* viewPanel_ = nullptr;
  ParameterTable* table_ = nullptr;
  DeviceConnection* connection_ = nullptr;
  TfChangesViewer* changesViewer_ = nullptr;
  QScrollBar* scrbrTableVert_ = nullptr;
  QToolBar* toolBar2_ = nullptr;
  QToolButton* btRefresh_ = nullptr;
  QComboBox* cbKey_ = nullptr;
  QLabel* stStatus_ = nullptr;
  QMenu* pmRefreshSort_ = nullptr;
  QMenu* pmTV_ = nullptr;
  QAction* sortActions_[5] = {};
  QAction* mnSync_ = nullptr;
  // Owned by the window (a child object); its destructor waits for a sync under way.
  DatabaseSync* databaseSync_ = nullptr;
  QTimer* tmrFirstRead_ = nullptr;
};

}  // namespace quillon
