#include "app/tools/brenn_ab.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "app/tools/brenn_ab_grids.h"
#include "app/tools/form_change_counter.h"
#include "app/tools/form_limit.h"
#include "app/tools/rem_file_op.h"
#include "app/widgets/palette_colours.h"
#include "app/widgets/widget_helpers.h"
#include "platform/files.h"

namespace quillon {

namespace {

constexpr const char* kDataFilter = "Dat files (*.dat);;Bak files (*.bak);;All files (*)";
constexpr const char* kDeviceChangedText =
    "Файл устройства изменён не другой\nЗаново загрузите файлы:\n-статистики (страница \"Статистика\")\n"
    "-событий (страница \"Регистратор\")";

QLabel* StatusPanel(QWidget* parent, const char* name, const QString& text) {
  auto* panel = Named(new QLabel(text, parent), name);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setAutoFillBackground(true);
  return panel;
}

QTableWidget* Grid(QWidget* parent, const char* name) {
  auto* grid = Named(new QTableWidget(parent), name);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->verticalHeader()->hide();
  grid->setWordWrap(false);
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
  return grid;
}

// A panel on the grey of the desktop's button face, its text in the button's text colour.
void Grey(QLabel* panel) {
  QPalette palette = panel->palette();
  const QPalette system = QApplication::palette(panel);
  palette.setColor(QPalette::Window, system.color(QPalette::Button));
  palette.setColor(QPalette::WindowText, TextOn(system, QPalette::Button, QPalette::ButtonText));
  panel->setPalette(palette);
}

}  // namespace

TfmBrennAB::TfmBrennAB(const ToolContext& context, const TBaseProperty& link, QWidget* parent)
    : TToolWindow(context, link, QStringLiteral("Регистратор событий"), parent) {
  setObjectName(QStringLiteral("fmBrennAB"));
  QPointer<TfmBrennAB> self(this);
  link_ = std::make_shared<CardLink>(context.hub, [self](CardStep step) {
    OnWindowThreadCall(self, [step = std::move(step)](TfmBrennAB& window) { window.ExchangeOver(step); });
  });
  BuildControls();
  fileWindow_ = new TRemFileOp(context, link, this);
  fileWindow_->setWindowFlag(Qt::Window);
  formLimit_ = new TFormLimit(this);
  formChangeCounter_ = new TFormChangeCounter(this);
  connect(formLimit_, &QDialog::accepted, this, &TfmBrennAB::OscLimitsChosen);
  connect(formChangeCounter_, &QDialog::accepted, this, &TfmBrennAB::ButtonNewCountClick);
  ApplyLink(link);
}

TfmBrennAB::~TfmBrennAB() { Withdraw(); }

void TfmBrennAB::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Файл устройства (ini):"), this));
  edDevFile_ = Named(new QLineEdit(QStringLiteral("*.ini"), this), "edDevFile");
  edDevFile_->setReadOnly(true);
  top->addWidget(edDevFile_, 1);
  btChangeIni_ = Named(new QPushButton(QStringLiteral("Выбрать"), this), "btChangeIni");
  btChangeIni_->setToolTip(QStringLiteral("Выбор файла параметров устройства (*.ini)"));
  top->addWidget(btChangeIni_);
  layout->addLayout(top);
  pcPages_ = Named(new QTabWidget(this), "pcPages");
  pcPages_->addTab(BuildStatPage(), QStringLiteral("Статистика"));
  pcPages_->addTab(BuildEventPage(), QStringLiteral("Регистратор"));
  layout->addWidget(pcPages_, 1);

  connect(btChangeIni_, &QPushButton::clicked, this, &TfmBrennAB::btChangeIniClick);
  connect(btLoadStatFromDev_, &QPushButton::clicked, this, &TfmBrennAB::btLoadStatFromDevClick);
  connect(btLoadStatFromFile_, &QPushButton::clicked, this, &TfmBrennAB::btLoadStatFromFileClick);
  connect(btChangeCount_, &QPushButton::clicked, this, &TfmBrennAB::btChangeCountClick);
  connect(btStatReload_, &QPushButton::clicked, this, &TfmBrennAB::btStatReloadClick);
  connect(btLoadEventFile_, &QPushButton::clicked, this, &TfmBrennAB::btLoadEventFileClick);
  connect(btOpenEventFile_, &QPushButton::clicked, this, &TfmBrennAB::btOpenEventFileClick);
  connect(btEventRefresh_, &QPushButton::clicked, this, &TfmBrennAB::btEventRefreshClick);
  connect(btShowOSC_, &QPushButton::clicked, this, &TfmBrennAB::btShowOSCClick);
  connect(btShowOSCFromFile_, &QPushButton::clicked, this, &TfmBrennAB::btShowOSCFromFileClick);
  connect(StatGrid_, &QTableWidget::cellPressed, this, [this](int row, int) { StatGridMouseDown(row); });
  connect(EventGrid_, &QTableWidget::cellPressed, this, [this](int row, int) { EventGridMouseDown(row); });
  setMinimumSize(340, 300);
  resize(640, 420);
}

