// The main window's toolbar and what it starts: device search, the connected device's scope,
// the service tools, help and the plug-ins of the open device.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "app/main/catalogue_tree.h"
#include "app/main/help_about.h"
#include "app/main/main_window.h"
#include "app/main/plugin_buttons.h"
#include "app/main/scope_windows.h"
#include "app/main/search_results.h"
#include "app/main/tool_launchers.h"
#include "app/maintenance/report_dialog.h"
#include "app/support/current_prompt.h"
#include "app/tools/traffic_monitor.h"
#include "app/widgets/widget_helpers.h"
#include "link/link_check.h"
#include "link/link_hub.h"

namespace quillon {

DeviceReportRequest Tmain::ReportSource() {
  DeviceReportRequest source;
  source.devicePath = devicePath_;
  if (devicePath_.empty()) return source;
  source.parameters = ReportParameterRows(parameters_.List());
  source.scaleLines = parameters_.List().Scales.Lines;
  return source;
}

void Tmain::BuildToolBar() {
  toolBar2_ = Named(addToolBar(QStringLiteral("Quillon")), "ToolBar2");
  toolBar2_->setMovable(false);
  btRefresh_ = Named(new QToolButton(toolBar2_), "btRefresh");
  btRefresh_->setText(QStringLiteral("Обновить"));
  btRefresh_->setToolTip(QStringLiteral("Обновить список устройств"));
  btRefresh_->setPopupMode(QToolButton::MenuButtonPopup);
  toolBar2_->addWidget(btRefresh_);
  toolBar2_->addSeparator();
  cbKey_ = Named(new QComboBox(toolBar2_), "cbKey");
  cbKey_->addItems({QStringLiteral("FLASH"), QStringLiteral("CD"), QStringLiteral("RAM")});
  toolBar2_->addWidget(cbKey_);
  toolBar2_->addSeparator();
  btSearchDevices_ = Named(new QToolButton(toolBar2_), "btSearchDevices");
  btSearchDevices_->setText(QStringLiteral("Поиск"));
  btSearchDevices_->setToolTip(QStringLiteral("Поиск устройств в сети в сети Modbus RTU"));
  toolBar2_->addWidget(btSearchDevices_);
  toolLaunchers_->SetFactory(ToolKind::Report,
                             [this](const ToolContext& context, const TBaseProperty& link, QWidget* parent) {
                               return new TfReport(
                                   context, link, [this] { return ReportSource(); }, parent);
                             });
  toolLaunchers_->AddButton(toolBar2_, ToolKind::Report);
  btAddScopeWindow_ = Named(new QToolButton(toolBar2_), "btAddScopeWindow");
  btAddScopeWindow_->setText(QStringLiteral("Осциллограф"));
  btAddScopeWindow_->setToolTip(QStringLiteral("Осциллограф"));
  btAddScopeWindow_->setPopupMode(QToolButton::MenuButtonPopup);
  pmWindow_ = Named(new QMenu(btAddScopeWindow_), "pmWindow");
  btAddScopeWindow_->setMenu(pmWindow_);
  toolBar2_->addWidget(btAddScopeWindow_);
  toolLaunchers_->AddButton(toolBar2_, ToolKind::Terminal);
  btMonitor_ = Named(new QToolButton(toolBar2_), "btMonitor");
  btMonitor_->setText(QStringLiteral("Монитор"));
  btMonitor_->setToolTip(QStringLiteral("Монитор обмена: кадры всех открытых линий"));
  connect(btMonitor_, &QToolButton::clicked, this, &Tmain::btMonitorClick);
  toolBar2_->addWidget(btMonitor_);
  toolBar2_->addSeparator();
  for (ToolKind kind :
       {ToolKind::CosPhi, ToolKind::AlarmBuffer, ToolKind::FileOperations, ToolKind::EventBuffer, ToolKind::Player}) {
    toolLaunchers_->AddButton(toolBar2_, kind);
  }
  toolBar2_->addSeparator();
  btHelp_ = Named(new QToolButton(toolBar2_), "btHelp");
  btHelp_->setText(QStringLiteral("Help"));
  btHelp_->setToolTip(QStringLiteral("Help"));
  btHelp_->setPopupMode(QToolButton::MenuButtonPopup);
  auto* pmHelp = Named(new QMenu(btHelp_), "pmHelp");
  connect(Named(pmHelp->addAction(QStringLiteral("Quillon Help")), "mnHelp"), &QAction::triggered, this,
          &Tmain::btHelpClick);
  connect(Named(pmHelp->addAction(QStringLiteral("About...")), "mnAbout"), &QAction::triggered, this,
          [this] { TAboutQuillon::Execute(this, paths_.program); });
  btHelp_->setMenu(pmHelp);
  connect(btHelp_, &QToolButton::clicked, this, &Tmain::btHelpClick);
  toolBar2_->addWidget(btHelp_);
}

void Tmain::LoadPlugins() {
  const std::vector<std::string> warnings = pluginButtons_->Load(devicePath_);
  if (warnings.empty()) return;
  std::string details;
  for (const std::string& warning : warnings) details += warning + "\n";
  ShowStatus(warnings.front(), details);
}

// The link fields as a tool or plug-in receives them (a copy: later changes do not reach it).
TBaseProperty Tmain::LinkSettings() const {
  const LinkFieldTexts fields = CurrentLinkFields();
  TBaseProperty link;
  link.DevicePath = devicePath_;
  link.SlaveAddr = fields.address;
  // The frame-end field holds the IP address only under MODBUS TCP; otherwise it is no address.
  if (fields.Tcp()) {
    link.IPAddress = fields.Ip();
    link.IPPort = fields.tcpPort;
  }
  link.MemArea = "FLASH";
  link.Protocol = fields.protocol;
  link.PortName = fields.port;
  link.Baud = fields.baud;
  link.FrameEnd = fields.frameEnd;
  return link;
}

void Tmain::btSearchDeviceClick() {
  LinkFieldTexts fields = CurrentLinkFields();
  if (const auto failure = CheckSearchFields(fields)) {
    CurrentPrompt().Warning("Quillon", failure->message);
    FocusLinkField(failure->focus);
    return;
  }
  if (fields.frameEnd.empty()) fields.frameEnd = "8";
  TSearchRes search(paths_, *linkTasks_, hub_, this);
  search.Start(fields);
  search.exec();
  // What was found joins the catalogue under the port's group (and "New" without a device file).
  const std::vector<FoundDevice> found = search.Results();
  if (found.empty()) return;
  for (const FoundDevice& device : found)
    catalogue_.AddSearchResult(paths_, fields.port, device.id, device.noDeviceFile);
  tv_->ShowCatalogue(catalogue_);
  SelectOpenDeviceNode();
}

void Tmain::btHelpClick() { OpenHelpDocument(paths_, this); }

void Tmain::btMonitorClick() {
  if (monitor_ == nullptr) {
    monitor_ = new TrafficMonitor(hub_.Traffic(), paths_.program, this);
    monitor_->setAttribute(Qt::WA_DeleteOnClose);
  }
  monitor_->show();
  monitor_->raise();
  monitor_->activateWindow();
}

TrafficMonitor* Tmain::Monitor() const { return monitor_; }

void Tmain::w_mnScopeCurDevOpenClick() {
  const std::string idLine = edIDString_->text().toStdString();
  if (idLine.empty()) return;
  const LinkFieldTexts fields = CurrentLinkFields();
  if (const auto failure = CheckLinkFields(fields, LinkCheck::Read)) {
    CurrentPrompt().Warning("Quillon", failure->message);
    FocusLinkField(failure->focus);
    return;
  }
  scopeWindows_->OpenConnectedDeviceScope(idLine, devicePath_, fields);
}

}  // namespace quillon
