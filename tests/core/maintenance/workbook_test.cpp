#include "maintenance/workbook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "workbook_template.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::PackageParts;
using testing::TempDir;
using testing::TemplateParts;
using testing::WriteZip;
using testing::ZipEntry;

// A report template: a title, a header row, the table row 5 (A..D, bold, 20 pt) between PNx and
// ParamMU, and a total row 7 (25 pt) with a merged area and names below the table.
TemplateParts ReportTemplate() {
  TemplateParts parts;
  parts.sheetData =
      R"(<row r="1" ht="30" customHeight="1"><c r="A1" t="s"><v>0</v></c></row>)"
      R"(<row r="3"><c r="A3" t="inlineStr"><is><t>№</t></is></c><c r="B3" t="s"><v>1</v></c></row>)"
      R"(<row r="5" spans="1:4" ht="20" customHeight="1"><c r="A5" s="1"/><c r="B5" s="1"/><c r="C5" s="1"/>)"
      R"(<c r="D5" s="1"/></row>)"
      R"(<row r="7" ht="25" customHeight="1"><c r="A7" t="s"><v>2</v></c><c r="C7"><v>12.5</v></c></row>)";
  parts.sharedStrings =
      R"(<si><t>Отчёт</t></si><si><r><t>Пара</t></r><r><rPr><b/></rPr><t>метр</t></r><rPh sb="0" eb="1"><t>x</t></rPh></si>)"
      R"(<si><t xml:space="preserve">Итого </t></si>)";
  parts.mergeCells = R"(<mergeCells count="2"><mergeCell ref="A1:D1"/><mergeCell ref="A7:B7"/></mergeCells>)";
  parts.definedNames = R"(<definedName name="_xlnm.Print_Area" localSheetId="0">'Лист 1'!$A$1:$D$8</definedName>)"
                       R"(<definedName name="_xlnm.Print_Titles" localSheetId="0">'Лист 1'!$3:$3</definedName>)"
                       R"(<definedName name="Bad">#REF!</definedName>)"
                       R"(<definedName name="Footer">'Лист 1'!$7:$7</definedName>)"
                       R"(<definedName name="Konst">0.5</definedName>)"
                       R"(<definedName name="OtherSheet">Second!$A$5:$D$5</definedName>)"
                       R"(<definedName name="ParamMU">'Лист 1'!$D$5</definedName>)"
                       R"(<definedName name="PNx">'Лист 1'!$A$5</definedName>)"
                       R"(<definedName name="Total">'Лист 1'!$A$7</definedName>)";
  return parts;
}

class WorkbookTest : public ::testing::Test {
 protected:
  std::string Template(const TemplateParts& parts, const std::string& name = "template.xlt") {
    const std::string path = dir_ / name;
    EXPECT_TRUE(WriteZip(path, PackageParts(parts)));
    return path;
  }

  // The report's way of adding items: each is written into the table row, and before the next
  // one the row is copied, cells are inserted at it and the copy is pasted back.
  static void FillTable(Workbook& book, int items) {
    const CellRange row = book.Range("PNx", "ParamMU");
    for (int i = 1; i <= items; ++i) {
      book.Value(row, std::vector<CellValue>{"p" + std::to_string(i), 10.0 * i, std::string("x"), std::string()});
      if (i == items) break;
      book.Copy(row);
      book.Insert(row);
      book.PasteSpecial(row);
    }
  }

  TempDir dir_;
};

std::string TextAt(const Workbook& book, int row, int column) {
  const auto value = book.Read(0, {row, column});
  return value && std::holds_alternative<std::string>(*value) ? std::get<std::string>(*value) : "<none>";
}

using Cells = std::vector<std::optional<CellValue>>;
Cells Values(const Workbook& book, std::initializer_list<CellRef> cells) {
  Cells values;
  for (const CellRef& cell : cells) values.push_back(book.Read(0, cell));
  return values;
}

