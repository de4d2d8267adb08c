#include "maintenance/device_report.h"

#include <utility>

#include "maintenance/cell_text.h"
#include "maintenance/report_output.h"
#include "maintenance/scale_value_text.h"
#include "maintenance/workbook.h"
#include "variables/scale_table.h"
#include "variables/view_list.h"

namespace quillon {

namespace {

const char* const kStepTitles[kReportSteps] = {
    "1. Собираю информацию об устройстве",
    "2. Заполнение таблицы информацией об устройстве",
    "3. Заполнение таблицы уставок параметров",
    "4. Заполнение таблицы коэффициентов",
    "5. Таблицы заполнены",
};

std::string ClipNote(CellRef cell, const std::string& what) {
  return "Ячейка " + CellName(cell) + (what.empty() ? "" : " (" + what + ")") + ": текст обрезан до " +
         std::to_string(kMaxCellTextLength) + " знаков";
}

// The notes of named cells are made once the tables are filled: a template may put such a cell
// below a table, and the rows inserted for it move the cell down.
void NoteNamedCells(const Workbook& book, const std::vector<std::string>& names, ReportNotes& notes) {
  for (const auto& name : names) notes.push_back(ClipNote(book.Range(name).first, ""));
}

// Writes a text into a named cell; the name, when the text had to be clipped, joins `clipped`.
void NamedValue(Workbook& book, const std::string& name, const std::string& text, std::vector<std::string>& clipped) {
  if (!book.Value(book.Range(name), text).empty()) clipped.push_back(name);
}

std::vector<std::string> FillIdentityCells(Workbook& book, const TDeviceInfo4& device, const ReportProgress& progress) {
  const std::pair<const char*, std::string> cells[] = {
      {"mehanism", device.description},
      {"location", device.location},
      {"DeviceType", device.typeKey},
      {"SerialNumber", device.serial},
      {"FirmvareVersion", "v" + device.firmwareVersion + " дата прошивки " + device.firmwareDate},
      {"TimeBaseChange", device.lastDateTime},
      {"DeviceDir", device.path},
  };
  std::vector<std::string> clipped;
  int done = 0;
  for (const auto& [name, text] : cells) {
    NamedValue(book, name, text, clipped);
    progress.Done(++done);
  }
  return clipped;
}

// Makes room for the next values: the filled row is copied, cells are inserted at it (everything
// below moves down) and the copy is pasted into them, so the next values land on top and the
// formats of the template's row go with every row.
void PushRowDown(Workbook& book, const CellRange& row) {
  book.Copy(row);
  book.Insert(row);
  book.PasteSpecial(row);
}

void FillParameters(Workbook& book, const std::vector<ReportParameterRow>& parameters, const ReportProgress& progress,
                    ReportNotes& notes) {
  const CellRange row = book.Range("PNx", "ParamMU");
  const int count = static_cast<int>(parameters.size());
  progress.BeginStep(3, kStepTitles[2], count);
  for (int i = 0; i < count; ++i) {
    const ReportParameterRow& parameter = parameters[static_cast<std::size_t>(i)];
    const auto clipped = book.Value(row, std::vector<CellValue>(parameter.begin(), parameter.end()));
    // Every later parameter pushes this one down by a row: the first ends at the bottom.
    const int pushes = (count - 1 - i) * row.Rows();
    for (const CellRef cell : clipped) {
      notes.push_back(ClipNote({cell.row + pushes, cell.column}, "параметр " + parameter[0]));
    }
    if (i != count - 1) PushRowDown(book, row);
    progress.Done(i + 1);
  }
}

void FillScales(Workbook& book, const std::vector<std::string>& lines, const ReportProgress& progress,
                ReportNotes& notes) {
  const CellRange row = book.Range("VarName", "VarValueEnd");
  const CellRange name = book.Range("VarName");
  const CellRange value = book.Range("VarValue");
  const CellRange values = book.Range("VarValue", "VarValueEnd");
  const int count = static_cast<int>(lines.size());
  progress.BeginStep(4, kStepTitles[3], count);
  std::vector<ReportNotes> lineNotes(lines.size());
  // From the last line to the first: each line is written on top, so the first ends up there.
  for (int i = count - 1; i >= 0; --i) {
    const std::string& line = lines[static_cast<std::size_t>(i)];
    auto clipped = book.Value(name, ScaleLineName(line));
    for (const CellRef cell : book.Value(value, ScaleValueText(ScaleLineValue(line)))) clipped.push_back(cell);
    // Every earlier line pushes this one down by a row.
    for (const CellRef cell : clipped) {
      lineNotes[static_cast<std::size_t>(i)].push_back(
          ClipNote({cell.row + i * row.Rows(), cell.column}, "коэффициент " + ScaleLineName(line)));
    }
    if (i != 0) {
      book.Merge(values);
      PushRowDown(book, row);
    }
    progress.Done(count - i);
  }
  for (auto& noted : lineNotes) notes.insert(notes.end(), noted.begin(), noted.end());
}

}  // namespace

std::vector<ReportParameterRow> ReportParameterRows(TViewList& list) {
  std::vector<ReportParameterRow> rows;
  rows.reserve(list.Variables.size());
  for (const auto& variable : list.Variables) {
    rows.push_back({variable->Definition().Key, variable->Definition().Name, variable->Definition().RegisterText,
                    variable->Definition().ScaleText, variable->Definition().Description, variable->BaseValue,
                    variable->ColumnTextAt(4, variable->History.Head()), variable->Definition().Units});
  }
  return rows;
}

ReportNotes FillDeviceIdentity(Workbook& book, const TDeviceInfo4& device, const ReportProgress& progress) {
  ReportNotes notes;
  NoteNamedCells(book, FillIdentityCells(book, device, progress), notes);
  return notes;
}

ReportNotes FillDeviceReport(Workbook& book, const TDeviceInfo4& device, const DeviceReportRequest& request,
                             const ReportProgress& progress) {
  const std::vector<std::string> identityClipped = FillIdentityCells(book, device, progress);
  ReportNotes tableNotes;
  FillParameters(book, request.parameters, progress, tableNotes);
  FillScales(book, request.scaleLines, progress, tableNotes);
  progress.BeginStep(5, kStepTitles[4], 3);
  std::vector<std::string> documentClipped;
  NamedValue(book, "DocDate", DateTimeText(request.when), documentClipped);
  progress.Done(1);
  NamedValue(book, "DocOrganization", request.organization, documentClipped);
  progress.Done(2);
  NamedValue(book, "DocNumber", request.number, documentClipped);
  progress.Done(3);
  // In the order the cells were filled.
  ReportNotes notes;
  NoteNamedCells(book, identityClipped, notes);
  notes.insert(notes.end(), tableNotes.begin(), tableNotes.end());
  NoteNamedCells(book, documentClipped, notes);
  return notes;
}

std::string MakeDeviceReport(const WorkspacePaths& paths, const DeviceReportRequest& request,
                             const ReportProgress& progress, ReportNotes* notes) {
  progress.BeginStep(1, kStepTitles[0], 1);
  const TDeviceInfo4 device = ReadDeviceInfo(request.devicePath);
  progress.Done(1);

  progress.BeginStep(2, kStepTitles[1], 7);
  const std::string templatePath = request.templatePath.empty() ? DeviceReportTemplate(paths) : request.templatePath;
  Workbook book = Workbook::Open(templatePath);
  ReportNotes filled = FillDeviceReport(book, device, request, progress);
  const std::string stem = device.serial.empty() ? "report" : device.typeKey + "_" + device.serial;
  const std::string written = SaveReport(book, paths, stem, request.when, request.outPath);
  if (notes) notes->insert(notes->end(), filled.begin(), filled.end());
  return written;
}

std::string DeviceReportTemplate(const WorkspacePaths& paths) { return paths.Xlt() + "template3.xlt"; }

}  // namespace quillon
