// The scope window's file commands: loading a scope window file or a record, the property
// dialog, saving, templates and writing records.
#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QToolButton>
#include <cmath>

#include "app/scope/link_window.h"
#include "app/scope/link_window_options.h"
#include "app/scope/window_property_dialog.h"
#include "app/support/current_prompt.h"
#include "app/widgets/widget_helpers.h"
#include "platform/files.h"
#include "scope/new_record_path.h"
#include "scope/record_file.h"
#include "scope/record_span.h"
#include "scope/scope_file.h"
#include "scope/scope_template.h"
#include "text/numbers.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

const QString kScopeFilter = QStringLiteral("win files (*.scp)");
const QString kRecordFilter = QStringLiteral("record files (*.rec)");

int IntegerOr(const std::string& text, int fallback) {
  const auto value = TryReadInteger(text);
  return value ? static_cast<int>(*value) : fallback;
}

}  // namespace

std::string TLinkWindowFm::ChooseFileDefault(const QString& title, const std::string& directory, const QString& filter,
                                             bool save) {
  const QString start = Text(directory);
  const QString chosen = save ? QFileDialog::getSaveFileName(this, title, start, filter)
                              : QFileDialog::getOpenFileName(this, title, start, filter);
  return chosen.toStdString();
}

std::string TLinkWindowFm::AskFile(const QString& title, const std::string& directory, const QString& filter,
                                   bool save) {
  return ChooseFile ? ChooseFile(title, directory, filter, save) : ChooseFileDefault(title, directory, filter, save);
}

void TLinkWindowFm::OpenExistMnClick() {
  const std::string path =
      AskFile(QStringLiteral("Open scope file ..."), context_.paths.scopeWindow, kScopeFilter, false);
  if (path.empty()) {
    if (content_ == WindowContent::Empty) close();
    return;
  }
  LoadScopeFile(path);
}

bool TLinkWindowFm::LoadScopeFile(const std::string& path) {
  TBaseProperty loaded;
  loaded.RefreshMode = "auto";
  const TBaseProperty previous = property_;
  std::shared_ptr<ScopeSession> kept = session_;
  // The rulers and the cursor live as marks in the kept session's time mark: a refusal keeps
  // them too, or the marks would stay with nothing left to remove them.
  const ScopeRulers previousRulers = rulers_;
  const ScopeCursor previousCursor = cursor_;
  // The file is read into a fresh session: the old one may still be polled until the link task
  // queue has withdrawn it.
  property_ = loaded;
  NewSession();
  context_.property.PointAt(property_);
  if (!context_.property.OpenWinFile(path)) {
    // Refused: the window stays as it was (a window without file stays empty).
    session_ = std::move(kept);
    rulers_ = previousRulers;
    cursor_ = previousCursor;
    property_ = previous;
    property_.Vars = &session_->list;
    property_.Image = session_->image;
    if (content_ == WindowContent::Empty) InsertTimeMark();
    return false;
  }
  SetContent(WindowContent::LiveScope);
  setWindowTitle(Text(property_.Caption));
  ApplyLoadedLayout();
  StartAfterLoad();
  return true;
}

void TLinkWindowFm::ApplyLoadedLayout() {
  for (std::size_t i = 0; i < columnWidths_.size(); ++i) {
    columnWidths_[i] = ColumnWidthsOf(property_.ColWidths)[i];
  }
  const int left = IntegerOr(property_.Left, x());
  const int top = IntegerOr(property_.Top, y());
  const int width = IntegerOr(property_.Width, this->width());
  const int height = IntegerOr(property_.Height, this->height());
  PlaceOnScreen({left, top, width, height});
}

void TLinkWindowFm::StartAfterLoad() {
  InsertTimeMark();
  TimeMark().Grid = property_.Grid != "0";
  List().LayoutByAddress(session_->image);
  ApplyColumnWidths();
  HRScroll_->setValue(0);
  VSScroll_->setValue(0);
  RefreshAutoMaxMnClick();
  // A window that never drew starts drawing now; one whose drawing was switched off stays off.
  if (!drawing_) btScopeClick();
  dirty_ = true;
}

void TLinkWindowFm::NewMnClick() {
  context_.property.SetNewWindow(true);
  WinPropMnClick();
}