void ExpectThreeItemReport(const Workbook& book) {
  for (int row : {5, 6, 7}) {
    EXPECT_EQ(TextAt(book, row, 1), "p" + std::to_string(8 - row));
    EXPECT_EQ(book.Read(0, {row, 2}), std::optional<CellValue>(10.0 * (8 - row)));
    EXPECT_EQ(book.RowHeight(0, row), 20.0) << row;
  }
  EXPECT_EQ(book.Read(0, {7, 4}), std::nullopt);
  EXPECT_EQ(TextAt(book, 9, 1), "Итого ");
  EXPECT_EQ(book.Read(0, {9, 3}), std::optional<CellValue>(12.5));
  EXPECT_EQ(TextAt(book, 1, 1), "Отчёт");
  EXPECT_EQ(TextAt(book, 3, 2), "Параметр");
  EXPECT_EQ(std::tuple(book.RowHeight(0, 8), book.RowHeight(0, 9), book.RowHeight(0, 1)),
            std::tuple(std::nullopt, 25.0, 30.0));
  EXPECT_EQ(book.MergedAreas(0), (std::vector<CellRange>{{0, {1, 1}, {1, 4}}, {0, {9, 1}, {9, 2}}}));

  // The row's own names moved with the cells the inserts pushed down, as in Excel.
  EXPECT_EQ(book.Range("PNx", "ParamMU"), (CellRange{0, {7, 1}, {7, 4}}));
  EXPECT_EQ(book.Range("total"), (CellRange{0, {9, 1}, {9, 1}}));
  EXPECT_EQ(book.Range("Footer"), (CellRange{0, {9, 1}, {9, 16384}}));
  EXPECT_EQ(book.Range("_xlnm.Print_Area"), (CellRange{0, {1, 1}, {10, 4}}));
  EXPECT_EQ(book.Range("_xlnm.Print_Titles"), (CellRange{0, {3, 1}, {3, 16384}}));
  EXPECT_EQ(book.Range("OtherSheet"), (CellRange{1, {5, 1}, {5, 4}}));
  EXPECT_EQ(book.Read(1, {5, 1}), std::optional<CellValue>(7.0));
}

TEST_F(WorkbookTest, ReportRowsGoNewestOnTopAndEverythingBelowMovesDown) {
  const std::string path = Template(ReportTemplate());
  Workbook book = Workbook::Open(path);
  EXPECT_EQ(RangeAddress(book.Range("PNx", "ParamMU")), "$A$5:$D$5");
  FillTable(book, 3);
  ExpectThreeItemReport(book);

  const std::string saved = dir_ / "report.xlsx";
  book.Save(saved);
  ExpectThreeItemReport(Workbook::Open(saved));

  // Names keep their look, the template became a workbook, and the stale calculation chain is
  // gone with its relationship and content type.
  const std::string workbookXml = ZipEntry(saved, "xl/workbook.xml");
  EXPECT_NE(workbookXml.find(">'Лист 1'!$A$1:$D$10<"), std::string::npos) << workbookXml;
  EXPECT_NE(workbookXml.find(">'Лист 1'!$9:$9<"), std::string::npos);
  EXPECT_NE(workbookXml.find(">Second!$A$5:$D$5<"), std::string::npos);
  const std::string types = ZipEntry(saved, "[Content_Types].xml");
  EXPECT_NE(types.find("spreadsheetml.sheet.main+xml"), std::string::npos);
  EXPECT_EQ(types.find("template.main+xml"), std::string::npos);
  EXPECT_EQ(types.find("calcChain"), std::string::npos);
  EXPECT_EQ(ZipEntry(saved, "xl/calcChain.xml"), "");
  EXPECT_EQ(ZipEntry(saved, "xl/_rels/workbook.xml.rels").find("calcChain"), std::string::npos);
  EXPECT_EQ(ZipEntry(saved, "xl/styles.xml"), ZipEntry(path, "xl/styles.xml"));

  const std::string sheet = ZipEntry(saved, "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find(R"(<dimension ref="A1:D9"/>)"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(R"(<c r="A6" s="1" t="inlineStr">)"), std::string::npos) << sheet;
  EXPECT_NE(sheet.find(R"(<c r="D6" s="1"/>)"), std::string::npos);
  EXPECT_EQ(sheet.find("spans"), std::string::npos);
  EXPECT_LT(sheet.find("</sheetData><mergeCells count=\"2\">"), sheet.find("<pageMargins"));

  // Only the saved file exists beside the template: no temporary file was left behind.
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"report.xlsx", "template.xlt"}));
}

