#pragma once
// The device catalogue: every device file of the database as a tree, in one of five variants,
// plus the devices found on a bus or identified on connect. Every Fill rebuilds it from the
// files; nodes are never sorted, they stay in the order they were added.
#include <string>
#include <string_view>
#include <vector>

#include "workspace/paths.h"

namespace quillon {

struct CatalogueNode {
  std::string caption;
  std::string path;     // empty for groups and for devices that have no file
  bool backup = false;  // a copy under Devices/BackUp/ (drawn in red)
  std::vector<CatalogueNode> children;
};

// Captions of the variant menu, in SortType order 0..4.
const std::vector<std::string>& CatalogueVariantNames();

// Caption of the group "New" that holds identified devices without a device file.
inline constexpr std::string_view kNewGroupCaption = "New";

class Catalogue {
 public:
  // Clears the tree and lists every device file that has an ID, in the variant `sortType`
  // (outside 0..4 means 0).
  void Fill(const WorkspacePaths& paths, int sortType);
  void Clear();

  // The variant of the last Fill.
  int SortType() const { return sortType_; }

  // Pointers returned by the finders stay valid until the tree is next changed.
  const std::vector<CatalogueNode>& Roots() const { return roots_; }
  // The last node in tree order (parents before their children) with this caption.
  const CatalogueNode* FindByCaption(std::string_view caption) const;
  // The node carrying this path, searching from the last node to the first.
  const CatalogueNode* FindByPath(std::string_view path) const;

  // One identification string found on `portName`: a child of the port's group (created when
  // missing) unless the group already has a child of that caption, carrying the device file
  // found for it. With `noDeviceFile` the string is also added once to the group "New".
  void AddSearchResult(const WorkspacePaths& paths, std::string_view portName, std::string_view idText,
                       bool noDeviceFile);

  // A path-less child of the group "New" (the group is created at the top level when missing);
  // nothing is added when the group already has a child of that caption.
  void AddToNewGroup(std::string_view caption);

 private:
  std::vector<CatalogueNode> roots_;
  int sortType_ = 0;
};

}  // namespace quillon
