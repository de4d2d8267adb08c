#pragma once
// TLinkWindowFm, the scope window: polls a block of device memory as fast as the device
// answers, takes one sample of every shown variable per answer and draws each as a row of
// texts and a trend. From here the engineer pauses, scrolls back through the last 32768
// samples, zooms, measures between two rulers, reads all values at a cursor, writes a value,
// traces to a file and saves samples as a record.
//
// Threads: the answers are handled on the port worker's thread (ScopePoll, inside the
// session); this window only reads the rings. Registering and withdrawing the records runs on
// the program's link task queue, whose outcome comes back here as a queued call, so the
// window's thread never waits for a port or a worker. Redraws are coalesced to the screen's
// pace instead of one per answer.
#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/scope/scope_context.h"
#include "app/scope/scope_icons.h"
#include "scope/base_property.h"
#include "scope/record_header.h"
#include "scope/scope_columns.h"
#include "scope/scope_marks.h"
#include "scope/scope_session.h"
#include "scope/window_box.h"

class QAction;
class QComboBox;
class QGridLayout;
class QHeaderView;
class QLabel;
class QMenu;
class QScrollBar;
class QTimer;
class QToolButton;

namespace quillon {

class ScopePanel;
class TTimeMark;
class TView;

// The panels of the window's status bar, left to right.
enum class StatusPanel {
  Port,        // the port polled, or "View Record"
  Rate,        // answers in the last second, or "DNR!"/"CRC!"
  Protocol,    // the protocol polled
  Zoom,        // the zoom in percent
  Interval,    // the time between the two rulers
  CursorTime,  // the time of the sample under the cursor
  Spare,       // takes the rest of the bar
};

class TLinkWindowFm : public QMainWindow {
  Q_OBJECT

 public:
  // `context` outlives the window. The window deletes itself when closed.
  explicit TLinkWindowFm(ScopeContext& context, QWidget* parent = nullptr);
  ~TLinkWindowFm() override;

  // Loads a scope window file and starts polling; false when the file was refused.
  bool LoadScopeFile(const std::string& path);
  // Shows a record file instead of polling (record view).
  bool OpenRecFile(const std::string& path);

  // The window's file commands.
  void OpenExistMnClick();
  void OpenRecViewerMnClick();
  void NewMnClick();
  void WinPropMnClick();
  void SaveItMnClick();
  void SaveAsMnClick();
  void mnSaveAsScopeTemplateClick();

  void btStartStopClick();
  void btScopeClick();
  void btOptionsClick();
  void btRecordClick();
  void RecSelectedBufClick();
  void RecBurManualMnClick();
  void btZoomControlClick();
  void btTimeRulersClick();
  void btAmpMeterClick();
  void btTraceControlClick();
  // Closes the trace and gives its file name back.
  void CloseTrace();
  // Takes the box a scope or record file stored, brought onto the screen.
  void PlaceOnScreen(const WindowBox& stored);
  void mnDeleteClick();
  // Record view: the samples as CSV beside the record (physical values, decimal comma).
  void ExportRecordCsvClick();
  const std::string& LastExport() const { return lastExport_; }
  // Executes the command line ("name=value").
  void CmdLineKeyPress();
  QString StatusText(StatusPanel panel) const;

  TBaseProperty& Property() { return property_; }
  TViewList& List() { return session_->list; }
  ScopeSession& Session() { return *session_; }
  bool Paused() const { return paused_; }
  bool RecordView() const { return content_ == WindowContent::Record; }
  // Answers handled since the window started polling, for the benchmark and the tests.
  std::uint64_t AnswersSeen() const { return answersSeen_; }
  const ScopeRulers& Rulers() const { return rulers_; }
  ScopePanel& Scope() { return *Scope_; }
  // The file dialogs of the window's commands: the chosen path, empty when cancelled. Tests
  // answer instead of a dialog.
  std::function<std::string(const QString& title, const std::string& directory, const QString& filter, bool save)>
      ChooseFile;

  // Where the last record was written (empty when none was).
  const std::string& LastRecordPath() const { return lastRecord_; }

