#include "app/tools/tirel_prog_select.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>
#include <utility>

#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "app/tools/card_target.h"
#include "app/widgets/widget_helpers.h"
#include "card/card_queries.h"
#include "link/comm_list.h"
#include "link/link_tasks.h"
#include "link/serial_port.h"
#include "link/tcpip_list.h"
#include "player/player_status.h"
#include "text/numbers.h"

namespace quillon {

namespace {

constexpr int kMsgDelayMs = 100;

}  // namespace

TfmTirelProgSelect::TfmTirelProgSelect(const ToolContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setObjectName(QStringLiteral("fmTirelProgSelect"));
  setWindowTitle(QStringLiteral("Выбор программы"));
  QPointer<TfmTirelProgSelect> self(this);
  link_ = std::make_shared<CardLink>(context.hub, [self](CardStep step) {
    OnWindowThreadCall(self, [step = std::move(step)](TfmTirelProgSelect& dialog) { dialog.Stepped(step); });
  });

  auto* layout = new QGridLayout(this);
  btGetFilesList_ = Named(new QPushButton(QStringLiteral("Обновить список файлов"), this), "btGetFilesList");
  lbFiles_ = Named(new QListWidget(this), "lbFiles");
  edFileName_ = Named(new QLineEdit(this), "edFileName");
  btSelectFile_ = Named(new QPushButton(QStringLiteral("Выбрать файл"), this), "btSelectFile");
  btChancel_ = Named(new QPushButton(QStringLiteral("Отмена"), this), "btChancel");
  layout->addWidget(btGetFilesList_, 0, 0, 1, 2);
  layout->addWidget(lbFiles_, 1, 0, 1, 2);
  layout->addWidget(edFileName_, 2, 0, 1, 2);
  layout->addWidget(btSelectFile_, 3, 0);
  layout->addWidget(btChancel_, 3, 1);
  layout->setRowStretch(1, 1);

  tmrMsg_ = Named(new QTimer(this), "tmrMsg");
  tmrMsg_->setInterval(kMsgDelayMs);
  connect(btGetFilesList_, &QPushButton::clicked, this, &TfmTirelProgSelect::btGetFilesListClick);
  connect(lbFiles_, &QListWidget::itemClicked, this, &TfmTirelProgSelect::lbFilesClick);
  connect(lbFiles_, &QListWidget::currentRowChanged, this, &TfmTirelProgSelect::lbFilesClick);
  connect(btSelectFile_, &QPushButton::clicked, this, &TfmTirelProgSelect::btSelectFileClick);
  connect(btChancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(tmrMsg_, &QTimer::timeout, this, &TfmTirelProgSelect::tmrMsgTimer);
  resize(320, 360);
}

TfmTirelProgSelect::~TfmTirelProgSelect() { Withdraw(); }

std::string TfmTirelProgSelect::FileName() const { return edFileName_->text().toStdString(); }

void TfmTirelProgSelect::btGetFilesListClick() {
  lbFiles_->clear();
  const Endpoint target = CardEndpointFor(Property);
  const std::uint64_t generation = ++generation_;
  auto operation = std::make_shared<CardListQuery>(target.address);
  QPointer<TfmTirelProgSelect> self(this);
  context_.tasks.Post([link = link_, target, operation = std::move(operation), generation, self] {
    const CardAttach attach = link->Start(target, operation, generation);
    OnWindowThreadCall(self, [generation, attach, place = target.Place()](TfmTirelProgSelect& dialog) {
      dialog.Attached(generation, attach, place);
    });
  });
}

void TfmTirelProgSelect::Attached(std::uint64_t generation, CardAttach attach, const std::string& place) {
  if (generation == generation_ && attach == CardAttach::PortFailed)
    CurrentPrompt().Warning("Quillon", PortErrorMessage(place));
}

void TfmTirelProgSelect::Stepped(const CardStep& step) {
  if (step.generation != generation_) return;
  if (step.fileName) lbFiles_->addItem(Text(*step.fileName));
  if (!step.Finished()) return;
  message_ = ProgramListMessage(step);
  if (!message_.empty()) tmrMsg_->start();
}

void TfmTirelProgSelect::tmrMsgTimer() {
  tmrMsg_->stop();
  if (!message_.empty()) CurrentPrompt().Warning("Quillon", message_);
}

void TfmTirelProgSelect::lbFilesClick() {
  if (QListWidgetItem* item = lbFiles_->currentItem()) edFileName_->setText(item->text());
}

void TfmTirelProgSelect::btSelectFileClick() {
  if (!edFileName_->text().isEmpty()) accept();
}

void TfmTirelProgSelect::done(int result) {
  // The card record leaves the port with the dialog; the player's own records stay.
  ++generation_;
  Withdraw();
  QDialog::done(result);
}

void TfmTirelProgSelect::Withdraw() {
  context_.tasks.Post([link = link_] { link->Withdraw(); });
}

}  // namespace quillon
