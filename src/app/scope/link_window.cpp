#include "app/scope/link_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <utility>

#include "app/scope/link_window_options.h"
#include "app/scope/scope_icons.h"
#include "app/support/current_prompt.h"
#include "app/support/window_thread.h"
#include "app/variables/scale_editor.h"
#include "app/variables/universal_property_dialog.h"
#include "app/widgets/scope_panel.h"
#include "app/widgets/widget_helpers.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "link/link_hub.h"
#include "link/link_tasks.h"
#include "scope/scope_write.h"
#include "text/numbers.h"
#include "variables/special/time_mark.h"

namespace quillon {
namespace {

// In the order of StatusPanel.
constexpr int kStatusPanelWidths[] = {38, 40, 50, 50, 80, 80, 50};
constexpr int kCommandPanelHeight = 19;
// The dynamic property of a tool button that names its picture.
constexpr const char* kIconProperty = "scopeIcon";

}  // namespace

TLinkWindowFm::TLinkWindowFm(ScopeContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), trace_(std::make_shared<TraceFile>(context.paths.trace)) {
  setObjectName(QStringLiteral("LinkWindowFm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Осциллограф"));
  self_ = this;
  // FormCreate: a window without file, ready to be given one.
  property_.RefreshMode = "auto";
  NewSession();
  InsertTimeMark();
  BuildControls();
  BuildMenus();
  SetContent(WindowContent::Empty);
  OneSecTimer_ = Named(new QTimer(this), "OneSecTimer");
  OneSecTimer_->setInterval(1000);
  connect(OneSecTimer_, &QTimer::timeout, this, &TLinkWindowFm::OneSecTimerTimer);
  OneSecTimer_->start();
  // A window of its own (no program frame clock, as in a test) keeps its own redraw timer.
  if (context_.frameClock != nullptr) {
    ViewTimer_ = context_.frameClock;
  } else {
    ViewTimer_ = Named(new QTimer(this), "ViewTimer");
    ViewTimer_->setInterval(kScopeFrameIntervalMs);
    ViewTimer_->setTimerType(Qt::PreciseTimer);
  }
  setMinimumSize(218, 150);
  resize(480, 356);
}

TLinkWindowFm::~TLinkWindowFm() {
  // The records go out of the workers on the task queue; the session is freed there after.
  if (auto session = std::move(session_)) context_.tasks.Post([session]() mutable { session.reset(); });
  CloseTrace();
  emit WindowGone(this);
}

void TLinkWindowFm::SetToolIcon(QToolButton* button, ScopeIcon icon) {
  button->setProperty(kIconProperty, static_cast<int>(icon));
  button->setIcon(ScopeIconOf(icon, palette().color(QPalette::Button)));
}

void TLinkWindowFm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // The pictures were drawn for the button face of the palette they were made under.
  if (event->type() != QEvent::PaletteChange) return;
  for (QToolButton* button : findChildren<QToolButton*>()) {
    const QVariant icon = button->property(kIconProperty);
    if (icon.isValid()) SetToolIcon(button, static_cast<ScopeIcon>(icon.toInt()));
  }
}

void TLinkWindowFm::closeEvent(QCloseEvent* event) {
  disconnect(ViewTimer_, nullptr, this, nullptr);
  OneSecTimer_->stop();
  QMainWindow::closeEvent(event);
}

QToolButton* TLinkWindowFm::AddToolButton(const char* name, const QString& hint, int icon, bool checkable) {
  auto* button = Named(new QToolButton(this), name);
  button->setProperty(kIconProperty, icon);
  button->setIcon(ScopeIconOf(static_cast<ScopeIcon>(icon), palette().color(QPalette::Button)));
  button->setToolTip(hint);
  button->setCheckable(checkable);
  button->setAutoRaise(true);
  return button;
}

void TLinkWindowFm::BuildControls() {
  BuildToolBar();
  auto* central = new QWidget(this);
  auto* layout = new QGridLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  BuildCommandLine(central, layout);
  BuildColumnHeader(central, layout);
  BuildScopeArea(central, layout);
  layout->setRowStretch(2, 1);
  layout->setColumnStretch(0, 1);
  setCentralWidget(central);
  BuildStatusBar();
  ConnectToolButtons();
}

