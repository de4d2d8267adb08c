#include "workspace/catalogue.h"

#include <algorithm>
#include <fstream>
#include <optional>

#include "platform/files.h"
#include "text/cp1251.h"
#include "text/items.h"
#include "workspace/device_file.h"
#include "workspace/identification.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

struct DeviceKeys {
  std::string id, description, location, lastDateTime;
};

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  char block[1 << 14];
  while (in.read(block, sizeof block) || in.gcount() > 0) bytes.append(block, static_cast<std::size_t>(in.gcount()));
  return bytes;
}

bool SameAsciiIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// FirstLineValue on the file's own Windows-1251 bytes, with only the value decoded: a fill reads
// every device file, and decoding whole files took most of its time. The keys are ASCII, so
// they match the same lines before and after decoding.
std::optional<std::string> FirstValueInBytes(std::string_view bytes, std::string_view key) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    std::string_view line = bytes.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() <= key.size() || !SameAsciiIgnoringCase(line.substr(0, key.size()), key)) continue;
    std::size_t equals = key.size();
    while (equals < line.size() && (line[equals] == ' ' || line[equals] == '\t')) ++equals;
    if (equals == line.size() || line[equals] != '=') continue;
    return Cp1251ToUtf8(Trimmed(line.substr(equals + 1)));
  }
  return std::nullopt;
}

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

  struct Listed {
    std::string path;
    bool backup;
  };
  std::vector<Listed> files;
  const auto groups = ListSubdirectories(paths.devices);
  for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
    // The backup directory is known from the group's path: a name adds no "/", unless it holds a "\".
    const bool backupGroup = IsBackupPath(paths, *group + "/");
    const auto groupFiles = ListFiles(*group, "*.ini", true);
    for (auto file = groupFiles.rbegin(); file != groupFiles.rend(); ++file) {
      const bool odd = file->find('\\', group->size()) != std::string::npos;
      files.push_back({*file, odd ? IsBackupPath(paths, *file) : backupGroup});
    }
  }

  for (auto listed = files.rbegin(); listed != files.rend(); ++listed) {
    const std::string bytes = FileBytes(listed->path);
    DeviceKeys keys;
    keys.id = FirstValueInBytes(bytes, "ID").value_or("");
    if (keys.id.empty()) continue;
    keys.description = FirstValueInBytes(bytes, "Description").value_or("");
    keys.location = FirstValueInBytes(bytes, "Location").value_or("");
    keys.lastDateTime = FirstValueInBytes(bytes, "LastDateTime").value_or("");

    CatalogueNode device{DeviceCaption(sortType_, keys), listed->path, listed->backup, {}};
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
