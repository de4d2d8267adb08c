#pragma once
// The toolbar buttons that open the service tools. Each press copies the main window's link
// settings into the tool's own record and shows the tool; one window per tool is kept for the
// whole session, so a tool closed and opened again still holds its log and its entries.
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "app/support/tool_window.h"
#include "scope/base_property.h"

class QToolBar;
class QToolButton;
class QWidget;

namespace quillon {

enum class ToolKind { Report, Terminal, CosPhi, AlarmBuffer, FileOperations, EventBuffer, Player };
inline constexpr std::size_t kToolKindCount = 7;

class ToolLaunchers : public QObject {
  Q_OBJECT

 public:
  using Factory = std::function<TToolWindow*(const ToolContext&, const TBaseProperty&, QWidget* parent)>;

  // `linkSettings` reads the main window's link fields; the tool windows are children of
  // `owner`, so they go with it.
  ToolLaunchers(const ToolContext& context, std::function<TBaseProperty()> linkSettings, QWidget* owner);
  // Closes the tool windows: the owner ends them while the link task queue still runs.
  ~ToolLaunchers() override;

  // Appends the button of `kind` to `bar`.
  QToolButton* AddButton(QToolBar* bar, ToolKind kind);
  // How the tool's window is made; a tool without a factory opens an empty window of its caption.
  void SetFactory(ToolKind kind, Factory factory);

  // The press of the tool's button: fresh link settings, then the window shown and raised.
  TToolWindow* Open(ToolKind kind);
  // The tool's window when it was opened before.
  TToolWindow* Window(ToolKind kind) const;

 private:
  ToolContext context_;
  std::function<TBaseProperty()> linkSettings_;
  QWidget* owner_;
  std::array<Factory, kToolKindCount> factories_;
  std::array<QPointer<TToolWindow>, kToolKindCount> windows_;
};

// What a tool receives of the link fields: every tool gets the port, protocol, frame end, bit
// rate and device file; the terminal also the IP address and TCP port; the file operations, the
// event buffer and the player also the device address.
TBaseProperty ToolLinkSettings(ToolKind kind, const TBaseProperty& fields);

}  // namespace quillon