QWidget* TfmBrennAB::BuildStatPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* buttons = new QHBoxLayout;
  btLoadStatFromDev_ = Named(new QPushButton(QStringLiteral("Загрузить файл"), page), "btLoadStatFromDev");
  btLoadStatFromFile_ = Named(new QPushButton(QStringLiteral("Открыть файл"), page), "btLoadStatFromFile");
  btChangeCount_ = Named(new QPushButton(QStringLiteral("Изменить"), page), "btChangeCount");
  btStatReload_ = Named(new QPushButton(QStringLiteral("Обновить"), page), "btStatReload");
  for (QPushButton* button : {btLoadStatFromDev_, btLoadStatFromFile_, btChangeCount_, btStatReload_}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  btChangeCount_->hide();
  layout->addLayout(buttons);
  StatGrid_ = Grid(page, "StatGrid");
  layout->addWidget(StatGrid_, 1);
  auto* status = new QHBoxLayout;
  pLink_ = StatusPanel(page, "pLink", QStringLiteral("Связь"));
  FollowPalette(pLink_, [panel = pLink_] { Grey(panel); });
  pnErrStr_ = StatusPanel(page, "pnErrStr", QString());
  status->addWidget(pLink_);
  status->addWidget(pnErrStr_, 1);
  layout->addLayout(status);
  return page;
}

QWidget* TfmBrennAB::BuildEventPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* buttons = new QHBoxLayout;
  btLoadEventFile_ = Named(new QPushButton(QStringLiteral("Загрузить файл"), page), "btLoadEventFile");
  btOpenEventFile_ = Named(new QPushButton(QStringLiteral("Открыть файл"), page), "btOpenEventFile");
  btEventRefresh_ = Named(new QPushButton(QStringLiteral("Обновить"), page), "btEventRefresh");
  btShowOSC_ = Named(new QPushButton(QStringLiteral("Просмотреть"), page), "btShowOSC");
  btShowOSCFromFile_ = Named(new QPushButton(QStringLiteral("Просмотреть из файла"), page), "btShowOSCFromFile");
  for (QPushButton* button : {btLoadEventFile_, btOpenEventFile_, btEventRefresh_, btShowOSC_, btShowOSCFromFile_}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  btShowOSC_->hide();
  btShowOSCFromFile_->hide();
  layout->addLayout(buttons);
  EventGrid_ = Grid(page, "EventGrid");
  layout->addWidget(EventGrid_, 1);
  auto* status = new QHBoxLayout;
  pERLink_ = StatusPanel(page, "pERLink", QStringLiteral("Связь"));
  pnERErrStr_ = StatusPanel(page, "pnERErrStr", QString());
  status->addWidget(pERLink_);
  status->addWidget(pnERErrStr_, 1);
  layout->addLayout(status);
  return page;
}

void TfmBrennAB::ApplyLink(const TBaseProperty& link) {
  TToolWindow::ApplyLink(link);
  devicePath_ = link.DevicePath;
  edDevFile_->setText(Text(devicePath_));
  edDevFile_->setToolTip(Text(devicePath_));
  pcPages_->setCurrentIndex(0);
}

void TfmBrennAB::Warn(const std::string& text) { CurrentPrompt().Warning("Quillon", text); }

void TfmBrennAB::btChangeIniClick() {
  const auto path = AskIniPath(DirectoryOf(devicePath_));
  if (!path) return;
  devicePath_ = *path;
  edDevFile_->setText(Text(devicePath_));
  edDevFile_->setToolTip(Text(devicePath_));
  Warn(kDeviceChangedText);
}

void TfmBrennAB::btLoadStatFromFileClick() { OpenStatFile(false); }
void TfmBrennAB::btOpenEventFileClick() { OpenEventFile(false); }

std::optional<std::string> TfmBrennAB::BufferFilePath(const char* name, bool automatic) {
  std::string path = Context().paths.EventsAndStats() + name;
  if (!automatic) {
    const auto chosen = AskDataPath(Context().paths.EventsAndStats(), QString::fromUtf8(kDataFilter));
    if (!chosen) return std::nullopt;
    path = *chosen;
  }
  if (!FileExists(path)) {
    Warn(kBufferFileMissingText);
    return std::nullopt;
  }
  return path;
}

