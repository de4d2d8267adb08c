#pragma once
// The workspace: every directory the program keeps its files in, rooted at the program
// directory. Every file path is built by plain concatenation onto one of these strings, so
// each directory string ends in "/".
#include <string>
#include <string_view>

namespace quillon {

struct WorkspacePaths {
  std::string program;         // the program directory itself
  std::string devices;         // Devices/: one group directory per kind, device files inside
  std::string deviceTemplate;  // DeviceTemplate/
  std::string records;         // Records/: recorded oscillograms (.rec)
  std::string scopeWindow;     // ScopeWindow/: scope window files (.scp)
  std::string help;            // Help/
  std::string plugins;         // Plugins/
  std::string trace;           // Trace/
  std::string abTemplate;      // ABTemplate/: statistics descriptions (.sta)
  std::string eventRec;        // EventRec/

  std::string SettingsFile() const;    // settings.ini in the program directory
  std::string BackUp() const;          // devices + "BackUp/"
  std::string ScopeTemplate() const;   // program + "ScopeTemplate/"
  std::string Xlt() const;             // program + "XLT/"
  std::string EventsAndStats() const;  // program + "EventsAndStats/"
  std::string Reports() const;         // program + "Reports/": the spreadsheets made from XLT/
};

// Paths of a workspace rooted at `programDir` ("\" accepted; a missing trailing "/" is added).
WorkspacePaths MakeWorkspacePaths(std::string programDir);

// Sets the process-wide paths. Called once at start-up before any window exists; tests may
// call it again to point the program at another workspace.
void InitWorkspacePaths(std::string programDir);

// The process-wide paths. Throws std::logic_error when InitWorkspacePaths was never called.
const WorkspacePaths& Workspace();
// Whether InitWorkspacePaths was called: code used both by the programs and by bare tests asks.
bool WorkspaceIsSet();

// A path as text for the engineer to read. File operations always take the path's own bytes;
// only what is shown is decoded. Names that are not UTF-8 come from archives packed on Windows,
// so each such name is read as Windows-1251.
std::string PathForDisplay(std::string_view path);

}  // namespace quillon
