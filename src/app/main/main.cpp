#include <QApplication>
#include <QStringList>

#include "app/main/main_window.h"
#include "app/main/scope_windows.h"
#include "app/support/current_prompt.h"
#include "app/support/qt_prompt.h"
#include "link/link_hub.h"
#include "platform/files.h"
#include "workspace/paths.h"

// quillon [--scope FILE.scp]... [--record FILE.rec]...: each scope window file and record named is
// opened at start.
int main(int argc, char** argv) {
  // Paths first: every window builds its file names on them.
  quillon::InitWorkspacePaths(quillon::ProgramDirectory());
  QApplication app(argc, argv);
  quillon::QtPrompt prompt;
  quillon::ScopedPrompt installed(prompt);
  // The worker registries of the whole program: made before any window, gone after the last.
  quillon::LinkHub hub(quillon::Workspace().program);
  quillon::Tmain window(quillon::Workspace(), hub);
  window.show();
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i + 1 < args.size(); ++i) {
    if (args[i] == QStringLiteral("--scope")) {
      window.Scopes().OpenScopeFile(args[++i].toStdString());
    } else if (args[i] == QStringLiteral("--record")) {
      window.Scopes().OpenRecord(args[++i]);
    }
  }
  return app.exec();
}
