#pragma once
// The relationships of a package's parts (the "_rels/*.rels" parts), which lead from the package
// to its workbook and from the workbook to its sheets and shared strings.
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct Relationship {
  std::string id;
  std::string type;
  // The part name the target resolves to, without a leading "/"; the target as written when
  // it is external.
  std::string target;
  bool external = false;
};

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"; the package itself ("") -> "_rels/.rels".
std::string RelationshipsPartName(std::string_view part);
// The part `target` names when written in the relationships of `sourcePart`.
std::string ResolvePartName(std::string_view sourcePart, std::string_view target);
std::vector<Relationship> ReadRelationships(const pugi::xml_document& relationships, std::string_view sourcePart);
// Transitional and strict packages spell the same type with different prefixes; the last path
// segment ("officeDocument", "worksheet") tells the type.
bool IsRelationshipType(std::string_view type, std::string_view lastSegment);

}  // namespace quillon
