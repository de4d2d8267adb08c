#include "maintenance/defined_names.h"

#include <charconv>

#include "maintenance/insert_shift.h"
#include "maintenance/xml_part.h"
#include "text/cp1251.h"

namespace quillon {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n')) text.remove_suffix(1);
  return text;
}

}  // namespace

DefinedNames::DefinedNames(pugi::xml_node workbookRoot, std::vector<std::string> sheetNames)
    : sheetNames_(std::move(sheetNames)) {
  for (pugi::xml_node element : FirstChild(workbookRoot, "definedNames").children()) {
    if (!HasLocalName(element, "definedName")) continue;
    Name name;
    name.element = element;
    name.name = element.attribute("name").value();
    const std::string_view local = element.attribute("localSheetId").value();
    int sheet = 0;
    const auto [end, error] = std::from_chars(local.data(), local.data() + local.size(), sheet);
    if (!local.empty() && error == std::errc() && end == local.data() + local.size()) name.localSheet = sheet;
    name.areas = ParseReferenceList(Trimmed(element.text().get()));
    names_.push_back(std::move(name));
  }
}

std::optional<int> DefinedNames::SheetOf(const AreaReference& area, const Name& name) const {
  if (area.sheetName.empty()) return name.localSheet;
  for (std::size_t i = 0; i < sheetNames_.size(); ++i) {
    if (sheetNames_[i] == area.sheetName) return static_cast<int>(i);
  }
  for (std::size_t i = 0; i < sheetNames_.size(); ++i) {
    if (SameTextIgnoringCase(sheetNames_[i], area.sheetName)) return static_cast<int>(i);
  }
  return std::nullopt;
}

DefinedNames::Target DefinedNames::Find(std::string_view wanted) const {
  const Name* found = nullptr;
  for (const auto& name : names_) {
    if (!SameTextIgnoringCase(name.name, wanted)) continue;
    if (!name.localSheet) {
      found = &name;
      break;
    }
    if (!found) found = &name;
  }
  Target target;
  if (!found) return target;
  target.defined = true;
  if (!found->areas || found->areas->size() != 1) return target;
  const AreaReference& area = found->areas->front();
  const auto sheet = SheetOf(area, *found);
  if (!sheet || *sheet < 0 || *sheet >= static_cast<int>(sheetNames_.size())) return target;
  target.area = CellRange{*sheet, area.first, area.last};
  return target;
}

bool DefinedNames::FollowInsert(const CellRange& inserted) {
  bool anyChanged = false;
  for (auto& name : names_) {
    if (!name.areas) continue;
    bool changed = false;
    for (auto& area : *name.areas) {
      // Whole columns reach the last row whatever is inserted.
      if (area.kind == AreaReference::Kind::Columns || SheetOf(area, name) != inserted.sheet) continue;
      const CellRange before{inserted.sheet, area.first, area.last};
      const CellRange after = ShiftedForInsert(before, inserted);
      if (after == before) continue;
      area.first = after.first;
      area.last = after.last;
      changed = true;
    }
    if (!changed) continue;
    name.element.text().set(FormatReferenceList(*name.areas).c_str());
    anyChanged = true;
  }
  return anyChanged;
}

}  // namespace quillon
