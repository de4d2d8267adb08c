#pragma once
// Where the workspace is. Run from its build folder the program keeps its workspace beside the
// executable, as it always has. Installed (the executable sits in <prefix>/bin beside
// <prefix>/share/quillon), the binaries' folder is not the user's to write, so the workspace is
// the user's own data folder, $XDG_DATA_HOME/Quillon. Either can be overridden, by --workspace
// on the command line or by QUILLON_WORKSPACE in the environment, in that order.
#include <string>
#include <vector>

namespace quillon {

// What the choice depends on, gathered by the caller so that the choice itself is pure.
struct WorkspaceSources {
  std::string option;         // --workspace DIR, empty when not given
  std::string environment;    // QUILLON_WORKSPACE, empty when unset
  std::string xdgDataHome;    // XDG_DATA_HOME, empty when unset
  std::string home;           // HOME (or the password database's home), empty when unknown
  std::string programDir;     // the executable's folder, ending in "/"
  std::string installedData;  // <prefix>/share/quillon/ when installed, else empty
};

// The workspace root, ending in "/". A relative --workspace or QUILLON_WORKSPACE is taken from
// `currentDir`. XDG_DATA_HOME counts only when absolute, as the XDG rules say; without it the
// user's data folder is ~/.local/share.
std::string ChooseWorkspaceRoot(const WorkspaceSources& sources, const std::string& currentDir);

// The installed data folder beside an executable in <prefix>/bin: "<prefix>/share/quillon/"
// when it exists, else empty (the program runs from its build folder).
std::string InstalledDataDirectory(const std::string& programDir);

// The workspace of this process, from its --workspace value (empty when not given), its
// environment, its executable and its current folder.
struct WorkspaceLocation {
  std::string root;           // ending in "/"
  std::string installedData;  // empty when the program runs from its build folder
};
WorkspaceLocation LocateWorkspace(const std::string& option);

// The folders the program keeps its files in, relative to the workspace root.
const std::vector<std::string>& WorkspaceFolders();

// The shipped files a workspace gets from the installed data folder: the device templates, the
// report templates and the help document.
const std::vector<std::string>& ShippedFolders();

// For an installed program: makes the workspace's folders and copies every shipped file it lacks
// from `installedData`, at every start, so that templates a newer package brings arrive too.
// What the user already has is never overwritten, so a template they edited stays theirs. Run from
// the build folder (`installedData` empty) it does nothing: that workspace is the developer's.
// Returns the problems in the engineer's words (one line each); empty when all went well.
std::vector<std::string> PrepareWorkspace(const std::string& root, const std::string& installedData);

}  // namespace quillon
