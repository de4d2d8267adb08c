#include "app/main/scope_windows.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

#include "app/scope/link_window.h"
#include "app/scope/link_window_options.h"
#include "app/scope/window_property_dialog.h"
#include "app/support/current_prompt.h"
#include "app/widgets/widget_helpers.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/port_names.h"
#include "scope/device_scope_file.h"
#include "scope/scope_menu_text.h"

namespace quillon {

ScopeWindows::ScopeWindows(const WorkspacePaths& paths, LinkTaskQueue& tasks, LinkHub& hub, QWidget* dialogParent)
    : QObject(dialogParent),
      property_(std::make_unique<TWindowProperty>(paths, dialogParent)),
      options_(std::make_unique<TfmLinkWindowOptions>(paths.SettingsFile(), dialogParent)) {
  property_->ListComPorts = [&hub] { return hub.Serial().ListComPorts(); };
  context_ = std::make_unique<ScopeContext>(ScopeContext{paths, tasks, hub, *property_, *options_, traceNames_});
  frameClock_ = Named(new QTimer(this), "ScopeFrameClock");
  frameClock_->setInterval(kScopeFrameIntervalMs);
  frameClock_->setTimerType(Qt::PreciseTimer);
  context_->frameClock = frameClock_;
}

ScopeWindows::~ScopeWindows() { CloseAll(); }

TLinkWindowFm* ScopeWindows::Create() {
  auto* window = new TLinkWindowFm(*context_);  // deletes itself on close
  windows_.emplace_back(window);
  if (!frameClock_->isActive()) frameClock_->start();
  connect(window, &TLinkWindowFm::WindowGone, this, &ScopeWindows::Remove);
  connect(window, &TLinkWindowFm::OpenRecordRequested, this, &ScopeWindows::OpenRecord);
  window->show();
  return window;
}

void ScopeWindows::Remove(TLinkWindowFm* window) {
  std::erase_if(windows_,
                [window](const QPointer<TLinkWindowFm>& listed) { return listed.isNull() || listed.data() == window; });
}

void ScopeWindows::NewScope() { Create()->NewMnClick(); }

void ScopeWindows::OpenScope() { Create()->OpenExistMnClick(); }

void ScopeWindows::ViewRecord() { Create()->OpenRecViewerMnClick(); }

TLinkWindowFm* ScopeWindows::OpenScopeFile(const std::string& path) {
  TLinkWindowFm* window = Create();
  if (window->LoadScopeFile(path)) return window;
  window->close();
  return nullptr;
}

TLinkWindowFm* ScopeWindows::OpenConnectedDeviceScope(const std::string& idLine, const std::string& devicePath,
                                                      const LinkFieldTexts& fields) {
  const ConnectedScopeResult prepared =
      PrepareConnectedScopeFile(idLine, devicePath, ConnectedScopePort(fields), context_->paths);
  if (!prepared.path) {
    if (!prepared.problem.empty()) CurrentPrompt().Warning("Quillon", prepared.problem);
    return nullptr;
  }
  return OpenScopeFile(*prepared.path);
}

void ScopeWindows::OpenRecord(const QString& path) {
  TLinkWindowFm* window = Create();
  if (!window->OpenRecFile(path.toStdString())) window->close();
}

void ScopeWindows::FillMenu(QMenu& menu, const std::function<void()>& connectedScope) {
  menu.clear();
  QAction* connected =
      Named(menu.addAction(QStringLiteral("Открыть осциллограф подключенного устройства")), "mnScopeCurDevOpen");
  if (connectedScope) connect(connected, &QAction::triggered, this, connectedScope);
  connect(Named(menu.addAction(QStringLiteral("Открыть осциллограф")), "mnOpenScope"), &QAction::triggered, this,
          &ScopeWindows::OpenScope);
  connect(Named(menu.addAction(QStringLiteral("Просмотр осциллограммы")), "mnViewRecord"), &QAction::triggered, this,
          &ScopeWindows::ViewRecord);
  connect(Named(menu.addAction(QStringLiteral("Новый осциллограф")), "mnNewScope"), &QAction::triggered, this,
          &ScopeWindows::NewScope);
  menu.addSeparator();
  for (const QPointer<TLinkWindowFm>& window : windows_) {
    if (window.isNull()) continue;
    const std::string text = ScopeWindowMenuText(window->Property(), window->windowTitle().toStdString());
    QAction* item = menu.addAction(Text(text));
    connect(item, &QAction::triggered, window.data(), [target = window] {
      if (target.isNull()) return;
      target->showNormal();
      target->raise();
      target->activateWindow();
    });
  }
}

void ScopeWindows::CloseAll() {
  // Copied: each window removes itself from the list as it goes.
  const std::vector<QPointer<TLinkWindowFm>> open = windows_;
  for (const QPointer<TLinkWindowFm>& window : open) delete window.data();
  windows_.clear();
  try {
    options_->Store();
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", std::string("Не удалось сохранить настройки:\r\n") + error.what());
  }
}

}  // namespace quillon
