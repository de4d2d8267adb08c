#include "workspace/catalogue.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/ini_document.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

struct DeviceKeys {
  std::string id, description, location, lastDateTime;
};

std::string DeviceCaption(int sortType, const DeviceKeys& keys) {
  switch (sortType) {
    case 1:
      return keys.id + " " + keys.description + " " + keys.lastDateTime;
    case 3:
      return keys.lastDateTime + " " + keys.id + " " + keys.description + " " + keys.location;
    default:
      return keys.id + " " + keys.description + " " + keys.location + " " + keys.lastDateTime;
  }
}

std::string GroupKey(int sortType, const DeviceKeys& keys) {
  switch (sortType) {
    case 1:
      return keys.location;
    case 2:
      return keys.description;
    default: {
      const auto id = ParseIdentification(keys.id);
      return id ? DeviceTypeKey(*id) : std::string();
    }
  }
}

// The top-level group of that caption, searching from the last to the first; appended when
// there is none.
CatalogueNode& GroupNode(std::vector<CatalogueNode>& nodes, std::string_view caption) {
  const auto found = std::find_if(nodes.rbegin(), nodes.rend(), [&](const CatalogueNode& node) {
    return node.path.empty() && node.caption == caption;
  });
  if (found != nodes.rend()) return *found;
  nodes.push_back(CatalogueNode{std::string(caption), {}, false, {}});
  return nodes.back();
}

bool HasChild(const CatalogueNode& group, std::string_view caption) {
  return std::any_of(group.children.begin(), group.children.end(),
                     [&](const CatalogueNode& child) { return child.caption == caption; });
}

// Tree order: a node before its children, siblings in order.
template <typename Visit>
void VisitTree(const std::vector<CatalogueNode>& nodes, Visit& visit) {
  for (const auto& node : nodes) {
    visit(node);
    VisitTree(node.children, visit);
  }
}

}  // namespace

const std::vector<std::string>& CatalogueVariantNames() {
  static const std::vector<std::string> names{"Серийные номера", "Место установки", "Тип механизма",
                                              "Дата последнего обслуживания", "Тип устройства"};
  return names;
}

void Catalogue::Clear() { roots_.clear(); }

void Catalogue::Fill(const WorkspacePaths& paths, int sortType) {
  Clear();
  sortType_ = NormalizedSortType(sortType);

  std::vector<std::string> files;
  const auto groups = ListSubdirectories(paths.devices);
  for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
    const auto groupFiles = ListFiles(*group, "*.ini", true);
    files.insert(files.end(), groupFiles.rbegin(), groupFiles.rend());
  }

  for (auto file = files.rbegin(); file != files.rend(); ++file) {
    const auto doc = IniDocument::Load(*file);
    const auto& lines = doc.Lines();
    DeviceKeys keys;
    keys.id = FirstLineValue(lines, "ID").value_or("");
    if (keys.id.empty()) continue;
    keys.description = FirstLineValue(lines, "Description").value_or("");
    keys.location = FirstLineValue(lines, "Location").value_or("");
    keys.lastDateTime = FirstLineValue(lines, "LastDateTime").value_or("");

    CatalogueNode device{DeviceCaption(sortType_, keys), *file, IsBackupPath(paths, *file), {}};
    if (sortType_ == 0 || sortType_ == 3) {
      roots_.push_back(std::move(device));
    } else {
      GroupNode(roots_, GroupKey(sortType_, keys)).children.push_back(std::move(device));
    }
  }
}

const CatalogueNode* Catalogue::FindByCaption(std::string_view caption) const {
  const CatalogueNode* last = nullptr;
  auto visit = [&](const CatalogueNode& node) {
    if (node.caption == caption) last = &node;
  };
  VisitTree(roots_, visit);
  return last;
}

const CatalogueNode* Catalogue::FindByPath(std::string_view path) const {
  if (path.empty()) return nullptr;
  const CatalogueNode* last = nullptr;
  auto visit = [&](const CatalogueNode& node) {
    if (node.path == path) last = &node;
  };
  VisitTree(roots_, visit);
  return last;
}

void Catalogue::AddSearchResult(const WorkspacePaths& paths, std::string_view portName, std::string_view idText,
                                bool noDeviceFile) {
  CatalogueNode& port = GroupNode(roots_, portName);
  if (!HasChild(port, idText)) {
    const auto match = FindDeviceFile(paths, idText);
    port.children.push_back(
        CatalogueNode{std::string(idText), match.path, !match.path.empty() && IsBackupPath(paths, match.path), {}});
  }
  if (noDeviceFile) AddToNewGroup(idText);
}

void Catalogue::AddToNewGroup(std::string_view caption) {
  CatalogueNode& group = GroupNode(roots_, kNewGroupCaption);
  if (!HasChild(group, caption)) group.children.push_back(CatalogueNode{std::string(caption), {}, false, {}});
}

}  // namespace quillon
