#pragma once
// Spreadsheet templates for the workbook tests, built part by part as Excel writes them, so
// each test states exactly which cells, names and merged areas it starts from.
#include <zip.h>

#include <map>
#include <string>

namespace quillon::testing {

struct TemplateParts {
  std::string sheetData;
  std::string definedNames;
  std::string mergeCells;
  std::string sharedStrings;
  std::string sheetName = "Лист 1";
  std::map<std::string, std::string> extra;
};

// An XML part: the declaration, then the root element with its namespaces around the body.
inline std::string XmlPart(const std::string& root, const std::string& namespaces, const std::string& body) {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><)" + root + " " + namespaces + ">" + body + "</" +
         root + ">";
}

inline std::map<std::string, std::string> PackageParts(const TemplateParts& parts) {
  const std::string sheetNs = R"(xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")";
  const std::string rNs = R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships")";
  const std::string relsNs = R"(xmlns="http://schemas.openxmlformats.org/package/2006/relationships")";
  const std::string ml = "application/vnd.openxmlformats-officedocument.spreadsheetml.";
  const auto relation = [](const char* id, const char* type, const char* target) {
    return std::string(R"(<Relationship Id=")") + id +
           R"(" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/)" + type + R"(" Target=")" +
           target + R"("/>)";
  };
  const auto contentType = [&ml](const char* part, const char* type) {
    return std::string(R"(<Override PartName=")") + part + R"(" ContentType=")" + ml + type + R"(+xml"/>)";
  };
  std::map<std::string, std::string> files;
  files["[Content_Types].xml"] = XmlPart(
      "Types", R"(xmlns="http://schemas.openxmlformats.org/package/2006/content-types")",
      R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
      R"(<Default Extension="xml" ContentType="application/xml"/>)" +
          contentType("/xl/workbook.xml", "template.main") + contentType("/xl/worksheets/sheet1.xml", "worksheet") +
          contentType("/xl/worksheets/sheet2.xml", "worksheet") + contentType("/xl/styles.xml", "styles") +
          contentType("/xl/sharedStrings.xml", "sharedStrings") + contentType("/xl/calcChain.xml", "calcChain"));
  files["xl/_rels/workbook.xml.rels"] = XmlPart(
      "Relationships", relsNs,
      relation("rId1", "worksheet", "worksheets/sheet1.xml") +
          relation("rId2", "worksheet", "/xl/worksheets/sheet2.xml") + relation("rId3", "styles", "styles.xml") +
          relation("rId4", "sharedStrings", "sharedStrings.xml") + relation("rId5", "calcChain", "calcChain.xml"));
  files["_rels/.rels"] = XmlPart("Relationships", relsNs, relation("rId1", "officeDocument", "xl/workbook.xml"));
  // Font 1 is bold: the table row's cells use it.
  files["xl/styles.xml"] = XmlPart(
      "styleSheet", sheetNs,
      R"(<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font>)"
      R"(<font><b/><sz val="11"/><name val="Calibri"/></font></fonts>)"
      R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
      R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
      R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
      R"(<cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)"
      R"(<xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1"/></cellXfs>)"
      R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)");
  files["xl/workbook.xml"] = XmlPart("workbook", sheetNs + " " + rNs,
                                     R"(<sheets><sheet name=")" + parts.sheetName + R"(" sheetId="1" r:id="rId1"/>)" +
                                         R"(<sheet name="Second" sheetId="2" r:id="rId2"/></sheets><definedNames>)" +
                                         parts.definedNames + R"(</definedNames><calcPr calcId="191029"/>)");
  files["xl/worksheets/sheet1.xml"] = XmlPart(
      "worksheet", sheetNs + " " + rNs,
      R"(<dimension ref="A1"/><sheetFormatPr defaultRowHeight="15"/><cols><col min="1" max="4" width="12" customWidth="1"/></cols>)"
      R"(<sheetData>)" +
          parts.sheetData + R"(</sheetData>)" + parts.mergeCells +
          R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>)");
  files["xl/worksheets/sheet2.xml"] =
      XmlPart("worksheet", sheetNs, R"(<sheetData><row r="5"><c r="A5"><v>7</v></c></row></sheetData>)");
  files["xl/sharedStrings.xml"] = XmlPart("sst", sheetNs, parts.sharedStrings);
  files["xl/calcChain.xml"] = XmlPart("calcChain", sheetNs, R"(<c r="A1" i="1"/>)");
  for (const auto& [name, data] : parts.extra) files[name] = data;
  return files;
}

// Writes the files as a zip archive; an empty text leaves that entry out.
inline bool WriteZip(const std::string& path, const std::map<std::string, std::string>& files) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) return false;
  for (const auto& [name, data] : files) {
    if (data.empty()) continue;
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return false;
    }
  }
  return zip_close(archive) == 0;
}

// One entry of a zip archive; empty when missing.
inline std::string ZipEntry(const std::string& path, const std::string& name) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) return {};
  std::string data;
  zip_stat_t stat;
  zip_file_t* file = zip_stat(archive, name.c_str(), 0, &stat) == 0 ? zip_fopen(archive, name.c_str(), 0) : nullptr;
  if (file) {
    data.resize(stat.size);
    if (zip_fread(file, data.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) data.clear();
    zip_fclose(file);
  }
  zip_discard(archive);
  return data;
}

}  // namespace quillon::testing
