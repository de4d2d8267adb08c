#include "maintenance/package_relationships.h"

#include "maintenance/xml_part.h"

namespace quillon {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string RelationshipsPartName(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  const std::string_view directory = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
  const std::string_view name = slash == std::string_view::npos ? part : part.substr(slash + 1);
  return std::string(directory) + "_rels/" + std::string(name) + ".rels";
}

std::string ResolvePartName(std::string_view sourcePart, std::string_view target) {
  const std::string decoded = PercentDecoded(target);
  std::string path;
  if (decoded.empty() || decoded.front() != '/') {
    const std::size_t slash = sourcePart.rfind('/');
    if (slash != std::string_view::npos) path = std::string(sourcePart.substr(0, slash + 1));
  }
  path += decoded;
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string resolved;
  for (const auto& segment : segments) resolved += (resolved.empty() ? "" : "/") + segment;
  return resolved;
}

std::vector<Relationship> ReadRelationships(const pugi::xml_document& relationships, std::string_view sourcePart) {
  std::vector<Relationship> result;
  for (pugi::xml_node node : relationships.document_element().children()) {
    if (!HasLocalName(node, "Relationship")) continue;
    Relationship relationship;
    relationship.id = node.attribute("Id").value();
    relationship.type = node.attribute("Type").value();
    relationship.external = std::string_view(node.attribute("TargetMode").value()) == "External";
    const std::string_view target = node.attribute("Target").value();
    relationship.target = relationship.external ? std::string(target) : ResolvePartName(sourcePart, target);
    result.push_back(std::move(relationship));
  }
  return result;
}

bool IsRelationshipType(std::string_view type, std::string_view lastSegment) {
  const std::size_t slash = type.rfind('/');
  return slash != std::string_view::npos && type.substr(slash + 1) == lastSegment;
}

}  // namespace quillon