TEST_F(WorkbookTest, UnusableTemplatesAndNamesAreExplained) {
  const auto message = [](const auto& call) {
    try {
      call();
    } catch (const WorkbookError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  const std::string missing = dir_ / "nothing.xlt";
  EXPECT_EQ(message([&] { Workbook::Open(missing); }), "Шаблон не найден: " + missing);

  const std::string legacy = dir_ / "old.xlt";
  std::ofstream(legacy, std::ios::binary)
      << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << std::string(504, '\0');
  const std::string legacyMessage = message([&] { Workbook::Open(legacy); });
  EXPECT_NE(legacyMessage.find(legacy), std::string::npos) << legacyMessage;
  EXPECT_NE(legacyMessage.find("Excel 97-2003"), std::string::npos);

  const std::string text = dir_ / "text.xlt";
  std::ofstream(text) << "[DEVICE]\nID=1\n";
  EXPECT_EQ(message([&] { Workbook::Open(text); }), "Файл " + text + " не является книгой Excel");
  // A zip package of another kind: no workbook part behind the relationships.
  auto files = PackageParts(ReportTemplate());
  files.erase("xl/workbook.xml");
  const std::string noWorkbook = dir_ / "no-workbook.xlt";
  ASSERT_TRUE(WriteZip(noWorkbook, files));
  EXPECT_EQ(message([&] { Workbook::Open(noWorkbook); }), "Файл " + noWorkbook + " не является книгой Excel");

  TemplateParts broken = ReportTemplate();
  broken.sheetData += "<row r=\"9\"><c r=\"A9\"><v>1</v></row>";
  const std::string brokenPath = Template(broken, "broken.xlt");
  const std::string brokenMessage = message([&] { Workbook::Open(brokenPath); });
  EXPECT_NE(brokenMessage.find(brokenPath), std::string::npos) << brokenMessage;
  EXPECT_NE(brokenMessage.find("xl/worksheets/sheet1.xml"), std::string::npos);

  for (const char* offSheet : {R"(<row r="1048577"><c r="A1048577"/></row>)", R"(<row r="2"><c r="XFE2"/></row>)",
                               R"(<row r="2"><c r="A99999999999"/></row>)", R"(<row r="0"/>)"}) {
    TemplateParts parts = ReportTemplate();
    parts.sheetData += offSheet;
    const std::string path = Template(parts, "off.xlt");
    const std::string offMessage = message([&] { Workbook::Open(path); });
    EXPECT_NE(offMessage.find(path), std::string::npos) << offSheet << ": " << offMessage;
  }

  const Workbook book = Workbook::Open(Template(ReportTemplate()));
  const std::string path = dir_ / "template.xlt";
  EXPECT_EQ(message([&] { book.Range("PN"); }), "В шаблоне " + path + " нет имени «PN»");
  EXPECT_NE(message([&] { book.Range("Bad"); }).find("«Bad»"), std::string::npos);
  EXPECT_NE(message([&] { book.Range("Konst"); }).find("«Konst»"), std::string::npos);
  EXPECT_NE(message([&] { book.Range("PNx", "OtherSheet"); }).find("разные листы"), std::string::npos);

  Workbook editable = Workbook::Open(path);
  EXPECT_NE(message([&] { editable.PasteSpecial(editable.Range("PNx")); }).find(path), std::string::npos);
  const std::string directory = dir_ / "sub";
  std::filesystem::create_directory(directory);
  EXPECT_EQ(message([&] { editable.Save(directory); }).rfind("Не удалось сохранить книгу " + directory, 0), 0u);
  EXPECT_EQ(message([&] { editable.Save(dir_ / "no/such/dir/report.xlsx"); }).find(dir_ / "no/such/dir/report.xlsx"),
            std::string("Не удалось сохранить книгу ").size());
  EXPECT_TRUE(std::filesystem::is_empty(directory));
}

TEST_F(WorkbookTest, RowOfValuesFillsTheRangeLeftToRight) {
  Workbook book = Workbook::Open(Template(ReportTemplate()));
  const CellRange row = book.Range("PNx", "ParamMU");
  book.Value(CellRange{0, {5, 5}, {5, 5}}, "beside");
  book.Value(row, std::vector<CellValue>{std::string("a"), 1.5, std::string("c"), std::string("d"), 9.0, 9.0});
  EXPECT_EQ(Values(book, {{5, 2}, {5, 4}, {5, 5}}), (Cells{1.5, std::string("d"), std::string("beside")}));
  book.Value(row, std::vector<CellValue>{std::string("short")});
  EXPECT_EQ(Values(book, {{5, 1}, {5, 2}, {5, 3}, {5, 4}, {5, 5}}),
            (Cells{std::string("short"), std::nullopt, std::nullopt, std::nullopt, std::string("beside")}));

  // One text fills every cell of a range; an empty one empties them. Formats stay either way.
  book.Value(CellRange{0, {10, 2}, {11, 3}}, "all");
  EXPECT_EQ(TextAt(book, 11, 3), "all");
  book.Value(CellRange{0, {10, 2}, {11, 3}}, "");
  EXPECT_EQ(book.Read(0, {11, 3}), std::nullopt);
  const std::string saved = dir_ / "values.xlsx";
  book.Save(saved);
  const std::string sheet = ZipEntry(saved, "xl/worksheets/sheet1.xml");
  EXPECT_NE(sheet.find(R"(<c r="C5" s="1"/><c r="D5" s="1"/><c r="E5" t="inlineStr">)"), std::string::npos) << sheet;
  EXPECT_EQ(sheet.find("r=\"10\""), std::string::npos);
}

TEST_F(WorkbookTest, MergeReplacesTheAreasItOverlaps) {
  Workbook book = Workbook::Open(Template(ReportTemplate()));
  book.Merge(CellRange{0, {1, 2}, {2, 5}});
  EXPECT_EQ(book.MergedAreas(0), (std::vector<CellRange>{{0, {7, 1}, {7, 2}}, {0, {1, 2}, {2, 5}}}));
  book.Merge(CellRange{0, {1, 2}, {2, 5}});
  book.Merge(CellRange{0, {20, 20}, {20, 20}});
  EXPECT_EQ(book.MergedAreas(0).size(), 2u);
  book.Value(CellRange{0, {2, 1}, {2, 1}}, "top");
  book.Merge(CellRange{0, {2, 1}, {7, 2}});
  EXPECT_EQ(book.MergedAreas(0), (std::vector<CellRange>{{0, {2, 1}, {7, 2}}}));
  // Only the top left value of a merged area remains.
  EXPECT_EQ(Values(book, {{2, 1}, {3, 1}, {7, 1}, {3, 2}, {1, 1}}),
            (Cells{std::string("top"), std::nullopt, std::nullopt, std::nullopt, std::string("Отчёт")}));

  book.Copy(CellRange{0, {1, 1}, {7, 2}});
  book.PasteSpecial(CellRange{0, {11, 3}, {11, 3}});
  EXPECT_EQ(TextAt(book, 12, 3), "top");
  EXPECT_EQ(TextAt(book, 11, 3), "Отчёт");
  EXPECT_EQ(book.MergedAreas(0).back(), (CellRange{0, {12, 3}, {17, 4}}));

  const std::string saved = dir_ / "merged.xlsx";
  book.Save(saved);
  EXPECT_EQ(Workbook::Open(saved).MergedAreas(0), book.MergedAreas(0));
  book.Merge(CellRange{0, {1, 1}, {20, 20}});
  book.Save(saved);
  EXPECT_NE(ZipEntry(saved, "xl/worksheets/sheet1.xml").find(R"(<mergeCells count="1"><mergeCell ref="A1:T20"/>)"),
            std::string::npos);
}

// Inserting cells in some columns leaves the cells of the others in place; rows move whole, so
// their heights follow the shifted cells.
TEST_F(WorkbookTest, InsertInSomeColumnsLeavesTheOthers) {
  TemplateParts parts = ReportTemplate();
  parts.sheetData =
      R"(<row r="5" ht="20" customHeight="1"><c r="A5"><v>1</v></c><c r="B5"><v>2</v></c><c r="D5"><v>4</v></c></row>)"
      R"(<row r="6"><c r="C6"><v>6</v></c></row><row r="8" ht="12"><c r="A8"><v>8</v></c><c r="B8"><v>9</v></c></row>)";
  parts.mergeCells =
      R"(<mergeCells count="3"><mergeCell ref="B6:C6"/><mergeCell ref="C7:D7"/><mergeCell ref="B2:B9"/></mergeCells>)";
  parts.definedNames =
      R"(<definedName name="Inside">'Лист 1'!$B$8:$C$9</definedName><definedName name="Across">'Лист 1'!$C$5:$D$5</definedName>)"
      R"(<definedName name="Wide">'Лист 1'!$A$2:$H$8</definedName>)";
  Workbook book = Workbook::Open(Template(parts));
  book.Insert(CellRange{0, {5, 2}, {6, 3}});

  EXPECT_EQ(Values(book, {{5, 1}, {5, 4}, {5, 2}, {7, 2}, {8, 3}, {8, 1}, {10, 2}}),
            (Cells{1.0, 4.0, std::nullopt, 2.0, 6.0, 8.0, 9.0}));
  std::vector<std::optional<double>> heights;
  for (int row : {5, 6, 7, 10, 8}) heights.push_back(book.RowHeight(0, row));
  EXPECT_EQ(heights, (std::vector<std::optional<double>>{20.0, 20.0, 20.0, 12.0, std::nullopt}));
  EXPECT_EQ(book.MergedAreas(0),
            (std::vector<CellRange>{{0, {8, 2}, {8, 3}}, {0, {7, 3}, {7, 4}}, {0, {2, 2}, {11, 2}}}));
  EXPECT_EQ(book.Range("Inside"), (CellRange{0, {10, 2}, {11, 3}}));
  EXPECT_EQ(book.Range("Across"), (CellRange{0, {5, 3}, {5, 4}}));
  EXPECT_EQ(book.Range("Wide"), (CellRange{0, {2, 1}, {10, 8}}));

  // Rows holding only cells beside the inserted columns keep them, also a row that gave its own
  // back and then received those of the row below.
  TemplateParts beside = ReportTemplate();
  beside.sheetData = R"(<row r="20"><c r="J20"><v>20</v></c></row><row r="21"><c r="J21"><v>21</v></c></row>)";
  Workbook notes = Workbook::Open(Template(beside, "beside.xlt"));
  notes.Insert(CellRange{0, {20, 1}, {20, 8}});
  EXPECT_EQ(notes.Read(0, {20, 10}), std::optional<CellValue>(20.0));
  EXPECT_EQ(notes.Read(0, {21, 10}), std::optional<CellValue>(21.0));

  TemplateParts bottom = ReportTemplate();
  bottom.sheetData = R"(<row r="1048575"><c r="A1048575"><v>1</v></c></row>)";
  Workbook full = Workbook::Open(Template(bottom, "bottom.xlt"));
  EXPECT_THROW(full.Insert(CellRange{0, {1048570, 1}, {1048571, 1}}), WorkbookError);
  EXPECT_EQ(full.Read(0, {1048575, 1}), std::optional<CellValue>(1.0));
  full.Insert(CellRange{0, {1048570, 1}, {1048570, 1}});
  EXPECT_EQ(full.Read(0, {1048576, 1}), std::optional<CellValue>(1.0));
}

TEST_F(WorkbookTest, TextsSurviveAsWrittenAndCellTypesRead) {
  TemplateParts parts = ReportTemplate();
  parts.sheetData =
      R"(<row r="2"><c r="A2" t="b"><v>1</v></c><c r="B2" t="str"><f>"a"&amp;"b"</f><v>ab</v></c>)"
      R"(<c r="C2" t="e"><v>#N/A</v></c><c r="D2" t="s"><v>7</v></c><c r="E2"><v>garbage</v></c><c><v>3</v></c></row>)"
      R"(<row><c r="A3" t="inlineStr"><is><r><t xml:space="preserve"> x </t></r><r><t>y_x000D_</t></r></is></c></row>)";
  Workbook book = Workbook::Open(Template(parts));
  EXPECT_EQ(Values(book, {{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {2, 6}}),
            (Cells{1.0, std::string("ab"), std::string("#N/A"), std::nullopt, std::nullopt, 3.0}));
  EXPECT_EQ(TextAt(book, 3, 1), " x y\r");

  const std::vector<std::string> texts{"  Ток, А  ",
                                       "a\x01\x1F"
                                       "b\x7F",
                                       "_x0041_", "bad\xFF\xC3utf8", "\t<&>\"'"};
  for (std::size_t i = 0; i < texts.size(); ++i) book.Value(CellRange{0, {10, int(i) + 1}, {10, int(i) + 1}}, texts[i]);
  book.Value(CellRange{0, {11, 1}, {11, 3}}, std::vector<CellValue>{0.1, -2e300, 1.0 / 0.0});
  const std::string saved = dir_ / "texts.xlsx";
  book.Save(saved);
  const Workbook reopened = Workbook::Open(saved);
  const std::vector<std::string> expected{"  Ток, А  ", "ab\x7F", "_x0041_", "badutf8", "\t<&>\"'"};
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(TextAt(reopened, 10, int(i) + 1), expected[i]) << i;
  EXPECT_EQ(Values(reopened, {{11, 1}, {11, 2}, {11, 3}}), (Cells{0.1, -2e300, std::string("#NUM!")}));
}

std::string Repeated(std::string_view piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// A spreadsheet program refuses or cuts a cell of more than 32,767 characters, counted in UTF-16
// units as it counts them: the workbook clips, never inside a character, and says which cells.
TEST_F(WorkbookTest, TextsLongerThanACellHoldsAreClippedAtACharacterAndTheCellsNamed) {
  Workbook book = Workbook::Open(Template(ReportTemplate()));
  const std::string exact = Repeated("Ж", 32767);
  const std::string smiles = Repeated("x", 32766) + "\U0001F600";  // the last needs two units
  const std::string garbled = Repeated("y", 32767) + "\xFF\xFE";   // dropped bytes count for nothing
  EXPECT_EQ(book.Value(CellRange{0, {10, 1}, {10, 1}}, exact), std::vector<CellRef>{});
  EXPECT_EQ(book.Value(CellRange{0, {10, 2}, {10, 2}}, smiles), (std::vector<CellRef>{{10, 2}}));
  EXPECT_EQ(book.Value(CellRange{0, {10, 3}, {10, 3}}, garbled), std::vector<CellRef>{});
  EXPECT_EQ(book.Value(CellRange{0, {11, 1}, {12, 2}}, exact + "Ж"),
            (std::vector<CellRef>{{11, 1}, {11, 2}, {12, 1}, {12, 2}}));
  EXPECT_EQ(book.Value(CellRange{0, {13, 1}, {13, 4}},
                       std::vector<CellValue>{1.0, std::string("ok"), Repeated("z", 40000), exact + "\t"}),
            (std::vector<CellRef>{{13, 3}, {13, 4}}));
  const std::string saved = dir_ / "long.xlsx";
  book.Save(saved);

  const Workbook reopened = Workbook::Open(saved);
  EXPECT_EQ(Values(reopened, {{10, 1}, {10, 2}, {10, 3}, {12, 2}, {13, 3}, {13, 4}}),
            (Cells{exact, Repeated("x", 32766), Repeated("y", 32767), exact, Repeated("z", 32767), exact}));
}

TEST(CellAddress, NamesAndAddressesRoundTrip) {
  EXPECT_EQ(CellName({1, 1}), "A1");
  EXPECT_EQ(CellName({3, 28}, true), "$AB$3");
  EXPECT_EQ(CellName({1048576, 16384}), "XFD1048576");
  EXPECT_EQ(RangeAddress(CellRange{2, {3, 2}, {3, 2}}), "$B$3");
  EXPECT_EQ(RangeAddress(CellRange{0, {10, 1}, {10, 8}}), "$A$10:$H$10");
  for (int column = 1; column <= 16384; ++column) {
    const auto parsed = ParseRangeAddress(CellName({7, column}));
    ASSERT_TRUE(parsed) << column;
    ASSERT_EQ(parsed->first, (CellRef{7, column}));
  }

  EXPECT_EQ(ParseRangeAddress("$A$10:$H$10"), (CellRange{0, {10, 1}, {10, 8}}));
  EXPECT_EQ(ParseRangeAddress("h1:A3"), (CellRange{0, {1, 1}, {3, 8}}));
  EXPECT_EQ(ParseRangeAddress("'Лист ''1'''!B$3"), (CellRange{0, {3, 2}, {3, 2}}));
  EXPECT_EQ(ParseRangeAddress("Sheet1!$A$1:$B2"), (CellRange{0, {1, 1}, {2, 2}}));
  for (const char* bad : {"", "A", "1", "A0", "XFE1", "A1048577", "A1:", ":A1", "$5:$5", "$A:$B", "A1:B2:C3", "#REF!",
                          "Sheet1!#REF!", "[1]Sheet1!A1", "Sheet1:Sheet2!A1", "'Open!A1", "A$", "A1 "}) {
    EXPECT_EQ(ParseRangeAddress(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace quillon
