#include "app/main/search_results.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>
#include <utility>

#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/link_tasks.h"
#include "link/port_names.h"
#include "text/numbers.h"

namespace quillon {

namespace {

constexpr int kDefaultFrameEnd = 8;

QPixmap NewPicture() {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(160, 0, 0));
  painter.setBrush(QColor(230, 30, 30));
  painter.drawRoundedRect(QRectF(0.5, 3.5, 15, 9), 2, 2);
  QFont font = painter.font();
  font.setPixelSize(7);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 3, 16, 10), Qt::AlignCenter, QStringLiteral("NEW"));
  return picture;
}

QPixmap NoPicture() {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  return picture;
}

QString ItemText(int index, const std::string& id) {
  return QStringLiteral("%1: ").arg(index + 1, 2, 16, QLatin1Char('0')).toUpper() + QString::fromStdString(id);
}

}  // namespace

SearchStopPanel::SearchStopPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pnSearchStop"));
  setMinimumHeight(44);
  setCursor(Qt::PointingHandCursor);
}

void SearchStopPanel::SetCounter(std::uint8_t counter) {
  counter_ = counter;
  update();
}

void SearchStopPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton option;
  option.initFrom(this);
  option.state |= pressed_ ? QStyle::State_Sunken : QStyle::State_Raised;
  style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.drawText(QRect(0, 2, width(), height() - 14), Qt::AlignCenter, QStringLiteral("Остановить поиск"));

  const SearchProgressGeometry geometry = SearchProgress(width(), height(), counter_);
  const SearchProgressRect& outline = geometry.outline;
  // The progress bar is drawn in the button's text colour, which stands out on its face.
  const QColor ink = palette().color(QPalette::ButtonText);
  painter.setPen(ink);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(outline.left, outline.top, outline.right - outline.left - 1, outline.bottom - outline.top - 1);
  const SearchProgressRect& bar = geometry.bar;
  if (bar.right > bar.left) painter.fillRect(bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top, ink);
}

void SearchStopPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  update();
}

void SearchStopPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  update();
  if (rect().contains(event->position().toPoint())) emit clicked();
}

TSearchRes::TSearchRes(const WorkspacePaths& paths, LinkTaskQueue& tasks, LinkHub& hub, QWidget* parent)
    : QDialog(parent), paths_(paths), tasks_(tasks), line_(std::make_shared<Attachment>(hub)) {
  setObjectName(QStringLiteral("TSearchRes"));
  setWindowTitle(QStringLiteral("Результаты поиска"));
  resize(360, 300);
  auto* layout = new QVBoxLayout(this);
  SrList_ = new QListWidget(this);
  SrList_->setObjectName(QStringLiteral("SrList"));
  SrList_->setIconSize(QSize(16, 16));
  pnSearchStop_ = new SearchStopPanel(this);
  layout->addWidget(SrList_, 1);
  layout->addWidget(pnSearchStop_);
  connect(pnSearchStop_, &SearchStopPanel::clicked, this, [this] {
    StopSearch();
    reject();
  });
  connect(SrList_, &QListWidget::itemDoubleClicked, this, &TSearchRes::SrListDblClick);
}

TSearchRes::~TSearchRes() { StopSearch(); }

void TSearchRes::Start(const LinkFieldTexts& fields) {
  // An earlier search of this window leaves its port before the next one begins.
  StopSearch();
  SrList_->clear();
  results_.clear();
  pnSearchStop_->SetCounter(0);
  const std::uint64_t generation = ++generation_;

  // The sweep sends its own frames: the protocol only has to be a serial one.
  LinkFieldTexts serial = fields;
  serial.protocol = kProtocolMODBUSRTU;
  if (serial.frameEnd.empty()) serial.frameEnd = std::to_string(kDefaultFrameEnd);
  std::optional<Endpoint> endpoint = EndpointOf(serial);
  if (!endpoint) return;

  QPointer<TSearchRes> self(this);
  sweep_ = std::make_shared<DeviceSweep>([self, generation](SweepStep step) {
    OnWindowThreadCall(self, [generation, step = std::move(step)](TSearchRes& w) { w.ShowStep(generation, step); });
  });
  sweep_->Start();
  attached_ = true;
  searching_ = true;
  tasks_.Post([sweep = sweep_, line = line_, endpoint = std::move(*endpoint), self, generation] {
    const bool polling = !line->Open(endpoint);
    if (polling) line->Add(sweep->Request());
    OnWindowThreadCall(self, [generation, polling](TSearchRes& w) { w.Registered(generation, polling); });
  });
}

void TSearchRes::Registered(std::uint64_t generation, bool polling) {
  if (generation != generation_ || polling) return;
  searching_ = false;
  attached_ = false;
}

void TSearchRes::ShowStep(std::uint64_t generation, const SweepStep& step) {
  if (generation != generation_) return;
  pnSearchStop_->SetCounter(step.counter);
  if (step.found) {
    if (auto found = ProcessFoundText(paths_, *step.found)) {
      auto* item = new QListWidgetItem(ItemText(SrList_->count(), found->id), SrList_);
      // A known device gets an empty picture of the same size, so every text starts in one column.
      item->setIcon(QIcon(found->noDeviceFile ? NewPicture() : NoPicture()));
      results_.push_back(std::move(*found));
    }
  }
  // The worker drops the record by itself; withdrawing it as well lets the port close.
  if (step.last && searching_) {
    searching_ = false;
    Withdraw();
  }
}

void TSearchRes::StopSearch() {
  if (!sweep_) return;
  sweep_->Stop();
  searching_ = false;
  Withdraw();
}

void TSearchRes::Withdraw() {
  if (!sweep_ || !attached_) return;
  tasks_.Post([sweep = sweep_, line = line_] { line->Withdraw(sweep->Request()); });
  attached_ = false;
}

void TSearchRes::done(int result) {
  StopSearch();
  QDialog::done(result);
}

void TSearchRes::SrListDblClick(QListWidgetItem* item) {
  if (searching_ || item == nullptr) return;
  const int row = SrList_->row(item);
  if (row < 0 || row >= static_cast<int>(results_.size())) return;
  CurrentPrompt().Warning("Quillon", results_[static_cast<std::size_t>(row)].id);
}

}  // namespace quillon
