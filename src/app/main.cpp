#include <QApplication>

#include "main/main_window.h"
#include "main/qt_prompt.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "workspace/paths.h"

int main(int argc, char** argv) {
  // Paths first: every window builds its file names on them.
  quillon::InitWorkspacePaths(quillon::ProgramDirectory());
  QApplication app(argc, argv);
  quillon::QtPrompt prompt;
  quillon::ScopedPrompt installed(prompt);
  quillon::Tmain window(quillon::Workspace());
  window.show();
  return app.exec();
}
