// Opening a workbook package: from the package relationships to the workbook part, from its
// relationships to the sheets and the shared strings.
#include <algorithm>

#include "maintenance/book_file.h"
#include "maintenance/package_relationships.h"
#include "maintenance/workbook_package.h"
#include "maintenance/xml_part.h"

namespace quillon {
namespace {

bool SameAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

const PackageEntry* Workbook::Package::Entry(std::string_view name) const {
  for (const auto& entry : entries) {
    if (!entry.directory && entry.name == name) return &entry;
  }
  for (const auto& entry : entries) {
    if (!entry.directory && SameAsciiCase(entry.name, name)) return &entry;
  }
  return nullptr;
}

std::unique_ptr<Workbook::Package> Workbook::Package::Load(const std::string& path) {
  auto package = std::make_unique<Package>();
  package->path = path;
  package->entries = ReadZipEntries(ReadTemplateFile(path), path);
  const auto notAWorkbook = [&] { return WorkbookError("Файл " + path + " не является книгой Excel"); };
  const auto parse = [&](const PackageEntry& entry) { return ParseXmlPart(entry.data, entry.name, path); };

  const PackageEntry* contentTypes = package->Entry("[Content_Types].xml");
  const PackageEntry* rootRelationships = package->Entry("_rels/.rels");
  if (!contentTypes || !rootRelationships) throw notAWorkbook();
  // Saving rewrites the content types; a damaged list must stop the report before it starts.
  parse(*contentTypes);
  for (const auto& relationship : ReadRelationships(*parse(*rootRelationships), "")) {
    if (!relationship.external && IsRelationshipType(relationship.type, "officeDocument")) {
      package->workbookPart = relationship.target;
      break;
    }
  }
  const PackageEntry* workbookEntry = package->Entry(package->workbookPart);
  if (package->workbookPart.empty() || !workbookEntry) throw notAWorkbook();
  package->workbookPart = workbookEntry->name;
  package->workbook = parse(*workbookEntry);
  const pugi::xml_node root = package->workbook->document_element();
  if (!HasLocalName(root, "workbook")) throw notAWorkbook();

  std::vector<Relationship> relationships;
  if (const PackageEntry* entry = package->Entry(RelationshipsPartName(package->workbookPart))) {
    relationships = ReadRelationships(*parse(*entry), package->workbookPart);
  }
  const auto related = [&](std::string_view id) -> const Relationship* {
    const auto found = std::find_if(relationships.begin(), relationships.end(),
                                    [&](const Relationship& r) { return !r.external && r.id == id; });
    return found == relationships.end() ? nullptr : &*found;
  };

  std::vector<std::string> sheetNames;
  for (pugi::xml_node sheet : FirstChild(root, "sheets").children()) {
    if (!HasLocalName(sheet, "sheet")) continue;
    const Relationship* relationship = related(PrefixedAttribute(sheet, "id").value());
    const PackageEntry* entry = relationship ? package->Entry(relationship->target) : nullptr;
    Sheet loaded;
    loaded.name = sheet.attribute("name").value();
    if (!entry) {
      throw WorkbookError("Файл " + path + " повреждён: нет листа «" + loaded.name + "»");
    }
    loaded.part = entry->name;
    if (IsRelationshipType(relationship->type, "worksheet")) {
      loaded.cells.emplace(parse(*entry), static_cast<int>(package->sheets.size()), path);
    }
    sheetNames.push_back(loaded.name);
    package->sheets.push_back(std::move(loaded));
  }
  if (package->sheets.empty()) throw notAWorkbook();

  for (const auto& relationship : relationships) {
    if (relationship.external || !IsRelationshipType(relationship.type, "sharedStrings")) continue;
    if (const PackageEntry* entry = package->Entry(relationship.target))
      package->strings = SharedStrings(*parse(*entry));
  }
  package->names = DefinedNames(root, std::move(sheetNames));
  return package;
}

}  // namespace quillon
