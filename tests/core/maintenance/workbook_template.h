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

// The parts every template shares whatever its cells.
inline std::string TemplateContentTypes() {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
         R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
         R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
         R"(<Default Extension="xml" ContentType="application/xml"/>)"
         R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml"/>)"
         R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
         R"(<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
         R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
         R"(<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>)"
         R"(<Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/>)"
         R"(</Types>)";
}

inline std::string TemplateWorkbookRelations(const std::string& rel) {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type=")" +
         rel +
         R"(/worksheet" Target="worksheets/sheet1.xml"/>)"
         R"(<Relationship Id="rId2" Type=")" +
         rel +
         R"(/worksheet" Target="/xl/worksheets/sheet2.xml"/>)"
         R"(<Relationship Id="rId3" Type=")" +
         rel +
         R"(/styles" Target="styles.xml"/>)"
         R"(<Relationship Id="rId4" Type=")" +
         rel +
         R"(/sharedStrings" Target="sharedStrings.xml"/>)"
         R"(<Relationship Id="rId5" Type=")" +
         rel +
         R"(/calcChain" Target="calcChain.xml"/>)"
         R"(</Relationships>)";
}

inline std::string TemplateStyles(const std::string& sheetNs) {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
         R"(<styleSheet xmlns=")" +
         sheetNs +
         R"("><fonts count="2"><font><sz val="11"/><name val="Calibri"/></font>)"
         R"(<font><b/><sz val="11"/><name val="Calibri"/></font></fonts>)"
         R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
         R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
         R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
         R"(<cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)"
         R"(<xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1"/></cellXfs>)"
         R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles></styleSheet>)";
}

inline std::map<std::string, std::string> PackageParts(const TemplateParts& parts) {
  const std::string sheetNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::map<std::string, std::string> files;
  files["[Content_Types].xml"] = TemplateContentTypes();
  files["xl/_rels/workbook.xml.rels"] = TemplateWorkbookRelations(rel);
  files["xl/styles.xml"] = TemplateStyles(sheetNs);
  files["_rels/.rels"] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                         R"(<Relationship Id="rId1" Type=")" +
                         rel +
                         R"(/officeDocument" Target="xl/workbook.xml"/>)"
                         R"(</Relationships>)";
  files["xl/workbook.xml"] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                             R"(<workbook xmlns=")" +
                             sheetNs + R"(" xmlns:r=")" + rel +
                             R"("><sheets>)"
                             R"(<sheet name=")" +
                             parts.sheetName +
                             R"(" sheetId="1" r:id="rId1"/>)"
                             R"(<sheet name="Second" sheetId="2" r:id="rId2"/></sheets>)"
                             R"(<definedNames>)" +
                             parts.definedNames + R"(</definedNames><calcPr calcId="191029"/></workbook>)";
  files["xl/worksheets/sheet1.xml"] =
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
      R"(<worksheet xmlns=")" +
      sheetNs + R"(" xmlns:r=")" + rel +
      R"(">)"
      R"(<dimension ref="A1"/><sheetFormatPr defaultRowHeight="15"/><cols><col min="1" max="4" width="12" customWidth="1"/></cols>)"
      R"(<sheetData>)" +
      parts.sheetData + R"(</sheetData>)" + parts.mergeCells +
      R"(<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)";
  files["xl/worksheets/sheet2.xml"] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                                      R"(<worksheet xmlns=")" +
                                      sheetNs +
                                      R"("><sheetData><row r="5"><c r="A5"><v>7</v></c></row></sheetData></worksheet>)";
  files["xl/sharedStrings.xml"] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                                  R"(<sst xmlns=")" +
                                  sheetNs + R"(">)" + parts.sharedStrings + R"(</sst>)";
  files["xl/calcChain.xml"] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                              R"(<calcChain xmlns=")" +
                              sheetNs + R"("><c r="A1" i="1"/></calcChain>)";
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