 signals:
  // Sent once as the window goes away, so the main window drops it from its list.
  void WindowGone(TLinkWindowFm* window);
  // Ask the main window to open a record in a new scope window.
  void OpenRecordRequested(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // What the window shows.
  enum class WindowContent {
    Empty,      // no file yet: the window closes when the first file dialog is cancelled
    LiveScope,  // a scope window file, polled from the device
    Record,     // a record file, without a link
  };
  // The pointer tools of the tool bar. Each has its own button and several may be on at once
  // (an engineer zooms in while the rulers stay up): a press on the trend goes to the zoom
  // first, then to the rulers, then to the cursor, and with no tool it selects a row.
  enum class PointerTool : std::uint8_t {
    Zoom = 1,    // left zooms in, right zooms out
    Rulers = 2,  // places and drags the two time rulers
    Cursor = 4,  // reads every value at one sample
  };
  class PointerTools {
   public:
    bool On(PointerTool tool) const { return (bits_ & static_cast<std::uint8_t>(tool)) != 0; }
    void Set(PointerTool tool, bool on) {
      bits_ = on ? (bits_ | static_cast<std::uint8_t>(tool)) : (bits_ & ~static_cast<std::uint8_t>(tool));
    }
    void Clear() { bits_ = 0; }

   private:
    std::uint8_t bits_ = 0;
  };
  // Whether the window wants the device polled, and how registering went.
  enum class PollState {
    Off,
    Wanted,       // registering or polling
    Unreachable,  // the device did not answer registering: tried again every second
  };

  void BuildControls();
  void BuildToolBar();
  void BuildCommandLine(QWidget* central, QGridLayout* layout);
  void BuildColumnHeader(QWidget* central, QGridLayout* layout);
  void BuildScopeArea(QWidget* central, QGridLayout* layout);
  void BuildStatusBar();
  void ConnectToolButtons();
  void BuildMenus();
  QToolButton* AddToolButton(const char* name, const QString& hint, int icon, bool checkable);
  // Gives a tool button its picture, drawn for the present button face, and remembers which it
  // is so that a change of the palette draws it again.
  void SetToolIcon(QToolButton* button, ScopeIcon icon);
  void SetContent(WindowContent content);
  QLabel* Panel(StatusPanel panel) const;

  // Polling.
  void RefreshAutoMaxMnClick();
  void StopPolling();
  void PollWithdrawn(std::uint64_t generation);
  void PollRegistered(std::uint64_t generation, ScopeRegistration registration);
  void SendParamToDevice(TView& variable, std::uint32_t raw);
  // Starts a fresh session for another variable set; the old one is withdrawn and freed on the
  // link task queue.
  void NewSession();
  void InsertTimeMark();
  // Runs `change` to the variable list once no worker samples or traces it: at once after the
  // withdrawal when the window does not poll, else between withdrawal and registering again.
  void WithPollWithdrawn(std::function<void()> change);
  void RunPendingChanges();
  // The scale editors' way to change this window's list.
  std::function<void(std::function<void()>)> ListChangeGate();
  // Removes the row mnDeleteClick chose.
  void DeletePending();
  TTimeMark& TimeMark();

  // Drawing and sizing.
  void OneSecTimerTimer();
  void ViewTimerTimer();
  void Redraw();
  void ApplyColumnWidths();
  void hdSizeSectionResize(int section, int oldSize, int newSize);
  void HRScrollChange(int position);
  void VSScrollChange(int position);
  void ResetVerticalRange();
  void CopyLiveState();
  void ApplyLoadedLayout();
  void StartAfterLoad();
  RecordHeader CurrentRecordHeader() const;
  void ShowTraceFailure();
  // Record view.
  void ShowRecordLayout();
  void SaveRecord();
  void SaveRecordAs();
  void RecordPropertiesClick();
  std::string AskFile(const QString& title, const std::string& directory, const QString& filter, bool save);
  std::string ChooseFileDefault(const QString& title, const std::string& directory, const QString& filter, bool save);

  // Mouse on the scope panel.
  void ScopeMouseDown(QMouseEvent* event);
  void ScopeMouseMove(QMouseEvent* event);
  void ScopeMouseUp(QMouseEvent* event);
  void ScopeDblClick(QMouseEvent* event);
  void ScopeContextMenu(const QPoint& position);
  void RunCommand(const QString& text);

  ScopeContext& context_;
  TBaseProperty property_;
  std::shared_ptr<ScopeSession> session_;
  std::shared_ptr<TraceFile> trace_;
  // The trace file name held while the trace is on; empty otherwise.
  std::string traceName_;
  QPointer<TLinkWindowFm> self_;

  std::uint64_t generation_ = 0;
  PollState poll_ = PollState::Off;
  bool paused_ = false;
  // The trend is drawn at the frame clock's pace; off, it is drawn only when the layout changes.
  bool drawing_ = false;
  bool dirty_ = true;
  WindowContent content_ = WindowContent::Empty;
  PointerTools pointerTools_;
  bool recordSelected_ = false;
  std::string portInUse_ = "none";
  std::string recordPath_;
  std::string lastRecord_;
  std::string lastExport_;
  int recordSamples_ = 0;
  QAction* mnExportCsv_ = nullptr;
  std::uint64_t answersSeen_ = 0;
  TView* pendingDelete_ = nullptr;
  std::vector<std::function<void()>> pendingChanges_;
  ScopeRulers rulers_;
  ScopeCursor cursor_;
  std::optional<int> guideX_;
  std::array<int, 4> columnWidths_{50, 50, 30, 30};
  bool applyingWidths_ = false;

  QMenu* mnFile_ = nullptr;
  QAction* OpenExistMn_ = nullptr;
  QAction* OpenRecViewerMn_ = nullptr;
  QAction* NewMn_ = nullptr;
  QAction* WinPropMn_ = nullptr;
  QAction* SaveItMn_ = nullptr;
  QAction* SaveAsMn_ = nullptr;
  QAction* mnSaveAsScopeTemplate_ = nullptr;
  QAction* RecSelectedBuf_ = nullptr;
  QAction* RecBurManualMn_ = nullptr;
  QAction* recTrace_ = nullptr;
  QMenu* pmRecord_ = nullptr;
  QMenu* pmRow_ = nullptr;
  QToolButton* OpenBtn_ = nullptr;
  QToolButton* btSave_ = nullptr;
  QToolButton* btStartStop_ = nullptr;
  QToolButton* btScope_ = nullptr;
  QToolButton* btOptions_ = nullptr;
  QToolButton* btRecord_ = nullptr;
  QToolButton* btZoomControl_ = nullptr;
  QToolButton* btTimeRulers_ = nullptr;
  QToolButton* btAmpMeter_ = nullptr;
  QToolButton* btScale_ = nullptr;
  QToolButton* btTraceControl_ = nullptr;
  QWidget* cmdPanel_ = nullptr;
  QComboBox* CmdLine_ = nullptr;
  QHeaderView* hdSize_ = nullptr;
  ScopePanel* Scope_ = nullptr;
  QScrollBar* HRScroll_ = nullptr;
  QScrollBar* VSScroll_ = nullptr;
  std::array<QLabel*, static_cast<std::size_t>(StatusPanel::Spare) + 1> panels_{};
  QTimer* OneSecTimer_ = nullptr;
  QTimer* ViewTimer_ = nullptr;
};

}  // namespace quillon
