#pragma once
// The XML parts of a spreadsheet package through pugixml. pugixml knows no namespaces, and some
// writers prefix every element ("x:row"), so elements are found by their local name and new ones
// take the prefix of the part's root element.
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace quillon {

// Throws WorkbookError naming the part and `bookPath` when `bytes` is not well-formed XML.
std::unique_ptr<pugi::xml_document> ParseXmlPart(const std::string& bytes, std::string_view part,
                                                 const std::string& bookPath);
// UTF-8, without indentation, with the part's own declaration.
std::string SerializeXmlPart(const pugi::xml_document& document);

std::string_view LocalName(std::string_view qualifiedName);
bool HasLocalName(pugi::xml_node node, std::string_view local);
pugi::xml_node FirstChild(pugi::xml_node parent, std::string_view local);
// "x:" for a root element "x:worksheet", empty for an unprefixed one.
std::string PrefixOf(pugi::xml_node element);
// The attribute whose name is `local` after any prefix ("r:id" for "id").
pugi::xml_attribute PrefixedAttribute(pugi::xml_node element, std::string_view local);

// The text of the element's own "t" children and those of its runs ("r"), leaving out phonetic
// runs: the text of a shared string or of an inline string.
std::string StringItemText(pugi::xml_node item);

}  // namespace quillon
