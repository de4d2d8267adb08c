// The scope window in record view mode: a record file shown instead of live data, with the same
// rows, zoom, scrolling, rulers and cursor; its header saved back, its variables chosen and
// ordered in "Свойства осциллограммы", its samples exported for a spreadsheet.
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <fstream>

#include "app/scope/link_window.h"
#include "app/scope/rec_property_dialog.h"
#include "app/scope/rec_selector.h"
#include "app/support/current_prompt.h"
#include "app/widgets/scope_panel.h"
#include "app/widgets/widget_helpers.h"
#include "platform/files.h"
#include "scope/record_check.h"
#include "scope/record_export.h"
#include "scope/record_file.h"
#include "text/numbers.h"
#include "variables/special/time_mark.h"

namespace quillon {

void TLinkWindowFm::OpenRecViewerMnClick() {
  std::string path;
  if (ChooseFile) {
    path = ChooseFile(QStringLiteral("Открыть осциллограмму ..."), context_.paths.records,
                      QStringLiteral("record files (*.rec)"), false);
  } else {
    TRecSelector selector(context_.paths, this);
    path = selector.SelectRecord();
  }
  if (path.empty()) {
    if (content_ == WindowContent::Empty) close();
    return;
  }
  OpenRecFile(path);
}

bool TLinkWindowFm::OpenRecFile(const std::string& path) {
  if (const std::optional<std::string> problem = RecordProblem(path)) {
    CurrentPrompt().Warning("Quillon", *problem);
    return false;
  }
  // Out of polling first: the record replaces the variable set.
  StopPolling();
  property_ = TBaseProperty{};
  NewSession();
  RecordHeader header;
  const int samples = OpenRecord(path, List(), header);
  if (List().Variables.empty() || !List().Item(0).IsTimeMark()) InsertTimeMark();
  recordPath_ = path;
  recordSamples_ = samples;
  property_.PortName = std::string(kViewRecordPort);
  property_.FilePath = path;
  property_.Caption = FileNameOf(path);
  property_.DevicePath = header.DevicePath;
  portInUse_ = property_.PortName;
  Panel(StatusPanel::Port)->setText(Text(portInUse_));
  Panel(StatusPanel::Rate)->clear();
  Panel(StatusPanel::Protocol)->clear();
  // The pointer tools start switched off; the marks stay where the record put them.
  for (QToolButton* button : {btTimeRulers_, btAmpMeter_, btZoomControl_}) button->setChecked(false);
  pointerTools_.Clear();
  SetContent(WindowContent::Record);
  setWindowTitle(Text(path));
  PlaceOnScreen({header.Left, header.Top, header.Width, header.Height});
  columnWidths_ = header.ColWidths;
  List().SetStep(TryReadReal(header.Zoom).value_or(1.0));
  Panel(StatusPanel::Zoom)->setText(Text(ZoomPercentText(List().Step)));
  HRScroll_->setRange(0, std::max(samples, 0));
  HRScroll_->setValue(std::clamp(static_cast<int>(TryReadInteger(header.Scroll).value_or(0)), 0, std::max(samples, 0)));
  List().SetScrollBack(HRScroll_->value());
  ShowRecordLayout();
  if (!drawing_) btScopeClick();
  btScope_->setEnabled(false);
  return true;
}

void TLinkWindowFm::ShowRecordLayout() {
  // The time mark is the row named "TimeMark"; a record without one gets a fresh one on top.
  TViewList& list = List();
  if (list.Variables.empty() || list.Item(0).Definition().Name != "TimeMark") InsertTimeMark();
  // A loaded ring's Head lies one past its last entry, which holds nothing: the value columns
  // would show zeros that were never recorded. The newest recorded sample is shown instead.
  if (recordSamples_ > 0) {
    for (auto& variable : list.Variables) variable->History.SetHead(variable->RingIndex(recordSamples_ - 1));
  }
  ResetVerticalRange();
  ApplyColumnWidths();
  rulers_.FindStored(TimeMark(), recordSamples_);
  Panel(StatusPanel::Interval)->setText(Text(rulers_.IntervalText(TimeMark()).value_or(std::string())));
  dirty_ = true;
  Redraw();
}

void TLinkWindowFm::SaveRecord() {
  if (!CurrentPrompt().Question("Quillon", "Сохранить изменения в осциллограмме\n" + recordPath_)) return;
  if (!RewriteRecordHeader(CurrentRecordHeader(), List(), recordPath_, CurrentPrompt())) {
    CurrentPrompt().Warning("Quillon", "Не удалось сохранить осциллограмму\n" + recordPath_);
  }
}

// Saved under another name: the record is copied and the copy gets the current header, so the
// original stays as it was recorded.
void TLinkWindowFm::SaveRecordAs() {
  std::string path = AskFile(QStringLiteral("Сохранить осциллограмму как..."), context_.paths.records,
                             QStringLiteral("record files (*.rec)"), true);
  if (path.empty()) return;
  if (path.size() < 4 || path.compare(path.size() - 4, 4, ".rec") != 0) path += ".rec";
  if (path == recordPath_) {
    SaveRecord();
    return;
  }
  if (!CopyFileTo(recordPath_, path, true) ||
      !RewriteRecordHeader(CurrentRecordHeader(), List(), path, CurrentPrompt())) {
    CurrentPrompt().Warning("Quillon", "Неполучилось создать фаил\n" + path);
    return;
  }
  recordPath_ = path;
  property_.FilePath = path;
  property_.Caption = FileNameOf(path);
  setWindowTitle(Text(path));
}

void TLinkWindowFm::RecordPropertiesClick() {
  TfmRecProperty dialog(this);
  if (!dialog.Edit(recordPath_, List(), recordSamples_)) return;
  ShowRecordLayout();
  // The variables were read afresh: they take up the position the scroll bar still shows.
  List().SetScrollBack(HRScroll_->value());
}

void TLinkWindowFm::ExportRecordCsvClick() {
  if (!RecordView()) return;
  std::string path = recordPath_;
  if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".rec") == 0) path.erase(path.size() - 4);
  path += ".csv";
  try {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("Неполучилось создать фаил\n" + path);
    WriteRecordCsv(recordPath_, out, true, std::nullopt, std::nullopt);
    out.close();
    if (!out) throw std::runtime_error("Не удалось записать файл\n" + path);
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  lastExport_ = path;
  statusBar()->showMessage(Text("Записано: " + path), 5000);
}

}  // namespace quillon
