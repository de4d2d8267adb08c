// Saving: the package as a normal workbook. A template's main part gets the content type of a
// workbook's, and the calculation chain goes: it lists formula cells by address, the addresses
// may have moved, and Excel rebuilds a missing chain but repairs a wrong one with a warning.
#include <array>
#include <utility>

#include "maintenance/book_file.h"
#include "maintenance/package_relationships.h"
#include "maintenance/workbook_package.h"
#include "maintenance/xml_part.h"

namespace quillon {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 2> kWorkbookContentTypes = {{
    {"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml",
     "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"},
    {"application/vnd.ms-excel.template.macroEnabled.main+xml", "application/vnd.ms-excel.sheet.macroEnabled.main+xml"},
}};

// nullopt when the part needs no change.
std::optional<std::string> WorkbookContentTypes(const PackageEntry& entry, const std::string& calcChain,
                                                const std::string& bookPath) {
  const auto document = ParseXmlPart(entry.data, entry.name, bookPath);
  bool changed = false;
  pugi::xml_node root = document->document_element();
  for (pugi::xml_node child = root.first_child(); child;) {
    const pugi::xml_node next = child.next_sibling();
    if (!calcChain.empty() && HasLocalName(child, "Override") &&
        ResolvePartName("", child.attribute("PartName").value()) == calcChain) {
      root.remove_child(child);
      changed = true;
    } else if (pugi::xml_attribute type = child.attribute("ContentType")) {
      for (const auto& [templateType, workbookType] : kWorkbookContentTypes) {
        if (type.value() != templateType) continue;
        type.set_value(std::string(workbookType).c_str());
        changed = true;
      }
    }
    child = next;
  }
  if (!changed) return std::nullopt;
  return SerializeXmlPart(*document);
}

std::string WithoutCalcChain(const PackageEntry& entry, const std::string& bookPath) {
  const auto document = ParseXmlPart(entry.data, entry.name, bookPath);
  pugi::xml_node root = document->document_element();
  for (pugi::xml_node child = root.first_child(); child;) {
    const pugi::xml_node next = child.next_sibling();
    if (HasLocalName(child, "Relationship") && IsRelationshipType(child.attribute("Type").value(), "calcChain")) {
      root.remove_child(child);
    }
    child = next;
  }
  return SerializeXmlPart(*document);
}

}  // namespace

std::string Workbook::Package::Build(const std::string& targetPath) const {
  const std::string relationshipsPart = RelationshipsPartName(workbookPart);
  const PackageEntry* relationshipsEntry = Entry(relationshipsPart);
  std::string calcChain;
  if (relationshipsEntry) {
    for (const auto& relationship :
         ReadRelationships(*ParseXmlPart(relationshipsEntry->data, relationshipsPart, path), workbookPart)) {
      if (!relationship.external && IsRelationshipType(relationship.type, "calcChain")) {
        if (const PackageEntry* entry = Entry(relationship.target)) calcChain = entry->name;
      }
    }
  }

  std::vector<PackageEntry> out;
  out.reserve(entries.size());
  for (const auto& entry : entries) {
    if (!calcChain.empty() && &entry == Entry(calcChain)) continue;
    PackageEntry written{entry.name, {}, entry.directory};
    if (&entry == Entry("[Content_Types].xml")) {
      written.data = WorkbookContentTypes(entry, calcChain, path).value_or(entry.data);
    } else if (!calcChain.empty() && &entry == relationshipsEntry) {
      written.data = WithoutCalcChain(entry, path);
    } else if (&entry == Entry(workbookPart) && workbookChanged) {
      written.data = SerializeXmlPart(*workbook);
    } else {
      written.data = entry.data;
      for (const auto& sheet : sheets) {
        if (sheet.cells && sheet.cells->Changed() && &entry == Entry(sheet.part))
          written.data = sheet.cells->Serialize();
      }
    }
    out.push_back(std::move(written));
  }
  return BuildZip(out, targetPath);
}

void Workbook::Save(const std::string& path) const { WriteFileAtomically(path, package_->Build(path)); }

}  // namespace quillon
