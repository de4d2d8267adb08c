#pragma once
// The main window's scope windows: every scope window the program opens is listed here until
// it goes away, the pmWindow menu lists them, and any tool may ask for a record to be opened
// in a new scope window. The one "Свойства окна" dialog and the one options dialog of the
// program live here as well.
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/scope/scope_context.h"
#include "link/link_check.h"
#include "scope/trace_names.h"

class QMenu;
class QTimer;

namespace quillon {

class TLinkWindowFm;
class TWindowProperty;
class TfmLinkWindowOptions;

class ScopeWindows : public QObject {
  Q_OBJECT

 public:
  // `tasks` outlives this object; `dialogParent` parents the shared dialogs.
  ScopeWindows(const WorkspacePaths& paths, LinkTaskQueue& tasks, LinkHub& hub, QWidget* dialogParent);
  ~ScopeWindows() override;

  // A new scope window, listed and shown.
  TLinkWindowFm* Create();
  void NewScope();    // "Новый осциллограф"
  void OpenScope();   // "Открыть осциллограф"
  void ViewRecord();  // "Просмотр осциллограммы"
  // Loads a scope window file into a new window; null when the file was refused.
  TLinkWindowFm* OpenScopeFile(const std::string& path);
  // The scope window of the connected device: its file in ScopeWindow/ made from the firmware's
  // template or from the device's RAM set the first time, then reused.
  TLinkWindowFm* OpenConnectedDeviceScope(const std::string& idLine, const std::string& devicePath,
                                          const LinkFieldTexts& fields);
  // A record opened in a new window (what tools ask for).
  void OpenRecord(const QString& path);

  // Refills pmWindow: the fixed items, a separator, one item per open scope window.
  // `connectedScope` runs "Открыть осциллограф подключенного устройства".
  void FillMenu(QMenu& menu, const std::function<void()>& connectedScope = {});
  const std::vector<QPointer<TLinkWindowFm>>& Windows() const { return windows_; }
  // Closes every scope window (before the link task queue goes) and stores the options.
  void CloseAll();

  ScopeContext& Context() { return *context_; }
  TfmLinkWindowOptions& Options() { return *options_; }

 private:
  void Remove(TLinkWindowFm* window);

  std::unique_ptr<TWindowProperty> property_;
  std::unique_ptr<TfmLinkWindowOptions> options_;
  TraceNames traceNames_;
  std::unique_ptr<ScopeContext> context_;
  std::vector<QPointer<TLinkWindowFm>> windows_;
  QTimer* frameClock_ = nullptr;
};

}  // namespace quillon
