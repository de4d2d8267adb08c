#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main/main_window.h"
#include "app/main/scope_windows.h"
#include "app/support/current_prompt.h"
#include "app/support/qt_prompt.h"
#include "link/link_hub.h"
#include "workspace/paths.h"
#include "workspace/start_arguments.h"
#include "workspace/workspace_location.h"

// quillon [--workspace DIR] [--scope FILE.scp]... [--record FILE.rec]... [FILE.scp|FILE.rec]...:
// each scope window file and record named is opened at start.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Matches the window to its desktop entry (icon, name) on Wayland desktops too.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.quillon.Quillon"));
  std::vector<std::string> args;
  const QStringList qtArgs = QApplication::arguments();  // Qt's own options are gone by now
  for (qsizetype i = 1; i < qtArgs.size(); ++i) args.push_back(qtArgs[i].toStdString());
  const quillon::StartArguments start = quillon::ParseStartArguments(args);
  for (const std::string& problem : start.problems) std::fprintf(stderr, "quillon: %s\n", problem.c_str());

  // Paths before any window: every window builds its file names on them.
  const quillon::WorkspaceLocation location = quillon::LocateWorkspace(start.workspace);
  const std::vector<std::string> unprepared = quillon::PrepareWorkspace(location.root, location.installedData);
  quillon::InitWorkspacePaths(location.root);
  quillon::QtPrompt prompt;
  quillon::ScopedPrompt installed(prompt);
  // The worker registries of the whole program: made before any window, gone after the last.
  quillon::LinkHub hub(quillon::Workspace().program);
  quillon::Tmain window(quillon::Workspace(), hub);
  window.show();
  if (!unprepared.empty()) {
    // Told once the window is up, so the box has a parent; the program still runs.
    std::string text = "Рабочая папка " + quillon::PathForDisplay(location.root) + " подготовлена не полностью:";
    for (const std::string& line : unprepared) text += "\n" + line;
    QTimer::singleShot(0, &window, [&window, text] {
      QMessageBox::warning(&window, QStringLiteral("Quillon"), QString::fromStdString(text));
    });
  }
  for (const std::string& file : start.scopeFiles) window.Scopes().OpenScopeFile(file);
  for (const std::string& file : start.recordFiles) window.Scopes().OpenRecord(QString::fromStdString(file));
  return app.exec();
}