void TLinkWindowFm::BuildToolBar() {
  auto* tools = Named(addToolBar(QStringLiteral("Осциллограф")), "ToolBar1");
  tools->setMovable(false);
  tools->setIconSize(QSize(20, 20));
  OpenBtn_ = AddToolButton("OpenBtn", QStringLiteral("Открыть/Свойства"), static_cast<int>(ScopeIcon::Open), false);
  btSave_ = AddToolButton("btSave", QStringLiteral("Сохранить настройки"), static_cast<int>(ScopeIcon::Save), false);
  btStartStop_ = AddToolButton("btStartStop", QStringLiteral("Пауза"), static_cast<int>(ScopeIcon::Pause), false);
  btScope_ = AddToolButton("btScope", QStringLiteral("Разрешить отрисовку данных"),
                           static_cast<int>(ScopeIcon::Drawing), true);
  btOptions_ = AddToolButton("btOptions", QStringLiteral("Настройки"), static_cast<int>(ScopeIcon::Options), false);
  btRecord_ =
      AddToolButton("btRecord", QStringLiteral("Записать осциллограмму"), static_cast<int>(ScopeIcon::Record), false);
  btRecord_->setPopupMode(QToolButton::MenuButtonPopup);
  btZoomControl_ = AddToolButton("btZoomControl", QStringLiteral("Масштаб"), static_cast<int>(ScopeIcon::Zoom), true);
  btTimeRulers_ = AddToolButton("btTimeRulers", QStringLiteral("Измерение временных интервалов"),
                                static_cast<int>(ScopeIcon::Rulers), true);
  btAmpMeter_ = AddToolButton("btAmpMeter", QStringLiteral("Измерение амплитуды сигнала"),
                              static_cast<int>(ScopeIcon::Cursor), true);
  btScale_ = AddToolButton("btScale", QStringLiteral("Шкалы"), static_cast<int>(ScopeIcon::Scale), false);
  btTraceControl_ =
      AddToolButton("btTraceControl", QStringLiteral("Трассировка в файл"), static_cast<int>(ScopeIcon::Trace), true);
  for (QToolButton* button : {OpenBtn_, btSave_}) tools->addWidget(button);
  tools->addSeparator();
  for (QToolButton* button : {btStartStop_, btScope_, btOptions_, btRecord_}) tools->addWidget(button);
  tools->addSeparator();
  for (QToolButton* button : {btZoomControl_, btTimeRulers_, btAmpMeter_, btScale_, btTraceControl_}) {
    tools->addWidget(button);
  }
}

void TLinkWindowFm::BuildCommandLine(QWidget* central, QGridLayout* layout) {
  cmdPanel_ = Named(new QWidget(central), "pnCmdLine");
  auto* cmdLayout = new QVBoxLayout(cmdPanel_);
  cmdLayout->setContentsMargins(0, 0, 0, 0);
  CmdLine_ = Named(new QComboBox(cmdPanel_), "CmdLine");
  CmdLine_->setEditable(true);
  CmdLine_->setInsertPolicy(QComboBox::NoInsert);
  CmdLine_->lineEdit()->setPlaceholderText(QStringLiteral("имя=значение"));
  CmdLine_->lineEdit()->installEventFilter(this);
  cmdLayout->addWidget(CmdLine_);
  layout->addWidget(cmdPanel_, 0, 0, 1, 2);
}

void TLinkWindowFm::BuildColumnHeader(QWidget* central, QGridLayout* layout) {
  auto* columns = new QStandardItemModel(0, 4, this);
  columns->setHorizontalHeaderLabels(
      {QStringLiteral("name"), QStringLiteral("hex"), QStringLiteral("physical"), QStringLiteral("unit")});
  hdSize_ = Named(new QHeaderView(Qt::Horizontal, central), "hdSize");
  hdSize_->setModel(columns);
  hdSize_->setSectionsClickable(false);
  hdSize_->setStretchLastSection(false);
  hdSize_->setMinimumSectionSize(0);
  hdSize_->setSectionResizeMode(QHeaderView::Interactive);
  hdSize_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  hdSize_->setFixedHeight(hdSize_->fontMetrics().height() + 8);
  layout->addWidget(hdSize_, 1, 0, 1, 2);
  connect(hdSize_, &QHeaderView::sectionResized, this, &TLinkWindowFm::hdSizeSectionResize);
}

