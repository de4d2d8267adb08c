#pragma once
#include <functional>
// TfmBrennAB ("Регистратор событий"): the controller's event recorder. It shows the statistics
// counters and the events of local copies of the card's files, described by the device file,
// changes a counter in the controller, and turns the oscillogram around an event into a record
// the main window opens. The card files come through a file window of its own, by hand or
// downloaded on its behalf; the window never waits: each step goes on from the end report of
// the one before.
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/support/tool_window.h"
#include "card/card_link.h"
#include "events/buffer_files.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace quillon {

class OscRateQuery;
class OscRecorder;
class TFormChangeCounter;
class TFormLimit;
class TRemFileOp;

class TfmBrennAB : public TToolWindow {
  Q_OBJECT

 public:
  TfmBrennAB(const ToolContext& context, const TBaseProperty& link, QWidget* parent = nullptr);
  ~TfmBrennAB() override;

  void ApplyLink(const TBaseProperty& link) override;

  TRemFileOp* FileWindow() const { return fileWindow_; }
  TFormLimit* FormLimit() const { return formLimit_; }
  TFormChangeCounter* FormChangeCounter() const { return formChangeCounter_; }
  const std::string& DeviceFile() const { return devicePath_; }
  // The rate the controller last reported, records per second.
  int OscRate() const { return oscRate_; }

 protected:
  // The open dialogs; nothing when the user cancels. Tests answer without a modal dialog.
  virtual std::optional<std::string> AskIniPath(const std::string& directory);
  virtual std::optional<std::string> AskDataPath(const std::string& directory, const QString& filter);
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  QWidget* BuildStatPage();
  QWidget* BuildEventPage();

  void btChangeIniClick();
  void btLoadStatFromFileClick();
  void btOpenEventFileClick();
  void btLoadStatFromDevClick();
  void btLoadEventFileClick();
  void btStatReloadClick();
  void btEventRefreshClick();
  void btChangeCountClick();
  void ButtonNewCountClick();
  void btShowOSCClick();
  void btShowOSCFromFileClick();
  void StatGridMouseDown(int row);
  void EventGridMouseDown(int row);

  // Opening a file: `automatic` takes the downloaded copy instead of asking.
  // The downloaded file (automatic) or the one the engineer picks in EventsAndStats/; nothing
  // when he cancels or the file is missing (after the message).
  std::optional<std::string> BufferFilePath(const char* name, bool automatic);
  // Downloads a buffer file of the controller into EventsAndStats/; on success `open` shows it,
  // on failure `empty` clears what the grid held, and the failure is told.
  void DownloadBufferFile(const char* name, std::function<void()> empty, std::function<void()> open);
  void OpenStatFile(bool automatic);
  void OpenEventFile(bool automatic);
  void FillStatGrid();
  void FillEventGrid();

  // The device oscillogram, step by step.
  void OscLimitsChosen();
  void OscRateAnswered(const CardStep& step);
  void OscDownloaded(bool received, const std::string& message);
  // From a local file once the limits are chosen.
  void OscFromFile(const std::string& path);
  void OpenOscRecord(OscRecorder& recorder);

  enum class Exchange { None, Rate, Counter };
  Endpoint Target() const;
  // Sends one frame on the window's own link; the answer comes to ExchangeOver.
  void StartExchange(Exchange kind, std::shared_ptr<CardOperation> operation);
  void ExchangeAttached(std::uint64_t generation, CardAttach attach, const std::string& place);
  void ExchangeOver(const CardStep& step);
  void Withdraw();
  void Warn(const std::string& text);

  QLineEdit* edDevFile_ = nullptr;
  QPushButton* btChangeIni_ = nullptr;
  QTabWidget* pcPages_ = nullptr;
  QPushButton* btLoadStatFromDev_ = nullptr;
  QPushButton* btLoadStatFromFile_ = nullptr;
  QPushButton* btChangeCount_ = nullptr;
  QPushButton* btStatReload_ = nullptr;
  QTableWidget* StatGrid_ = nullptr;
  QLabel* pLink_ = nullptr;
  QLabel* pnErrStr_ = nullptr;
  QPushButton* btLoadEventFile_ = nullptr;
  QPushButton* btOpenEventFile_ = nullptr;
  QPushButton* btEventRefresh_ = nullptr;
  QPushButton* btShowOSC_ = nullptr;
  QPushButton* btShowOSCFromFile_ = nullptr;
  QTableWidget* EventGrid_ = nullptr;
  QLabel* pERLink_ = nullptr;
  QLabel* pnERErrStr_ = nullptr;
  TRemFileOp* fileWindow_ = nullptr;
  TFormLimit* formLimit_ = nullptr;
  TFormChangeCounter* formChangeCounter_ = nullptr;

  std::string devicePath_;
  std::vector<StatEntry> stats_;
  std::vector<EventDescription> descriptions_;
  std::vector<ShownEvent> events_;
  bool statLoaded_ = false;
  bool eventsLoaded_ = false;
  std::optional<std::size_t> selectedStat_;
  std::optional<std::size_t> selectedEvent_;
  int secondsBefore_ = 0;
  int secondsAfter_ = 0;
  int oscRate_ = 0;
  bool oscFromFile_ = false;
  std::string oscSourcePath_;

  std::shared_ptr<CardLink> link_;
  std::uint64_t generation_ = 0;
  Exchange exchange_ = Exchange::None;
  std::shared_ptr<OscRateQuery> rateQuery_;
};

}  // namespace quillon
