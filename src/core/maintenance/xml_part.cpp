#include "maintenance/xml_part.h"

#include "maintenance/cell_text.h"
#include "maintenance/workbook.h"

namespace quillon {
namespace {

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

 private:
  std::string& out_;
};

void AppendItemText(pugi::xml_node node, std::string& text) {
  for (pugi::xml_node child : node.children()) {
    if (HasLocalName(child, "t")) {
      text += child.text().get();
    } else if (HasLocalName(child, "r")) {
      AppendItemText(child, text);
    }
  }
}

}  // namespace

std::unique_ptr<pugi::xml_document> ParseXmlPart(const std::string& bytes, std::string_view part,
                                                 const std::string& bookPath) {
  auto document = std::make_unique<pugi::xml_document>();
  // A text of blanks only (" " in a cell) is content, not layout, so it must survive parsing.
  const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;
  const pugi::xml_parse_result result = document->load_buffer(bytes.data(), bytes.size(), options);
  if (!result) {
    throw WorkbookError("Файл " + bookPath + " повреждён: часть " + std::string(part) +
                        " не читается (ошибка XML в позиции " + std::to_string(result.offset) + ")");
  }
  if (!document->document_element()) {
    throw WorkbookError("Файл " + bookPath + " повреждён: часть " + std::string(part) + " пуста");
  }
  return document;
}

std::string SerializeXmlPart(const pugi::xml_document& document) {
  std::string out;
  StringWriter writer(out);
  // The text is written as UTF-8 whatever the part said, so its declaration must say so too.
  const pugi::xml_node declaration = document.first_child();
  const std::string_view encoding = declaration.attribute("encoding").value();
  if (declaration.type() == pugi::node_declaration && !encoding.empty() && encoding != "UTF-8" && encoding != "utf-8") {
    pugi::xml_document copy;
    copy.reset(document);
    copy.first_child().attribute("encoding").set_value("UTF-8");
    copy.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out;
  }
  document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out;
}

std::string_view LocalName(std::string_view qualifiedName) {
  const std::size_t colon = qualifiedName.rfind(':');
  return colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

bool HasLocalName(pugi::xml_node node, std::string_view local) {
  return node.type() == pugi::node_element && LocalName(node.name()) == local;
}

pugi::xml_node FirstChild(pugi::xml_node parent, std::string_view local) {
  for (pugi::xml_node child : parent.children()) {
    if (HasLocalName(child, local)) return child;
  }
  return {};
}

std::string PrefixOf(pugi::xml_node element) {
  const std::string_view name = element.name();
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

pugi::xml_attribute PrefixedAttribute(pugi::xml_node element, std::string_view local) {
  for (pugi::xml_attribute attribute : element.attributes()) {
    const std::string_view name = attribute.name();
    if (name.find(':') != std::string_view::npos && LocalName(name) == local) return attribute;
  }
  return {};
}

std::string StringItemText(pugi::xml_node item) {
  std::string text;
  AppendItemText(item, text);
  return DecodeCellText(text);
}

}  // namespace quillon
