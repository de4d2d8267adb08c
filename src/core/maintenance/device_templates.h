#pragma once
// The templates new device files are made from: whole device files in DeviceTemplate/, named
// type name "." device version "_" firmware version ("TK.3_14").
#include <string>
#include <string_view>
#include <vector>

#include "workspace/identification.h"
#include "workspace/paths.h"

namespace quillon {

struct TemplateEntry {
  std::string typeName;  // what the template list shows
  std::string deviceVersion;
  std::string firmwareVersion;
  std::string path;
};

// Splits a template file name: the type name ends at the last "."; what follows is split at its
// last "_" into device and firmware version. A name without "." is all type name, a rest
// without "_" all device version.
TemplateEntry ParseTemplateName(std::string_view fileName);

// "v" + device version + "." + firmware version: how a template's versions are shown.
std::string TemplateVersionTag(std::string_view deviceVersion, std::string_view firmwareVersion);
std::string TemplateVersionTag(const TemplateEntry& entry);

// The template name for a controller: device type "." device version "_" firmware version.
std::string TemplateFileName(const Identification& id);

// Every file of DeviceTemplate/, the last listed first. Hidden files ("." first, such as a
// placeholder that keeps an empty directory in a repository) are no templates.
std::vector<TemplateEntry> ListDeviceTemplates(const WorkspacePaths& paths);

// The template made for exactly this controller's type and versions: the first entry, searching
// from the end, whose type name and version tag read as the controller's. -1 when none.
int MatchingTemplate(const std::vector<TemplateEntry>& entries, const Identification& id);

// The first entry whose type name is `typeName`; -1 when none.
int TemplateByTypeName(const std::vector<TemplateEntry>& entries, std::string_view typeName);

// Copies `source` into DeviceTemplate/ under TemplateFileName(id), replacing a template of that
// name, and makes the copy writable. Returns the template's path. Throws std::runtime_error
// with the engineer's message when the name is unusable or the copy fails.
std::string AddDeviceTemplate(const WorkspacePaths& paths, const std::string& source, const Identification& id);

}  // namespace quillon
