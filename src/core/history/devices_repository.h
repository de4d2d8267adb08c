#pragma once
// The git repository of Devices/ itself, opened or made the one way every history call does.
#include <string>

#include "history/git_handles.h"

namespace quillon {

// Written by the repository's first save: the backups are the program's undo copies, not versions.
inline constexpr const char* kDevicesIgnoreFile = ".gitignore";

// The repository at exactly `devicesDir` (libgit2's code): a workspace that itself lies in a
// repository still gets its own history of the devices.
int OpenDevicesRepository(GitRepository& repo, const std::string& devicesDir);

// A new repository at `devicesDir` with its .gitignore; the engineer's message when it fails.
std::string MakeDevicesRepository(GitRepository& repo, const std::string& devicesDir);

// A device file by its path in the repository ("/"-separated): *.ini outside BackUp/.
bool IsDeviceFilePath(const std::string& path);

}  // namespace quillon