void TLinkWindowFm::BuildScopeArea(QWidget* central, QGridLayout* layout) {
  Scope_ = Named(new ScopePanel(central), "Scope");
  Scope_->OnMousePress = [this](QMouseEvent* event) { ScopeMouseDown(event); };
  Scope_->OnMouseMove = [this](QMouseEvent* event) { ScopeMouseMove(event); };
  Scope_->OnMouseRelease = [this](QMouseEvent* event) { ScopeMouseUp(event); };
  Scope_->OnDoubleClick = [this](QMouseEvent* event) { ScopeDblClick(event); };
  Scope_->OnContextMenu = [this](const QPoint& position) { ScopeContextMenu(position); };
  Scope_->OnResized = [this] { ApplyColumnWidths(); };
  layout->addWidget(Scope_, 2, 0);
  VSScroll_ = Named(new QScrollBar(Qt::Vertical, central), "VSScroll");
  layout->addWidget(VSScroll_, 2, 1);
  connect(VSScroll_, &QScrollBar::valueChanged, this, &TLinkWindowFm::VSScrollChange);
  HRScroll_ = Named(new QScrollBar(Qt::Horizontal, central), "HRScroll");
  HRScroll_->setRange(0, kHistoryLength - 1);
  HRScroll_->setPageStep(1000);
  HRScroll_->setSingleStep(10);
  // The newest samples are on the right, as on the trend: moving the thumb left goes back.
  HRScroll_->setInvertedAppearance(true);
  HRScroll_->setInvertedControls(true);
  HRScroll_->setToolTip(QStringLiteral("Прокрутка истории"));
  layout->addWidget(HRScroll_, 3, 0, 1, 2);
  connect(HRScroll_, &QScrollBar::valueChanged, this, &TLinkWindowFm::HRScrollChange);
}

void TLinkWindowFm::BuildStatusBar() {
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setMinimumWidth(kStatusPanelWidths[i]);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addWidget(label, i + 1 == panels_.size() ? 1 : 0);
    panels_[i] = label;
  }
  statusBar()->setSizeGripEnabled(true);
  Panel(StatusPanel::Port)->setText(QString::fromStdString(portInUse_));
  Panel(StatusPanel::Zoom)->setText(QString::fromStdString(ZoomPercentText(List().Step)));
}

QLabel* TLinkWindowFm::Panel(StatusPanel panel) const { return panels_[static_cast<std::size_t>(panel)]; }

void TLinkWindowFm::ConnectToolButtons() {
  connect(OpenBtn_, &QToolButton::clicked, this, &TLinkWindowFm::OpenExistMnClick);
  connect(btSave_, &QToolButton::clicked, this, &TLinkWindowFm::SaveItMnClick);
  connect(btStartStop_, &QToolButton::clicked, this, &TLinkWindowFm::btStartStopClick);
  connect(btScope_, &QToolButton::clicked, this, &TLinkWindowFm::btScopeClick);
  connect(btOptions_, &QToolButton::clicked, this, &TLinkWindowFm::btOptionsClick);
  connect(btRecord_, &QToolButton::clicked, this, &TLinkWindowFm::btRecordClick);
  connect(btZoomControl_, &QToolButton::clicked, this, &TLinkWindowFm::btZoomControlClick);
  connect(btTimeRulers_, &QToolButton::clicked, this, &TLinkWindowFm::btTimeRulersClick);
  connect(btAmpMeter_, &QToolButton::clicked, this, &TLinkWindowFm::btAmpMeterClick);
  connect(btTraceControl_, &QToolButton::clicked, this, &TLinkWindowFm::btTraceControlClick);
  connect(btScale_, &QToolButton::clicked, this, [this] {
    EditScales(this, List(), ListChangeGate());
    dirty_ = true;
  });
}