void TfmBrennAB::OpenStatFile(bool automatic) {
  const std::optional<std::string> found = BufferFilePath("stat.dat", automatic);
  if (!found) return;
  const std::string& path = *found;
  auto list = ReadStatDescriptions(devicePath_);
  if (!list.loaded) {
    Warn(list.message);
    stats_.clear();
    selectedStat_.reset();
    statLoaded_ = false;
    pnErrStr_->clear();
    return;
  }
  const BufferRead read = ReadStatFile(path, list.entries);
  if (!read.opened) {
    Warn(kFileOpenFailedText);
    return;
  }
  // The grid shows a value for every entry described however many the file had: the status line
  // says when the two disagree, so a zero or a missing counter is not taken for the controller's.
  pnErrStr_->setText(Text(StatSizeWarning(read.bytes, list.entries.size()).value_or(std::string())));
  stats_ = std::move(list.entries);
  statLoaded_ = true;
  selectedStat_.reset();
  FillStatGrid();
}

void TfmBrennAB::FillStatGrid() {
  std::vector<GridRow> rows;
  for (const StatEntry& entry : stats_) rows.push_back(StatGridRow(entry));
  FillEventToolGrid(*StatGrid_, StatGridHeader(), rows, 2, [](std::size_t) { return QColor(Qt::green); });
}

void TfmBrennAB::OpenEventFile(bool automatic) {
  const std::optional<std::string> found = BufferFilePath("event.edat", automatic);
  if (!found) return;
  const std::string& path = *found;
  // Whatever comes of it, no event stays chosen: a failed open leaves the grid as it was, but
  // "Просмотреть" must never reach for an event of a list that may be gone.
  selectedEvent_.reset();
  btShowOSC_->hide();
  btShowOSCFromFile_->hide();
  auto list = ReadEventDescriptions(devicePath_);
  eventsLoaded_ = list.loaded;
  if (!list.loaded) {
    Warn(list.message);
    return;
  }
  std::vector<ShownEvent> events;
  if (!ReadEventFile(path, list.entries, events).opened) {
    Warn(kFileOpenFailedText);
    return;
  }
  descriptions_ = std::move(list.entries);
  events_ = std::move(events);
  FillEventGrid();
}

void TfmBrennAB::FillEventGrid() {
  std::vector<GridRow> rows;
  for (const ShownEvent& event : events_) rows.push_back(EventGridRow(event));
  FillEventToolGrid(*EventGrid_, EventGridHeader(), rows, 4,
                    [this](std::size_t row) { return EventClassColour(events_[row].description.eventClass); });
}

void TfmBrennAB::StatGridMouseDown(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= stats_.size()) return;
  selectedStat_ = static_cast<std::size_t>(row);
  btChangeCount_->show();
}

void TfmBrennAB::EventGridMouseDown(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= events_.size()) return;
  selectedEvent_ = static_cast<std::size_t>(row);
  btShowOSC_->show();
  btShowOSCFromFile_->show();
}

void TfmBrennAB::btLoadStatFromDevClick() { fileWindow_->ShowForDownloadOnly(Property); }
void TfmBrennAB::btLoadEventFileClick() { fileWindow_->ShowForDownloadOnly(Property); }

void TfmBrennAB::btStatReloadClick() {
  btChangeCount_->hide();
  statLoaded_ = false;
  eventsLoaded_ = false;
  DownloadBufferFile(
      "stat.dat",
      [this] {
        stats_.clear();
        selectedStat_.reset();
        pnErrStr_->clear();
        FillStatGrid();
      },
      [this] { OpenStatFile(true); });
}

void TfmBrennAB::btEventRefreshClick() {
  btShowOSC_->hide();
  btShowOSCFromFile_->hide();
  statLoaded_ = false;
  eventsLoaded_ = false;
  DownloadBufferFile(
      "event.edat",
      [this] {
        events_.clear();
        selectedEvent_.reset();
        FillEventGrid();
      },
      [this] { OpenEventFile(true); });
}

void TfmBrennAB::DownloadBufferFile(const char* name, std::function<void()> empty, std::function<void()> open) {
  QPointer<TfmBrennAB> self(this);
  fileWindow_->StartAutomaticDownload(
      Property, {name},
      [self, empty = std::move(empty), open = std::move(open)](bool received, const std::string& message) {
        if (!self) return;
        // A copy left by an earlier download is not this controller's answer now: never shown as it.
        if (!received) {
          empty();
          self->Warn(message.empty() ? kNotReceivedText : message);
          return;
        }
        if (!message.empty()) self->Warn(message);
        open();
      });
}

std::optional<std::string> TfmBrennAB::AskIniPath(const std::string& directory) {
  const QString path = QFileDialog::getOpenFileName(this, QString(), Text(directory),
                                                    QStringLiteral("ini files (*.ini);;All files (*)"));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> TfmBrennAB::AskDataPath(const std::string& directory, const QString& filter) {
  const QString path = QFileDialog::getOpenFileName(this, QString(), Text(directory), filter);
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

void TfmBrennAB::closeEvent(QCloseEvent* event) {
  Withdraw();
  TToolWindow::closeEvent(event);
}

}  // namespace quillon
