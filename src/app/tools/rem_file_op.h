#pragma once
// TRemFileOp ("Операции с файлами"): the files on the controller's memory card. It lists them,
// downloads one to the PC, uploads a PC file, deletes one, has the device apply one, and shows
// the card's capacity. Every operation goes through one card link on the shared port workers;
// its answers come back to this window as queued calls.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/support/tool_window.h"
#include "card/card_link.h"
#include "card/traffic_meter.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTimer;

namespace quillon {

class TfmFileLoad;

class TRemFileOp : public TToolWindow {
  Q_OBJECT

 public:
  TRemFileOp(const ToolContext& context, const TBaseProperty& link, QWidget* parent = nullptr);
  ~TRemFileOp() override;

  // The next operation attaches to the port of these settings.
  void ApplyLink(const TBaseProperty& link) override;

  TfmFileLoad* FileLoad() const { return fmFileLoad_; }

  // A file the event tool wants in EventsAndStats/ of the program directory, under its card
  // name: stat.dat or event.edat whole, or the stretch of OSC.dat from `recordsBefore` records
  // before the record `position` on, `byteCount` bytes long.
  struct WantedFile {
    std::string name;
    std::uint32_t position = 0;
    std::uint32_t recordsBefore = 0;
    std::uint32_t byteCount = 0;  // 0: the whole file
  };
  // Told once the transfer is over, whatever became of it: whether the file is there, and the
  // card's message when it is not (empty when the user has already been told, as of a port).
  using TransferOver = std::function<void(bool received, const std::string& message)>;
  // Downloads `wanted` without asking, with `link`'s settings.
  void StartAutomaticDownload(const TBaseProperty& link, const WantedFile& wanted, TransferOver over);
  // The hand-operated use from the event tool: only listing and downloading are offered, and
  // stay so.
  void ShowForDownloadOnly(const TBaseProperty& link);
  // True from the start of a download or upload until it ends.
  bool Transferring() const { return transferring_; }

 protected:
  // The file dialog svdFileName, for choosing where a download goes and which file to upload;
  // nothing when the user cancels. Tests answer without a modal dialog.
  virtual std::optional<std::string> AskSavePath(const std::string& directory, const std::string& proposed);
  virtual std::optional<std::string> AskOpenPath(const std::string& directory);
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void btReloadNamesClick();
  void lbFilesClick();
  void btRefreshDiskStateClick();
  void btDownLoadClick();
  void btSelectFileClick();
  void btFileDeleteClick();
  void btUseFileClick();
  void tmrMsgTimer();
  void tmrTrafficTimer();

  Endpoint Target() const;
  void StartOperation(std::shared_ptr<CardOperation> operation);
  void Attached(std::uint64_t generation, CardAttach attach, const std::string& place);
  void Stepped(const CardStep& step);
  void BeginTransfer(const QString& fileName);
  void EndTransfer();
  void Withdraw();
  void Remember(const std::string& path);
  void ReportTransferOver(bool received, const std::string& message);

  QTabWidget* pcOperations_ = nullptr;
  QPushButton* btReloadNames_ = nullptr;
  QListWidget* lbFiles_ = nullptr;
  QPushButton* btSelectFile_ = nullptr;
  QLineEdit* edFileName_ = nullptr;
  QPushButton* btDownLoad_ = nullptr;
  QPushButton* btUseFile_ = nullptr;
  QPushButton* btFileDelete_ = nullptr;
  QLabel* lbTotalSize_ = nullptr;
  QPushButton* btRefreshDiskState_ = nullptr;
  QTimer* tmrMsg_ = nullptr;
  QTimer* tmrTraffic_ = nullptr;
  TfmFileLoad* fmFileLoad_ = nullptr;

  std::shared_ptr<CardLink> link_;
  TrafficMeter meter_;
  std::uint64_t generation_ = 0;
  bool transferring_ = false;
  std::string message_;
  std::string diskSize_;
  std::string lastDirectory_;
  TransferOver transferOver_;
};

}  // namespace quillon