void TLinkWindowFm::BuildMenus() {
  mnFile_ = Named(menuBar()->addMenu(QStringLiteral("Осциллограф")), "mnFile");
  auto add = [this](const char* name, const QString& caption, void (TLinkWindowFm::*handler)()) {
    QAction* action = Named(mnFile_->addAction(caption), name);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  NewMn_ = add("NewMn", QStringLiteral("Новый осциллограф"), &TLinkWindowFm::NewMnClick);
  OpenExistMn_ = add("OpenExistMn", QStringLiteral("Открыть осциллограф"), &TLinkWindowFm::OpenExistMnClick);
  OpenRecViewerMn_ =
      add("OpenRecViewerMn", QStringLiteral("Просмотр осциллограммы"), &TLinkWindowFm::OpenRecViewerMnClick);
  mnFile_->addSeparator();
  WinPropMn_ = add("WinPropMn", QStringLiteral("Cвойства"), &TLinkWindowFm::WinPropMnClick);
  SaveItMn_ = add("SaveItMn", QStringLiteral("Cохранить"), &TLinkWindowFm::SaveItMnClick);
  SaveAsMn_ = add("SaveAsMn", QStringLiteral("Сохранить как..."), &TLinkWindowFm::SaveAsMnClick);
  mnSaveAsScopeTemplate_ = add("mnSaveAsScopeTemplate", QStringLiteral("Сохранить как шаблон осциллограммы"),
                               &TLinkWindowFm::mnSaveAsScopeTemplateClick);
  mnExportCsv_ = add("mnExportCsv", QStringLiteral("Экспорт в CSV"), &TLinkWindowFm::ExportRecordCsvClick);

  pmRecord_ = Named(new QMenu(this), "pmRecord");
  RecSelectedBuf_ = Named(pmRecord_->addAction(QStringLiteral("Записать выделенный буфер")), "RecSelectedBuf");
  RecBurManualMn_ = Named(pmRecord_->addAction(QStringLiteral("Записать весь буфер")), "RecBurManualMn");
  recTrace_ = Named(pmRecord_->addAction(QStringLiteral("Трейсер")), "recTrace");
  RecSelectedBuf_->setCheckable(true);
  RecBurManualMn_->setCheckable(true);
  RecBurManualMn_->setChecked(true);
  pmRecord_->setDefaultAction(RecBurManualMn_);
  // "Трейсер" switches the trace, as the trace button does.
  recTrace_->setCheckable(true);
  connect(RecSelectedBuf_, &QAction::triggered, this, &TLinkWindowFm::RecSelectedBufClick);
  connect(RecBurManualMn_, &QAction::triggered, this, &TLinkWindowFm::RecBurManualMnClick);
  connect(recTrace_, &QAction::triggered, this, [this] { btTraceControl_->click(); });
  btRecord_->setMenu(pmRecord_);

  pmRow_ = Named(new QMenu(this), "pmRow");
  QAction* properties = Named(pmRow_->addAction(QStringLiteral("Свойства параметра")), "SPropMnItm");
  connect(properties, &QAction::triggered, this, [this] {
    EditSelectedRow(this, List(), ListChangeGate());
    dirty_ = true;
  });
  connect(Named(pmRow_->addAction(QStringLiteral("Удалить")), "mnDelete"), &QAction::triggered, this,
          &TLinkWindowFm::mnDeleteClick);
}

void TLinkWindowFm::SetContent(WindowContent content) {
  content_ = content;
  const bool linked = content == WindowContent::LiveScope;
  const bool recordView = content == WindowContent::Record;
  cmdPanel_->setFixedHeight(linked ? std::max(kCommandPanelHeight, CmdLine_->sizeHint().height()) : 1);
  CmdLine_->setVisible(linked);
  for (QToolButton* button : {btRecord_, btScope_, btStartStop_}) button->setEnabled(linked);
  // A record keeps the options, its own save and the measuring tools.
  btOptions_->setEnabled(linked || recordView);
  btSave_->setEnabled(linked || recordView);
  for (QToolButton* button : {btZoomControl_, btTimeRulers_, btAmpMeter_}) button->setEnabled(linked || recordView);
  btTraceControl_->setEnabled(linked);
  NewMn_->setEnabled(!recordView);
  OpenExistMn_->setEnabled(!recordView);
  WinPropMn_->setEnabled(linked || recordView);
  SaveItMn_->setEnabled(linked || recordView);
  SaveAsMn_->setEnabled(linked || recordView);
  mnSaveAsScopeTemplate_->setEnabled(linked);
  mnExportCsv_->setVisible(recordView);
}

// --- sessions and polling ---

void TLinkWindowFm::NewSession() {
  if (session_) {
    ++generation_;
    context_.tasks.Post([old = std::move(session_)]() mutable { old.reset(); });
  }
  session_ = std::make_shared<ScopeSession>(context_.hub);
  session_->trace = trace_;
  session_->poll.SetCrcCheck(context_.options.Options().crcCheck);
  property_.Vars = &session_->list;
  property_.Image = session_->image;
  rulers_ = ScopeRulers{};
  cursor_ = ScopeCursor{};
}

void TLinkWindowFm::InsertTimeMark() {
  TViewList& list = List();
  if (!list.Variables.empty() && list.Variables.front()->IsTimeMark()) list.Variables.erase(list.Variables.begin());
  auto mark = std::make_unique<TTimeMark>();
  mark->Owner = &list;
  mark->AttachMarkFlags(session_->poll.TickByte());
  mark->Grid = property_.Grid != "0";
  list.Variables.insert(list.Variables.begin(), std::move(mark));
  ResetVerticalRange();
}

TTimeMark& TLinkWindowFm::TimeMark() { return static_cast<TTimeMark&>(List().Item(0)); }

void TLinkWindowFm::RefreshAutoMaxMnClick() {
  property_.RefreshMode = "auto";
  if (property_.PortName == kViewRecordPort || RecordView()) return;
  poll_ = PollState::Wanted;
  const std::uint64_t generation = ++generation_;
  session_->poll.SetPaused(paused_);
  // Out of every worker first: only then may the layout and the frame change.
  context_.tasks.Post([session = session_, window = self_, generation] {
    session->Withdraw(false);
    OnWindowThreadCall(window, [generation](TLinkWindowFm& w) { w.PollWithdrawn(generation); });
  });
}

void TLinkWindowFm::PollWithdrawn(std::uint64_t generation) {
  if (generation != generation_ || poll_ == PollState::Off) return;
  RunPendingChanges();
  try {
    if (!session_->poll.PreparePoll(property_)) return;
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  const bool tcp = OverTcp(ProtocolOf(property_));
  portInUse_ = tcp ? "IP:" + property_.IPPort : property_.PortName;
  Panel(StatusPanel::Port)->setText(QString::fromStdString(portInUse_));
  Panel(StatusPanel::Protocol)->setText(QString::fromStdString(property_.Protocol));
  context_.tasks.Post([session = session_, window = self_, generation, settings = property_] {
    const ScopeRegistration registration = session->RegisterPoll(settings);
    OnWindowThreadCall(window,
                       [generation, registration](TLinkWindowFm& w) { w.PollRegistered(generation, registration); });
  });
}

void TLinkWindowFm::PollRegistered(std::uint64_t generation, ScopeRegistration registration) {
  if (generation != generation_) return;
  switch (registration) {
    case ScopeRegistration::Polling:
      return;
    case ScopeRegistration::PortFailed:
      poll_ = PollState::Off;
      CurrentPrompt().Warning("Quillon", PortErrorMessage(property_.PortName));
      return;
    case ScopeRegistration::Unreachable:
      // Tried again once a second; meanwhile the status bar says the device does not answer.
      poll_ = PollState::Unreachable;
      Panel(StatusPanel::Rate)->setText(QStringLiteral("DNR!"));
      return;
    case ScopeRegistration::BadSettings:
      poll_ = PollState::Off;
      CurrentPrompt().Warning("Quillon", "Неверные настройки связи: скорость " + property_.Baud + ", пауза " +
                                             property_.FrameEnd + ", порт TCP " + property_.IPPort);
      return;
    case ScopeRegistration::NotPolled:
      return;
  }
}

void TLinkWindowFm::WithPollWithdrawn(std::function<void()> change) {
  // The session stays alive for the change even when the window moves to another variable set.
  pendingChanges_.push_back([session = session_, change = std::move(change)] { change(); });
  if (!RecordView() && poll_ != PollState::Off) {
    // Polling resumes after the change, as after any change of settings.
    RefreshAutoMaxMnClick();
    return;
  }
  const std::uint64_t generation = ++generation_;
  context_.tasks.Post([session = session_, window = self_, generation] {
    session->Withdraw(false);
    OnWindowThreadCall(window, [generation](TLinkWindowFm& w) {
      if (generation == w.generation_) w.RunPendingChanges();
    });
  });
}

std::function<void(std::function<void()>)> TLinkWindowFm::ListChangeGate() {
  return [window = self_](std::function<void()> change) {
    if (window) window->WithPollWithdrawn(std::move(change));
  };
}

void TLinkWindowFm::RunPendingChanges() {
  // A change may open a window of its own and bring another change in meanwhile.
  while (!pendingChanges_.empty()) {
    const std::function<void()> change = std::move(pendingChanges_.front());
    pendingChanges_.erase(pendingChanges_.begin());
    change();
  }
  dirty_ = true;
}

void TLinkWindowFm::StopPolling() {
  poll_ = PollState::Off;
  ++generation_;
  session_->poll.SetPaused(true);
  context_.tasks.Post([session = session_] { session->Withdraw(false); });
}

void TLinkWindowFm::btStartStopClick() {
  if (property_.RefreshMode != "auto" || RecordView()) return;
  paused_ = !paused_;
  if (paused_) {
    StopPolling();
    SetToolIcon(btStartStop_, ScopeIcon::Start);
    btStartStop_->setToolTip(QStringLiteral("Старт"));
  } else {
    SetToolIcon(btStartStop_, ScopeIcon::Pause);
    btStartStop_->setToolTip(QStringLiteral("Пауза"));
    RefreshAutoMaxMnClick();
  }
}

void TLinkWindowFm::SendParamToDevice(TView& variable, std::uint32_t raw) {
  if (variable.Definition().NoAddress || variable.Definition().NotInMemory || RecordView()) return;
  std::optional<LinkFrame> frame;
  try {
    frame = BuildScopeWrite(variable, raw, property_, session_->image);
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", error.what());
    return;
  }
  if (!frame) return;
  context_.tasks.Post([session = session_, window = self_, settings = property_, frame = *frame] {
    const ScopeRegistration registration = session->RegisterWrite(settings, frame);
    if (registration == ScopeRegistration::PortFailed) {
      OnWindowThreadCall(window, [port = settings.PortName](TLinkWindowFm&) {
        CurrentPrompt().Warning("Quillon", PortErrorMessage(port));
      });
    }
  });
}

// --- status, drawing, sizing ---

void TLinkWindowFm::OneSecTimerTimer() {
  session_->poll.SetCrcCheck(context_.options.Options().crcCheck);
  if (poll_ == PollState::Off || paused_) {
    session_->poll.OneSecondTick();
    return;
  }
  ShowTraceFailure();
  const std::string text = session_->poll.OneSecondTick();
  if (const auto answers = TryReadInteger(text)) answersSeen_ += static_cast<std::uint64_t>(*answers);
  Panel(StatusPanel::Rate)->setText(QString::fromStdString(text));
  if (poll_ == PollState::Unreachable) RefreshAutoMaxMnClick();
}

void TLinkWindowFm::ViewTimerTimer() {
  const bool fresh = session_->fresh.exchange(false, std::memory_order_acquire);
  if (!drawing_ || !(fresh || dirty_)) return;
  Redraw();
}

void TLinkWindowFm::Redraw() {
  dirty_ = false;
  Scope_->Render(List(), guideX_);
}

void TLinkWindowFm::btScopeClick() {
  drawing_ = !drawing_;
  btScope_->setChecked(drawing_);
  if (drawing_) {
    btScope_->setToolTip(QStringLiteral("Запретить отображение данных"));
    dirty_ = true;
    connect(ViewTimer_, &QTimer::timeout, this, &TLinkWindowFm::ViewTimerTimer, Qt::UniqueConnection);
    if (!ViewTimer_->isActive()) ViewTimer_->start();
  } else {
    btScope_->setToolTip(QStringLiteral("Разрешить отображение данных"));
    disconnect(ViewTimer_, &QTimer::timeout, this, &TLinkWindowFm::ViewTimerTimer);
  }
}

void TLinkWindowFm::ApplyColumnWidths() {
  if (applyingWidths_) return;
  applyingWidths_ = true;
  const int panelWidth = Scope_->width();
  columnWidths_ = FitColumnsToPanel(columnWidths_, panelWidth);
  for (int i = 0; i < 4; ++i) hdSize_->resizeSection(i, columnWidths_[static_cast<std::size_t>(i)]);
  TViewList& list = List();
  list.SetColumnWidths(columnWidths_[0], columnWidths_[1], columnWidths_[2], columnWidths_[3]);
  list.Resize(panelWidth, Scope_->height());
  applyingWidths_ = false;
  dirty_ = true;
  if (!drawing_) Redraw();
}

void TLinkWindowFm::hdSizeSectionResize(int section, int, int newSize) {
  if (applyingWidths_ || section < 0 || section > 3) return;
  columnWidths_ = ResizeSection(columnWidths_, section, newSize, Scope_->width());
  ApplyColumnWidths();
}

void TLinkWindowFm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  dirty_ = true;
}

void TLinkWindowFm::HRScrollChange(int position) {
  List().SetScrollBack(position);
  dirty_ = true;
}

void TLinkWindowFm::VSScrollChange(int position) {
  List().TopIndex = position;
  dirty_ = true;
}

void TLinkWindowFm::ResetVerticalRange() {
  if (VSScroll_ == nullptr) return;
  VSScroll_->setRange(0, std::max(List().Count() - 1, 0));
  VSScroll_->setPageStep(1);
}

void TLinkWindowFm::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0) return;
  if (event->modifiers() & Qt::ShiftModifier) {
    for (auto& variable : List().Variables) {
      if (variable->Selected && !variable->IsTimeMark()) {
        variable->RowHeight = WheelRowHeight(variable->RowHeight, steps);
        variable->Layout();
      }
    }
  } else {
    VSScroll_->setValue(VSScroll_->value() - steps);
  }
  dirty_ = true;
  event->accept();
}