void TLinkWindowFm::WinPropMnClick() {
  if (RecordView()) {
    RecordPropertiesClick();
    return;
  }
  CopyLiveState();
  context_.property.Edit(property_);
  // The dialog is shared by the scope windows: its scale changes go to this one's poll.
  context_.property.ScaleGate = ListChangeGate();
  const int result = context_.property.exec();
  context_.property.ScaleGate = nullptr;
  context_.property.SetNewWindow(false);
  if (result != QDialog::Accepted) {
    if (content_ == WindowContent::Empty) close();
    return;
  }
  // The dialog's shown list names the new variable set; it is built in a fresh session.
  NewSession();
  context_.property.PointAt(property_);
  context_.property.OpenDeviceFromList();
  SetContent(WindowContent::LiveScope);
  setWindowTitle(Text(property_.FilePath));
  StartAfterLoad();
}

void TLinkWindowFm::CopyLiveState() {
  property_.Left = std::to_string(x());
  property_.Top = std::to_string(y());
  property_.Width = std::to_string(width());
  property_.Height = std::to_string(height());
  for (std::size_t i = 0; i < columnWidths_.size(); ++i) property_.ColWidths[i] = std::to_string(columnWidths_[i]);
  property_.Grid = TimeMark().Grid ? "1" : "0";
}

void TLinkWindowFm::SaveItMnClick() {
  if (RecordView()) {
    SaveRecord();
    return;
  }
  if (property_.FilePath.empty()) return;
  CopyLiveState();
  try {
    SaveWinFile(property_, List());
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
  }
}

void TLinkWindowFm::SaveAsMnClick() {
  if (RecordView()) {
    SaveRecordAs();
    return;
  }
  std::string path = AskFile(QStringLiteral("Save file as..."), context_.paths.scopeWindow, kScopeFilter, true);
  if (path.empty()) return;
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.find_last_of('/');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
  path += ".scp";
  property_.FilePath = path;
  property_.Caption = FileNameOf(path);
  setWindowTitle(Text(property_.Caption));
  SaveItMnClick();
}

void TLinkWindowFm::mnSaveAsScopeTemplateClick() {
  if (RecordView() || property_.DevicePath.empty()) return;
  const std::optional<std::string> templatePath = ScopeTemplatePath(property_.DevicePath, context_.paths);
  if (!templatePath) {
    // A device whose ID names no type and firmware gives no template name.
    CurrentPrompt().Warning("Quillon", "Идентификатор устройства в файле " + property_.DevicePath +
                                           " не позволяет назвать шаблон осциллографа");
    return;
  }
  SaveItMnClick();
  if (!CopyFileTo(property_.FilePath, *templatePath, true)) {
    CurrentPrompt().Warning("Quillon", "Неполучилось создать фаил\n" + *templatePath);
  }
}

// --- records ---

RecordHeader TLinkWindowFm::CurrentRecordHeader() const {
  RecordHeader header;
  header.DevicePath = property_.DevicePath;
  header.Left = x();
  header.Top = y();
  header.Width = width();
  header.Height = height();
  header.ColWidths = columnWidths_;
  header.Zoom = ZoomText(session_->list.Step);
  header.Scroll = std::to_string(HRScroll_->value());
  return header;
}

void TLinkWindowFm::btRecordClick() {
  if (RecordView()) return;
  // Only the stretch between two rulers: without them there is nothing selected to write.
  if (recordSelected_ && rulers_.Count() < 2) return;
  // The rings hold still while they are copied: a sample taken half way would put a newer
  // value of some variables beside an older time.
  const auto write = [this] {
    const int head = TimeMark().History.Head();
    const RecordSpan span = recordSelected_ ? RulerSpan(head, rulers_.Index(0), rulers_.Index(1), kHistoryLength)
                                            : WholeHistorySpan(TimeMark(), head);
    if (span.count == 0) return;
    const std::string path = NewRecordPath(context_.paths.records, NowDateTime());
    if (WriteRecord(CurrentRecordHeader(), List(), span.first, path, span.first + span.count - 1, CurrentPrompt()) >
        0) {
      lastRecord_ = path;
    }
  };
  if (poll_ != PollState::Off) {
    WithPollWithdrawn(write);
  } else {
    write();
  }
}

void TLinkWindowFm::RecSelectedBufClick() {
  recordSelected_ = true;
  RecSelectedBuf_->setChecked(true);
  RecBurManualMn_->setChecked(false);
  pmRecord_->setDefaultAction(RecSelectedBuf_);
}

void TLinkWindowFm::RecBurManualMnClick() {
  recordSelected_ = false;
  RecSelectedBuf_->setChecked(false);
  RecBurManualMn_->setChecked(true);
  pmRecord_->setDefaultAction(RecBurManualMn_);
}

}  // namespace quillon
