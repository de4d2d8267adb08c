#pragma once
// The plug-in buttons of the main window's toolbar: the libraries the open device names in its
// `Plugins` value, loaded when the device is opened and unloaded when another one is (or at
// exit), each with a button right of the toolbar's last control.
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "plugins/plugin_library.h"
#include "scope/base_property.h"

class QToolBar;
class QToolButton;

namespace quillon {

class PluginButtons : public QObject {
  Q_OBJECT

 public:
  PluginButtons(QToolBar& toolbar, std::string programDirectory);
  ~PluginButtons() override;

  // Unloads the previous plug-ins, then loads those of the device file (none for an empty path).
  // Returns the warnings of the names and libraries that were skipped.
  std::vector<std::string> Load(const std::string& devicePath);
  void Unload();

  // The link settings a plug-in receives when its button is clicked.
  std::function<TBaseProperty()> LinkSettings;
  // Host handles handed through as they are (the registry, the application, the table).
  void* Registry = nullptr;
  void* Application = nullptr;
  void* Table = nullptr;

  const std::vector<QToolButton*>& Buttons() const { return buttons_; }

 private:
  void btPlugClick(std::size_t index);

  QToolBar& toolbar_;
  std::string programDirectory_;
  LoadedPlugins plugins_;
  std::vector<QToolButton*> buttons_;
};

}  // namespace quillon
