#pragma once
// The frame every service tool of the toolbar is opened in. A tool keeps its own copy of the
// link settings the main window had when its button was pressed: later changes in the main
// window do not reach an open tool until the button is pressed again.
#include <QWidget>
#include <functional>
#include <string>

#include "scope/base_property.h"
#include "workspace/paths.h"

namespace quillon {

class LinkTaskQueue;
class LinkHub;

// What a tool window needs from the program: the workspace, the queue that carries its
// registry work off the window's thread, and the main window's record opener.
struct ToolContext {
  WorkspacePaths paths;
  LinkTaskQueue& tasks;
  // The program's worker registries; only tasks on the queue touch them.
  LinkHub& hub;
  // Opens a record file (.rec) in a new scope window of the main window's list; empty in tests
  // that have no main window.
  std::function<void(const std::string& path)> openRecord;
};

// A top-level window, not modal. Closing only hides it: the main window keeps one of each tool
// and shows it again, with what it held, on the next press of its button.
class TToolWindow : public QWidget {
  Q_OBJECT

 public:
  TToolWindow(const ToolContext& context, const TBaseProperty& link, const QString& caption, QWidget* parent = nullptr);

  // Takes a fresh copy of the main window's link settings (each press of the tool's button).
  // A tool that shows the settings in fields of its own refreshes them here.
  virtual void ApplyLink(const TBaseProperty& link) { Property = link; }

  // The tool's own link settings.
  TBaseProperty Property;

 protected:
  const ToolContext& Context() const { return context_; }

 private:
  ToolContext context_;
};

}  // namespace quillon
