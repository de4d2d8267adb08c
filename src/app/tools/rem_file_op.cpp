#include "app/tools/rem_file_op.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "app/tools/card_target.h"
#include "app/tools/file_load.h"
#include "app/widgets/widget_helpers.h"
#include "card/card_download.h"
#include "card/card_queries.h"
#include "card/card_upload.h"
#include "events/osc_record.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_tasks.h"
#include "link/tcpip_list.h"
#include "platform/files.h"
#include "text/numbers.h"

namespace quillon {

namespace {

constexpr int kMsgDelayMs = 100;

// The program's registries, as far as they still exist (they go first when the program ends).
std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name the card would take for another file is refused before anything goes out.
bool NameRefused(const std::string& name) {
  const auto refused = CardNameRefusal(name);
  if (refused) CurrentPrompt().Warning("Quillon", *refused);
  return refused.has_value();
}

std::optional<std::string> RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const std::string& directory,
                                         const std::string& proposed) {
  QFileDialog dialog(parent, QStringLiteral("Загрузить файл на ПК..."), Text(directory), QStringLiteral("All (*)"));
  dialog.setObjectName(QStringLiteral("svdFileName"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!proposed.empty()) dialog.selectFile(Text(proposed));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace

TRemFileOp::TRemFileOp(const ToolContext& context, const TBaseProperty& link, QWidget* parent)
    : TToolWindow(context, link, QStringLiteral("Операции с файлами"), parent),
      diskSize_(kCardNoDiskSize),
      lastDirectory_(context.paths.program) {
  setObjectName(QStringLiteral("RemFileOp"));
  QPointer<TRemFileOp> self(this);
  link_ = std::make_shared<CardLink>(context.hub, [self](CardStep step) {
    OnWindowThreadCall(self, [step = std::move(step)](TRemFileOp& window) { window.Stepped(step); });
  });
  BuildControls();
  fmFileLoad_ = new TfmFileLoad(this);
  tmrTraffic_->start();
}

TRemFileOp::~TRemFileOp() { Withdraw(); }

void TRemFileOp::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  pcOperations_ = Named(new QTabWidget(this), "pcOperations");
  layout->addWidget(pcOperations_);

  auto* files = new QWidget(pcOperations_);
  auto* filesLayout = new QGridLayout(files);
  auto* onDisk = Named(new QGroupBox(QStringLiteral("Файлы на диске"), files), "gbFiles");
  auto* onDiskLayout = new QVBoxLayout(onDisk);
  btReloadNames_ = Named(new QPushButton(QStringLiteral("Обновить список"), onDisk), "btReloadNames");
  lbFiles_ = Named(new QListWidget(onDisk), "lbFiles");
  onDiskLayout->addWidget(btReloadNames_);
  onDiskLayout->addWidget(lbFiles_, 1);
  filesLayout->addWidget(onDisk, 0, 0, 2, 1);

  auto* upload = Named(new QGroupBox(QStringLiteral("Загрузить на диск из ПК"), files), "gbUpload");
  auto* uploadLayout = new QVBoxLayout(upload);
  btSelectFile_ = Named(new QPushButton(QStringLiteral("Выбрать файл на ПК"), upload), "btSelectFile");
  uploadLayout->addWidget(btSelectFile_);
  filesLayout->addWidget(upload, 0, 1);

  auto* selected = Named(new QGroupBox(QStringLiteral("Операции с выбранным файлом"), files), "gbSelected");
  auto* selectedLayout = new QVBoxLayout(selected);
  selectedLayout->addWidget(Named(new QLabel(QStringLiteral("Файл:"), selected), "lbFile"));
  edFileName_ = Named(new QLineEdit(selected), "edFileName");
  btDownLoad_ = Named(new QPushButton(QStringLiteral("Загрузить файл на ПК"), selected), "btDownLoad");
  btUseFile_ = Named(new QPushButton(QStringLiteral("Применить в устройстве"), selected), "btUseFile");
  btFileDelete_ = Named(new QPushButton(QStringLiteral("Удалить с диска"), selected), "btFileDelete");
  for (QWidget* widget : {static_cast<QWidget*>(edFileName_), static_cast<QWidget*>(btDownLoad_),
                          static_cast<QWidget*>(btUseFile_), static_cast<QWidget*>(btFileDelete_)}) {
    selectedLayout->addWidget(widget);
  }
  selectedLayout->addStretch(1);
  filesLayout->addWidget(selected, 1, 1);
  filesLayout->setColumnStretch(0, 1);
  filesLayout->setRowStretch(1, 1);
  pcOperations_->addTab(files, QStringLiteral("Файлы"));

  auto* disk = new QWidget(pcOperations_);
  auto* diskLayout = new QGridLayout(disk);
  diskLayout->addWidget(Named(new QLabel(QStringLiteral("Емкость диска, кБ:"), disk), "lbDiskCaption"), 0, 0);
  lbTotalSize_ = Named(new QLabel(QString::fromUtf8(kCardNoDiskSize), disk), "lbTotalSize");
  diskLayout->addWidget(lbTotalSize_, 0, 1);
  btRefreshDiskState_ = Named(new QPushButton(QStringLiteral("Обновить"), disk), "btRefreshDiskState");
  diskLayout->addWidget(btRefreshDiskState_, 1, 0);
  diskLayout->setColumnStretch(2, 1);
  diskLayout->setRowStretch(2, 1);
  pcOperations_->addTab(disk, QStringLiteral("Диск"));

  tmrMsg_ = Named(new QTimer(this), "tmrMsg");
  tmrMsg_->setInterval(kMsgDelayMs);
  tmrTraffic_ = Named(new QTimer(this), "tmrTraffic");
  tmrTraffic_->setInterval(kTrafficTickMs);

  connect(btReloadNames_, &QPushButton::clicked, this, &TRemFileOp::btReloadNamesClick);
  connect(lbFiles_, &QListWidget::itemClicked, this, &TRemFileOp::lbFilesClick);
  connect(lbFiles_, &QListWidget::currentRowChanged, this, &TRemFileOp::lbFilesClick);
  connect(btRefreshDiskState_, &QPushButton::clicked, this, &TRemFileOp::btRefreshDiskStateClick);
  connect(btDownLoad_, &QPushButton::clicked, this, &TRemFileOp::btDownLoadClick);
  connect(btSelectFile_, &QPushButton::clicked, this, &TRemFileOp::btSelectFileClick);
  connect(btFileDelete_, &QPushButton::clicked, this, &TRemFileOp::btFileDeleteClick);
  connect(btUseFile_, &QPushButton::clicked, this, &TRemFileOp::btUseFileClick);
  connect(tmrMsg_, &QTimer::timeout, this, &TRemFileOp::tmrMsgTimer);
  connect(tmrTraffic_, &QTimer::timeout, this, &TRemFileOp::tmrTrafficTimer);
  resize(460, 320);
}

void TRemFileOp::ApplyLink(const TBaseProperty& link) { TToolWindow::ApplyLink(link); }

Endpoint TRemFileOp::Target() const { return CardEndpointFor(Property); }

void TRemFileOp::StartOperation(std::shared_ptr<CardOperation> operation) {
  const std::uint64_t generation = ++generation_;
  QPointer<TRemFileOp> self(this);
  Context().tasks.Post([link = link_, target = Target(), operation = std::move(operation), generation, self] {
    const CardAttach attach = link->Start(target, operation, generation);
    OnWindowThreadCall(self, [generation, attach, place = target.Place()](TRemFileOp& window) {
      window.Attached(generation, attach, place);
    });
  });
}

void TRemFileOp::Attached(std::uint64_t generation, CardAttach attach, const std::string& place) {
  if (generation != generation_ || attach != CardAttach::PortFailed) return;
  if (transferring_) EndTransfer();
  CurrentPrompt().Warning("Quillon", PortErrorMessage(place));
  ReportTransferOver(false, std::string());
}

void TRemFileOp::ReportTransferOver(bool received, const std::string& message) {
  if (!transferOver_) return;
  // Taken first: the waiting tool may start the next download from inside.
  TransferOver over = std::move(transferOver_);
  transferOver_ = nullptr;
  over(received, message);
}

void TRemFileOp::StartAutomaticDownload(const TBaseProperty& link, const WantedFile& wanted, TransferOver over) {
  ApplyLink(link);
  if (transferring_) {
    // The one request record is busy; the tool must not wait for a transfer it did not start.
    QTimer::singleShot(0, this, [over = std::move(over)] { over(false, std::string()); });
    return;
  }
  message_.clear();
  const std::string directory = Context().paths.EventsAndStats();
  EnsureDirectory(directory);
  auto file = DownloadFile::Create(directory + wanted.name);
  if (!file) {
    QTimer::singleShot(0, this, [over = std::move(over), message = FileNotCreatedMessage(directory + wanted.name)] {
      over(false, message);
    });
    return;
  }
  CardSpan span;
  if (wanted.byteCount != 0) {
    const std::uint64_t first = wanted.position >= wanted.recordsBefore ? wanted.position - wanted.recordsBefore : 0;
    span.start = static_cast<std::uint32_t>(std::min<std::uint64_t>(first * kOscRecordSize, 0xFFFFFFFFu));
    span.limit = wanted.byteCount;
  }
  transferOver_ = std::move(over);
  StartOperation(
      std::make_shared<CardDownload>(CardAddressOf(Property), wanted.name, std::move(*file), link_->Counters(), span));
  BeginTransfer(Text(wanted.name));
}

void TRemFileOp::ShowForDownloadOnly(const TBaseProperty& link) {
  ApplyLink(link);
  for (QWidget* widget : {static_cast<QWidget*>(btSelectFile_->parentWidget()), static_cast<QWidget*>(btSelectFile_),
                          static_cast<QWidget*>(btUseFile_), static_cast<QWidget*>(btFileDelete_)}) {
    widget->hide();
  }
  edFileName_->clear();
  lbFiles_->clear();
  show();
  raise();
}

void TRemFileOp::Stepped(const CardStep& step) {
  if (step.generation != generation_) return;
  switch (step.kind) {
    case CardKind::List:
      if (step.fileName) lbFiles_->addItem(Text(*step.fileName));
      // A listing ends silently, unless the controller kept it going past any real card.
      if (!step.Finished() || step.message.empty()) return;
      break;
    case CardKind::Delete:
      if (step.relist) btReloadNamesClick();
      return;
    case CardKind::Download:
      EndTransfer();
      if (transferOver_) {
        // The tool that asked shows what it needs; no message box of this window's own.
        fmFileLoad_->hide();
        ReportTransferOver(step.outcome == CardOutcome::Done,
                           step.outcome == CardOutcome::Done ? std::string() : step.message);
        return;
      }
      break;
    case CardKind::Upload:
      EndTransfer();
      break;
    case CardKind::DiskState:
      if (step.diskBytes) diskSize_ = CardDiskKilobytesText(*step.diskBytes);
      break;
    case CardKind::Apply:
      break;
  }
  message_ = step.message;
  tmrMsg_->start();
}

void TRemFileOp::btReloadNamesClick() {
  if (transferring_) return;
  lbFiles_->clear();
  StartOperation(std::make_shared<CardListQuery>(CardAddressOf(Property)));
}

void TRemFileOp::lbFilesClick() {
  if (QListWidgetItem* item = lbFiles_->currentItem()) edFileName_->setText(item->text());
}

void TRemFileOp::btRefreshDiskStateClick() {
  if (transferring_) return;
  message_.clear();
  diskSize_ = kCardNoDiskSize;
  lbTotalSize_->setText(Text(diskSize_));
  StartOperation(std::make_shared<CardDiskStateQuery>(CardAddressOf(Property)));
}

void TRemFileOp::btDownLoadClick() {
  if (transferring_) return;
  message_.clear();
  const std::string name = edFileName_->text().toStdString();
  if (!name.empty() && NameRefused(name)) return;
  const auto path = AskSavePath(lastDirectory_, name);
  if (!path) return;
  Remember(*path);
  auto file = DownloadFile::Create(*path);
  if (!file) {
    CurrentPrompt().Warning("Quillon", FileNotCreatedMessage(*path));
    return;
  }
  // Without a name there is nothing to ask for; the empty file goes with `file`.
  if (name.empty()) return;
  StartOperation(std::make_shared<CardDownload>(CardAddressOf(Property), name, std::move(*file), link_->Counters()));
  BeginTransfer(edFileName_->text());
}

void TRemFileOp::btSelectFileClick() {
  if (transferring_) return;
  message_.clear();
  const auto path = AskOpenPath(lastDirectory_);
  if (!path) return;
  Remember(*path);
  const std::string name = NameOf(*path);
  if (NameRefused(name)) return;
  fmFileLoad_->SetFileName(Text(name));
  auto source = UploadSource::Open(*path);
  if (!source) {
    CurrentPrompt().Warning("Quillon", FileNotOpenedMessage(*path));
    return;
  }
  if (!CardUploadFits(source->Size())) {
    CurrentPrompt().Warning("Quillon", kCardUploadTooLargeMessage);
    return;
  }
  if (name.empty()) return;
  StartOperation(std::make_shared<CardUpload>(CardAddressOf(Property), name, std::move(*source), link_->Counters()));
  BeginTransfer(Text(name));
}

void TRemFileOp::btFileDeleteClick() {
  if (transferring_) return;
  const std::string name = edFileName_->text().toStdString();
  if (name.empty() || NameRefused(name)) return;
  StartOperation(std::make_shared<CardDeleteQuery>(CardAddressOf(Property), name));
}

void TRemFileOp::btUseFileClick() {
  if (transferring_) return;
  const std::string name = edFileName_->text().toStdString();
  if (name.empty()) {
    CurrentPrompt().Warning("Quillon", kCardNoFileMessage);
    return;
  }
  if (NameRefused(name)) return;
  StartOperation(std::make_shared<CardApplyQuery>(CardAddressOf(Property), name, link_->Counters()));
}

void TRemFileOp::BeginTransfer(const QString& fileName) {
  transferring_ = true;
  // Another operation would take the one request record from under the transfer.
  for (QPushButton* button :
       {btDownLoad_, btSelectFile_, btReloadNames_, btFileDelete_, btUseFile_, btRefreshDiskState_})
    button->setEnabled(false);
  fmFileLoad_->SetFileName(fileName);
  fmFileLoad_->show();
}

void TRemFileOp::EndTransfer() {
  transferring_ = false;
  for (QPushButton* button :
       {btDownLoad_, btSelectFile_, btReloadNames_, btFileDelete_, btUseFile_, btRefreshDiskState_})
    button->setEnabled(true);
  if (!isVisible()) Withdraw();
}

void TRemFileOp::tmrMsgTimer() {
  tmrMsg_->stop();
  fmFileLoad_->hide();
  if (!message_.empty()) CurrentPrompt().Warning("Quillon", message_);
  lbTotalSize_->setText(Text(diskSize_));
}

void TRemFileOp::tmrTrafficTimer() { fmFileLoad_->Show(meter_.Tick(link_->Counters())); }

std::optional<std::string> TRemFileOp::AskSavePath(const std::string& directory, const std::string& proposed) {
  return RunFileDialog(this, QFileDialog::AcceptSave, directory, proposed);
}

std::optional<std::string> TRemFileOp::AskOpenPath(const std::string& directory) {
  return RunFileDialog(this, QFileDialog::AcceptOpen, directory, std::string());
}

void TRemFileOp::Remember(const std::string& path) { lastDirectory_ = DirectoryOf(path); }

void TRemFileOp::closeEvent(QCloseEvent* event) {
  // A transfer goes on to its end (its window shows it) and lets the port go then.
  if (!transferring_) Withdraw();
  TToolWindow::closeEvent(event);
}

void TRemFileOp::Withdraw() {
  // The record stays alive in the task until the worker that may hold it has let it go.
  Context().tasks.Post([link = link_] { link->Withdraw(); });
}

}  // namespace quillon