bool TLinkWindowFm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CmdLine_->lineEdit() && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      CmdLineKeyPress();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

QString TLinkWindowFm::StatusText(StatusPanel panel) const { return Panel(panel)->text(); }

void TLinkWindowFm::btOptionsClick() {
  bool grid = TimeMark().Grid;
  if (!context_.options.Edit(grid)) return;
  TimeMark().Grid = grid;
  property_.Grid = grid ? "1" : "0";
  session_->poll.SetCrcCheck(context_.options.Options().crcCheck);
  trace_->SetLimits(TraceLimitsOf(context_.options.Options()));
  const bool fast = context_.options.FastFrameEnd();
  const bool silent = context_.options.SilentInterval();
  context_.tasks.Post([fast, silent, &hub = context_.hub] {
    hub.Serial().SetFastFrameEnd(fast);
    hub.Serial().SetSilentInterval(silent);
  });
  dirty_ = true;
}

void TLinkWindowFm::ShowTraceFailure() {
  const std::string failure = session_->TakeTraceFailure();
  if (failure.empty()) return;
  CloseTrace();
  btTraceControl_->setChecked(false);
  recTrace_->setChecked(false);
  CurrentPrompt().Warning("Quillon", failure);
}

void TLinkWindowFm::PlaceOnScreen(const WindowBox& stored) {
  const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const WindowBox box =
      FitOnScreen(stored, {area.x(), area.y(), area.width(), area.height()}, minimumWidth(), minimumHeight());
  setGeometry(box.left, box.top, box.width, box.height);
}

void TLinkWindowFm::CloseTrace() {
  trace_->Close();
  if (!traceName_.empty()) context_.traceNames.Release(std::exchange(traceName_, std::string()));
}

void TLinkWindowFm::btTraceControlClick() {
  if (trace_->IsOpen()) {
    CloseTrace();
  } else {
    traceName_ = context_.traceNames.Claim(property_.Caption);
    trace_->SetFileName(traceName_);
    trace_->SetLimits(TraceLimitsOf(context_.options.Options()));
    if (const TraceResult opened = trace_->Open(); !opened) {
      CloseTrace();
      CurrentPrompt().Warning("Quillon", opened.message);
    }
  }
  btTraceControl_->setChecked(trace_->IsOpen());
  recTrace_->setChecked(trace_->IsOpen());
}

}  // namespace quillon
