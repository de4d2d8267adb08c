#include "app/main/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "app/main/catalogue_tree.h"
#include "app/main/changes_viewer.h"
#include "app/main/database_sync.h"
#include "app/main/device_connection.h"
#include "app/main/help_about.h"
#include "app/main/parameter_table.h"
#include "app/main/plugin_buttons.h"
#include "app/main/scope_windows.h"
#include "app/main/search_results.h"
#include "app/main/table_header.h"
#include "app/main/tool_factories.h"
#include "app/main/tool_launchers.h"
#include "app/support/current_prompt.h"
#include "app/variables/pproperty_dialog.h"
#include "app/variables/scale_editor.h"
#include "app/widgets/link_fields.h"
#include "app/widgets/palette_colours.h"
#include "app/widgets/table_panel01.h"
#include "app/widgets/widget_helpers.h"
#include "device/connect_decision.h"
#include "device/device_save.h"
#include "device/image_write.h"
#include "link/comm_list.h"
#include "link/link_check.h"
#include "link/link_hub.h"
#include "link/link_tasks.h"
#include "link/tcpip_list.h"
#include "platform/files.h"
#include "text/datetime.h"
#include "text/items.h"
#include "variables/registry.h"
#include "workspace/device_file.h"
#include "workspace/paths.h"
#include "workspace/settings.h"

namespace quillon {

namespace {

constexpr int kMinimumTreeWidth = 10;
constexpr int kFirstStartTreeWidth = 125;
constexpr int kFirstReadDelayMs = 500;

}  // namespace

Tmain::Tmain(const WorkspacePaths& paths, LinkHub& hub, QWidget* parent)
    : QMainWindow(parent), paths_(paths), hub_(hub) {
  setObjectName(QStringLiteral("main"));
  setWindowTitle(QStringLiteral("Quillon"));
  linkTasks_ = std::make_unique<LinkTaskQueue>();
  toolLaunchers_ = std::make_unique<ToolLaunchers>(
      ToolContext{paths_, *linkTasks_, hub_,
                  [this](const std::string& path) { scopeWindows_->OpenRecord(QString::fromStdString(path)); }},
      [this] { return LinkSettings(); }, this);
  RegisterServiceTools(*toolLaunchers_);
  BuildControls();
  BuildMenus();
  BuildTimers();
  FormCreate();
}

Tmain::~Tmain() {
  // The requests leave the workers before the registries stop them.
  delete connection_;
  connection_ = nullptr;
  // Scope windows post their withdrawals to the task queue, which carries them out as it ends.
  scopeWindows_.reset();
  // Tool windows are the main window's children, but they must go while the queue still runs.
  toolLaunchers_.reset();
  linkTasks_.reset();
}

void Tmain::BuildControls() {
  BuildToolBar();

  splitter1_ = Named(new QSplitter(Qt::Horizontal, this), "Splitter1");
  tv_ = new CatalogueTree(splitter1_);

  // The right side scrolls instead of forcing a minimum window size: a first run opens a
  // 400 by 400 window, far smaller than the link fields and the table need.
  auto* rightArea = Named(new QScrollArea(splitter1_), "RightArea");
  rightArea->setWidgetResizable(true);
  rightArea->setFrameShape(QFrame::NoFrame);
  auto* rightPane = new QWidget(rightArea);
  auto* column = new QVBoxLayout(rightPane);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);
  gbLink_ = new LinkFields(rightPane);
  gbLink_->SetPortNames(PortNamesForList(paths_.program));
  column->addWidget(gbLink_);
  column->addWidget(BuildIdentityFields());
  column->addWidget(BuildTableArea(), 1);
  rightArea->setWidget(rightPane);

  splitter1_->addWidget(tv_);
  splitter1_->addWidget(rightArea);
  splitter1_->setChildrenCollapsible(false);
  // Extra width goes to the table, so the tree keeps the width it was given.
  splitter1_->setStretchFactor(0, 0);
  splitter1_->setStretchFactor(1, 1);
  setCentralWidget(splitter1_);
}

QWidget* Tmain::BuildIdentityFields() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);

  edIDString_ = Named(new QLineEdit(box), "edIDString");
  edIDString_->setReadOnly(true);
  // The device's identity stands out on a grey strip of the desktop's own shades, its text black
  // or white, whichever reads on that grey.
  FollowPalette(edIDString_, [field = edIDString_] {
    QPalette colours = field->palette();
    const QColor strip = QApplication::palette(field).color(QPalette::Mid);
    colours.setColor(QPalette::Base, strip);
    colours.setColor(QPalette::Text, ReadableTextOn(strip));
    field->setPalette(colours);
  });
  grid->addWidget(edIDString_, 0, 0, 1, 6);

  edMechunit_ = Named(new QLineEdit(box), "edMechunit");
  edGeography_ = Named(new QLineEdit(box), "edGeography");
  grid->addWidget(new QLabel(QStringLiteral("Механизм"), box), 1, 0);
  grid->addWidget(edMechunit_, 1, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Место установки"), box), 1, 3);
  grid->addWidget(edGeography_, 1, 4, 1, 2);

  stLastDate_ = Named(new QLabel(box), "stLastDate");
  stLastDate_->setFrameShape(QFrame::StyledPanel);
  stLastDate_->setMinimumWidth(120);
  btNow_ = Named(new QPushButton(QStringLiteral("Сегодня"), box), "btNow");
  btCreateClone_ = Named(new QPushButton(QStringLiteral("Клонировать"), box), "btCreateClone");
  btCreateClone_->setToolTip(QStringLiteral("Использовать параметры другого блока. Создать \"клон\""));
  btChangeScale_ = Named(new QPushButton(QStringLiteral("Шкала"), box), "btChangeScale");
  btSaveBase_ = Named(new QPushButton(QStringLiteral("Сохранить изменения"), box), "btSaveBase");
  btHistory_ = Named(new QPushButton(QStringLiteral("История"), box), "btHistory");
  btHistory_->setToolTip(QStringLiteral("Сохранённые версии файла устройства: сравнить, восстановить"));
  // Cloning, the history and the scale editor wait for a device, saving for a change.
  btCreateClone_->setEnabled(false);
  btHistory_->setEnabled(false);
  btChangeScale_->setEnabled(false);
  btSaveBase_->setEnabled(false);
  auto* dateRow = new QHBoxLayout();
  dateRow->setSpacing(4);
  dateRow->addWidget(new QLabel(QStringLiteral("Дата"), box));
  dateRow->addWidget(stLastDate_);
  dateRow->addWidget(btNow_);
  dateRow->addWidget(btCreateClone_);
  dateRow->addWidget(btHistory_);
  // What the last connect found, in the room the row has to spare: a few words that never widen
  // the window, and the whole story in the tooltip.
  stStatus_ = Named(new QLabel(box), "stStatus");
  stStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  // What went wrong is told in dark red, lightened on a dark window.
  FollowPalette(stStatus_, [label = stStatus_] {
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText,
                     LegibleOn(QColor(0xa0, 0, 0), QApplication::palette(label).color(QPalette::Window)));
    label->setPalette(colours);
  });
  dateRow->addWidget(stStatus_, 1);
  dateRow->addWidget(btChangeScale_);
  dateRow->addWidget(btSaveBase_);
  grid->addLayout(dateRow, 2, 0, 1, 6);
  return box;
}

QWidget* Tmain::BuildTableArea() {
  auto* area = new QWidget(this);
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  header_ = new TableHeader(area);
  viewPanel_ = Named(new TTablePanel01(area), "ViewPanel");
  viewPanel_->setMinimumHeight(60);
  viewPanel_->installEventFilter(this);
  scrbrTableVert_ = Named(new QScrollBar(Qt::Vertical, area), "scrbrTableVert");
  scrbrTableVert_->setRange(0, 9);
  scrbrTableVert_->setValue(0);
  grid->addWidget(header_, 0, 0);
  grid->addWidget(viewPanel_, 1, 0);
  grid->addWidget(scrbrTableVert_, 0, 1, 2, 1);
  grid->setRowStretch(1, 1);
  grid->setColumnStretch(0, 1);
  return area;
}

void Tmain::BuildMenus() {
  pmRefreshSort_ = Named(new QMenu(this), "pmRefreshSort");
  QAction* refresh = Named(pmRefreshSort_->addAction(QStringLiteral("Обновить")), "mnRefresh");
  connect(refresh, &QAction::triggered, this, &Tmain::btRefreshClick);
  pmRefreshSort_->addSeparator();
  auto* variants = new QActionGroup(pmRefreshSort_);
  variants->setExclusive(true);
  const std::vector<std::string>& names = CatalogueVariantNames();
  for (int i = 0; i < 5; ++i) {
    QAction* action = pmRefreshSort_->addAction(Text(names.at(static_cast<std::size_t>(i))));
    action->setObjectName(QStringLiteral("mnSort%1").arg(i));
    action->setCheckable(true);
    variants->addAction(action);
    connect(action, &QAction::triggered, this, [this, i] { pmRefresh_mnSortClick(i); });
    sortActions_[i] = action;
  }
  btRefresh_->setMenu(pmRefreshSort_);
  connect(btRefresh_, &QToolButton::clicked, this, &Tmain::btRefreshClick);

  pmTV_ = Named(new QMenu(this), "pmTV");
  connect(Named(pmTV_->addAction(QStringLiteral("Удалить")), "mnDelete"), &QAction::triggered, this,
          &Tmain::pmTV_mnDelete);
  connect(Named(pmTV_->addAction(QStringLiteral("Открыть файл для редактирования")), "mnEditIni"), &QAction::triggered,
          this, &Tmain::pmTV_mnEditIni);
  connect(Named(pmTV_->addAction(QStringLiteral("Открыть директорию содержащую файл")), "mnOpenDir"),
          &QAction::triggered, this, &Tmain::pmTV_mnOpenDir);
  pmTV_->addSeparator();
  mnSync_ = Named(pmTV_->addAction(QStringLiteral("Синхронизировать")), "mnSync");
  mnSync_->setToolTip(QStringLiteral("Обменяться версиями файлов устройств с хранилищем команды (DatabaseRemote)"));
  connect(mnSync_, &QAction::triggered, this, &Tmain::pmTV_mnSync);
  databaseSync_ = new DatabaseSync(this);
  connect(databaseSync_, &DatabaseSync::Finished, this, &Tmain::SyncFinished);
  connect(tv_, &QWidget::customContextMenuRequested, this, &Tmain::tvContextMenu);
  // A mouse click or Enter opens a device; refilling the tree does not, so a refresh keeps
  // the open device.
  connect(tv_, &QTreeWidget::itemClicked, this, &Tmain::tvClick);
  connect(tv_, &QTreeWidget::itemActivated, this, &Tmain::tvClick);
}

void Tmain::BuildTimers() {
  tmrFirstRead_ = Named(new QTimer(this), "tmrFirstRead");
  tmrFirstRead_->setSingleShot(true);
  tmrFirstRead_->setInterval(kFirstReadDelayMs);
  connect(tmrFirstRead_, &QTimer::timeout, this, &Tmain::tmrFirstReadTimer);
}

void Tmain::FormCreate() {
  table_ = new ParameterTable(viewPanel_, scrbrTableVert_, parameters_);
  table_->OnBaseEdited = [this] { EnableSave(); };
  table_->OnWriteValue = [this](TView& variable, const std::vector<std::uint8_t>& data) { WriteValue(variable, data); };
  table_->OnWidthsChanged = [this] { ColumnWidthsChanged(); };
  viewPanel_->OnDblClick = [this] {
    if (EditRowProperties(this, parameters_.List(), viewPanel_->SelectedRow())) EnableSave();
    table_->Repaint();
  };
  connect(header_, &QHeaderView::sectionClicked, this, &Tmain::HeaderSectionClick);

  connection_ = new DeviceConnection(this, paths_.program, parameters_, *linkTasks_, hub_);
  scopeWindows_ = std::make_unique<ScopeWindows>(paths_, *linkTasks_, hub_, this);
  // Rebuilt each time it opens, so it lists the scope windows open right now.
  connect(pmWindow_, &QMenu::aboutToShow, this,
          [this] { scopeWindows_->FillMenu(*pmWindow_, [this] { w_mnScopeCurDevOpenClick(); }); });
  connect(btAddScopeWindow_, &QToolButton::clicked, this, &Tmain::w_mnScopeCurDevOpenClick);
  connect(btSearchDevices_, &QToolButton::clicked, this, &Tmain::btSearchDeviceClick);
  pluginButtons_ = new PluginButtons(*toolBar2_, paths_.program);
  pluginButtons_->LinkSettings = [this] { return LinkSettings(); };
  pluginButtons_->Registry = &hub_.Serial();
  pluginButtons_->Application = QCoreApplication::instance();
  pluginButtons_->Table = table_;
  connection_->Fields = [this] { return CurrentLinkFields(); };
  connection_->Focus = [this](LinkField field) { FocusLinkField(field); };
  connection_->OnParametersRead = [this] { ParametersRead(); };
  connection_->OnIdentified = [this](bool connect) { IdentificationDone(connect); };
  gbLink_->Port()->OnDropDown = [this] { cbCOMDropDown(); };
  connect(gbLink_->Connect(), &QPushButton::clicked, this, &Tmain::Connect);
  connect(gbLink_->GetId(), &QPushButton::clicked, this, &Tmain::btGetIDClick);

  changesViewer_ = new TfChangesViewer(this);
  connect(btSaveBase_, &QPushButton::clicked, this, &Tmain::btSaveBaseClick);
  connect(btNow_, &QPushButton::clicked, this, &Tmain::btNowClick);
  connect(btCreateClone_, &QPushButton::clicked, this, &Tmain::btCreateCloneClick);
  connect(btHistory_, &QPushButton::clicked, this, &Tmain::btHistoryClick);
  connect(btChangeScale_, &QPushButton::clicked, this, [this] {
    // A parameter list follows its choice line: its base may now differ from the controller.
    if (EditScales(this, parameters_.List())) {
      table_->Compare();
      EnableSave();
    }
    table_->Repaint();
  });
  connect(edMechunit_, &QLineEdit::textEdited, this, &Tmain::EnableSave);
  connect(edGeography_, &QLineEdit::textEdited, this, &Tmain::EnableSave);

  const std::string ini = paths_.SettingsFile();
  // A line that needs the classic end of frame (the pause after every answer) is switched over
  // in settings.ini for every window at once.
  hub_.Serial().SetFastFrameEnd(ReadSettingInt(ini, "FastFrameEnd") != 0);
  // Likewise a line whose devices need no MODBUS silent interval before each request.
  hub_.Serial().SetSilentInterval(ReadSettingInt(ini, "SilentInterval") != 0);
  move(ReadSettingInt(ini, "Left"), ReadSettingInt(ini, "Top"));
  resize(ReadSettingInt(ini, "Width"), ReadSettingInt(ini, "Height"));
  if (!SettingStored(ini, "Width") || !SettingStored(ini, "Height")) PlaceForFirstStart();
  splitter1_->setSizes(
      {std::max(kMinimumTreeWidth, ReadSettingInt(ini, "TVWidth")), std::max(0, ReadSettingInt(ini, "VPWidth"))});
  fitTreeToContents_ = !SettingStored(ini, "TVWidth");

  sortType_ = NormalizedSortType(ReadSettingInt(ini, "SortType"));
  sortActions_[sortType_]->setChecked(true);

  SelectItemByText(gbLink_->Bus(), ReadSetting(ini, "BUS"));
  SelectItemByText(gbLink_->Port(), ReadSetting(ini, "COM"));
  SelectItemByText(gbLink_->Bps(), ReadSetting(ini, "BPS"));

  table_->SetHeader(header_);
  table_->ReadWidths(ini);

  connect(gbLink_->Bus(), &QComboBox::currentIndexChanged, this, &Tmain::cbBUSChange);
  cbBUSChange();
  cbKey_->setCurrentIndex(0);
  connect(cbKey_, &QComboBox::currentIndexChanged, this, &Tmain::cbKeyChange);
  tmrFirstRead_->start();
}

void Tmain::FormDestroy() {
  const std::string ini = paths_.SettingsFile();
  WriteSetting(ini, "Top", std::to_string(y()));
  WriteSetting(ini, "Left", std::to_string(x()));
  WriteSetting(ini, "Width", std::to_string(width()));
  WriteSetting(ini, "Height", std::to_string(height()));
  WriteSetting(ini, "TVWidth", std::to_string(std::max(kMinimumTreeWidth, tv_->width())));
  WriteSetting(ini, "VPWidth", std::to_string(viewPanel_->width()));
  WriteSetting(ini, "SortType", std::to_string(sortType_));
  WriteProtocolLinkKeys(ini, gbLink_->Bus()->currentText().toStdString(), gbLink_->FieldValues());
  // A list without a selection (the stored value matched none of its items, e.g. an adapter
  // that is unplugged today) leaves its key as it was, so the value is back next time.
  const std::pair<const char*, QComboBox*> lists[] = {
      {"COM", gbLink_->Port()}, {"BPS", gbLink_->Bps()}, {"BUS", gbLink_->Bus()}};
  for (const auto& [key, list] : lists) {
    if (const auto text = SelectedItemText(list)) WriteSetting(ini, key, *text);
  }
  table_->WriteWidths(ini);
}

void Tmain::closeEvent(QCloseEvent* event) {
  // Cut off, a sync would leave Devices/ half updated; waiting for it here would freeze the window.
  if (databaseSync_->Running()) {
    CurrentPrompt().Warning("Quillon", "Идёт синхронизация базы с хранилищем команды: дождитесь её окончания");
    event->ignore();
    return;
  }
  if (!CheckUnsavedChanges()) {
    event->ignore();
    return;
  }
  tmrFirstRead_->stop();
  try {
    FormDestroy();
    scopeWindows_->CloseAll();
  } catch (const std::exception& error) {
    // A read-only program directory must not keep the engineer from closing the program.
    CurrentPrompt().Warning("Quillon", std::string("Не удалось сохранить настройки:\r\n") + error.what());
  }
  event->accept();
}

bool Tmain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewPanel_ && event->type() == QEvent::Resize) ColumnWidthsChanged();
  return QMainWindow::eventFilter(watched, event);
}

void Tmain::cbBUSChange() {
  const std::string protocol = gbLink_->Bus()->currentText().toStdString();
  gbLink_->ShowProtocolFields(protocol, ReadProtocolLinkKeys(paths_.SettingsFile(), protocol));
}

void Tmain::cbKeyChange() {
  // The memory selector picks the parameter section; the identity stays the same. The edits
  // of the section shown go with it, so they are offered for saving first.
  if (!CheckUnsavedChanges()) {
    const QSignalBlocker quiet(cbKey_);
    cbKey_->setCurrentIndex(keyIndex_);
    return;
  }
  keyIndex_ = cbKey_->currentIndex();
  LoadDevice();
}

void Tmain::tmrFirstReadTimer() {
  tmrFirstRead_->stop();
  FillCatalogue();
}

void Tmain::FillCatalogue() {
  catalogue_.Fill(paths_, sortType_);
  tv_->ShowCatalogue(catalogue_);
  SelectOpenDeviceNode();
  if (fitTreeToContents_) FitTreeToContents();
}

void Tmain::PlaceForFirstStart() {
  // Without a stored size the window would open at 400 x 400 in the corner: take most of the
  // screen instead, centred, so the catalogue and the table are readable at once.
  const QScreen* display = screen();
  if (display == nullptr) return;
  const QRect available = display->availableGeometry();
  const QSize size(available.width() * 9 / 10, available.height() * 9 / 10);
  resize(size);
  move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

void Tmain::FitTreeToContents() {
  // Only until the catalogue has been shown once with entries: later the engineer's own width
  // (the splitter) is kept.
  if (tv_->topLevelItemCount() == 0) return;
  fitTreeToContents_ = false;
  const int wanted = tv_->ContentWidth() + tv_->verticalScrollBar()->sizeHint().width();
  // The table needs the room more: the catalogue scrolls sideways for what does not fit.
  const int limit = std::max(kFirstStartTreeWidth, width() / 5);
  const int treeWidth = std::clamp(wanted, std::min(limit, tv_->width()), limit);
  const int total = splitter1_->sizes().value(0) + splitter1_->sizes().value(1);
  splitter1_->setSizes({treeWidth, std::max(0, total - treeWidth)});
}

void Tmain::SelectOpenDeviceNode() {
  QTreeWidgetItem* node = tv_->FindByPath(devicePath_);
  if (node == nullptr) return;
  tv_->setCurrentItem(node);
  tv_->scrollToItem(node);
}

void Tmain::tvClick() {
  const QTreeWidgetItem* node = tv_->currentItem();
  // Choosing the open device again reads its file afresh (after an edit in the text editor),
  // but never over edits of its own; nor is the question asked a second time when one click
  // comes as both a click and an activation.
  if (!devicePath_.empty() && CatalogueTree::NodePath(node) == devicePath_ && !PendingChanges().rows.empty()) return;
  if (!OpenNode(node) || !IsNewDeviceNode(node)) return;
  // After the click is handled: the dialog's outcome rebuilds the tree the click came from.
  QTimer::singleShot(0, this, [this, caption = node->text(0)] { OpenNewDevice(caption); });
}

bool Tmain::OpenNode(const QTreeWidgetItem* node) {
  if (!CheckUnsavedChanges()) {
    SelectOpenDeviceNode();
    return false;
  }
  // A path-less node (a group, or a device under "New" that has no file yet) opens nothing.
  devicePath_ = CatalogueTree::NodePath(node);
  ShowStatus({});
  LoadDevice();
  return true;
}

void Tmain::LoadDevice() {
  ClearDeviceFields();
  LoadPlugins();
  if (devicePath_.empty()) return;
  edIDString_->setText(Text(FirstLineValue(devicePath_, "ID").value_or("")));
  edMechunit_->setText(Text(FirstLineValue(devicePath_, "Description").value_or("")));
  edGeography_->setText(Text(FirstLineValue(devicePath_, "Location").value_or("")));
  stLastDate_->setText(Text(FirstLineValue(devicePath_, "LastDateTime").value_or("")));
  const std::vector<std::string> skipped = parameters_.Load(devicePath_, cbKey_->currentText().toStdString());
  table_->Rebuild();
  btNow_->setEnabled(true);
  btCreateClone_->setEnabled(true);
  btHistory_->setEnabled(true);
  btChangeScale_->setEnabled(true);
  if (TView* address = parameters_.List().FindVariable("DevAddres")) {
    gbLink_->DeviceAddress()->setText(Text(address->BaseValue));
  }
  if (!skipped.empty()) {
    std::string keys;
    for (const std::string& key : skipped) keys += key + " ";
    CurrentPrompt().Warning("Quillon", "Строки с неверным адресом пропущены: " + keys);
  }
}

void Tmain::ClearDeviceFields() {
  // An answer still on its way belongs to the device that is going.
  connection_->Abandon();
  table_->Clear();
  parameters_.Clear();
  edIDString_->clear();
  edMechunit_->clear();
  edGeography_->clear();
  stLastDate_->clear();
  btNow_->setEnabled(false);
  btCreateClone_->setEnabled(false);
  btHistory_->setEnabled(false);
  btChangeScale_->setEnabled(false);
  btSaveBase_->setEnabled(false);
}

void Tmain::ShowStatus(const std::string& text, const std::string& details) {
  stStatus_->setText(Text(text));
  stStatus_->setToolTip(Text(details));
}

void Tmain::tvContextMenu(const QPoint& position) {
  // The menu acts on the open device, so the node under the pointer is opened first: the
  // engineer deletes what he pointed at, not what happened to be open. The open device itself
  // is not read again, which would throw its edits and controller values away.
  if (QTreeWidgetItem* node = tv_->itemAt(position)) {
    const bool open = CatalogueTree::NodePath(node) == devicePath_;
    tv_->setCurrentItem(node);
    if (!open && !OpenNode(node)) return;
  }
  pmTV_->popup(tv_->viewport()->mapToGlobal(position));
}

void Tmain::btRefreshClick() { FillCatalogue(); }

void Tmain::pmRefresh_mnSortClick(int sortType) {
  sortType_ = NormalizedSortType(sortType);
  sortActions_[sortType_]->setChecked(true);
  FillCatalogue();
}

void Tmain::pmTV_mnDelete() {
  if (devicePath_.empty()) {
    if (CurrentPrompt().Question("Удаление строки", "Строка не связана ни с одним из устройств\r\nУдалить её?")) {
      FillCatalogue();
    }
    return;
  }
  const std::string question = "удалить устройство?\r\n\r\nID:" + edIDString_->text().toStdString() + "\r\n" +
                               "Путь:" + PathForDisplay(devicePath_);
  if (!CurrentPrompt().Question("Удаление устройства из базы", question)) return;
  // A file that is already gone needs no message; the refill shows the database as it is.
  RemoveFile(devicePath_);
  devicePath_.clear();
  ClearDeviceFields();
  FillCatalogue();
}

void Tmain::pmTV_mnEditIni() {
  if (!devicePath_.empty()) OpenInDesktop(devicePath_);
}

void Tmain::pmTV_mnOpenDir() {
  if (!devicePath_.empty()) OpenInDesktop(DirectoryOf(devicePath_));
}

void Tmain::OpenInDesktop(const std::string& path) {
  // Percent-encoded bytes reach the file manager unchanged, whatever the names' code page.
  const QByteArray bytes = QByteArray::fromStdString(path).toPercentEncoding("/");
  if (!QDesktopServices::openUrl(QUrl::fromEncoded("file://" + bytes))) {
    CurrentPrompt().Warning("Quillon", "Не удалось открыть " + PathForDisplay(path));
  }
}

LinkFieldTexts Tmain::CurrentLinkFields() const {
  LinkFieldTexts fields;
  fields.protocol = gbLink_->Bus()->currentIndex() < 0 ? std::string() : gbLink_->Bus()->currentText().toStdString();
  fields.port = gbLink_->Port()->currentIndex() < 0 ? std::string() : gbLink_->Port()->currentText().toStdString();
  fields.baud = gbLink_->Bps()->currentIndex() < 0 ? std::string() : gbLink_->Bps()->currentText().toStdString();
  fields.frameEnd = gbLink_->FrameEnd()->text().trimmed().toStdString();
  fields.address = gbLink_->DeviceAddress()->text().trimmed().toStdString();
  fields.tcpPort = gbLink_->TcpPort()->text().trimmed().toStdString();
  return fields;
}

void Tmain::FocusLinkField(LinkField field) {
  QWidget* control = nullptr;
  switch (field) {
    case LinkField::Port:
      control = gbLink_->Port();
      break;
    case LinkField::Protocol:
      control = gbLink_->Bus();
      break;
    case LinkField::Baud:
      control = gbLink_->Bps();
      break;
    case LinkField::FrameEnd:
      control = gbLink_->FrameEnd();
      break;
    case LinkField::TcpPort:
      control = gbLink_->TcpPort();
      break;
    case LinkField::Address:
      control = gbLink_->DeviceAddress();
      break;
  }
  if (control != nullptr) control->setFocus();
}

void Tmain::ColumnWidthsChanged() {
  const ParameterColumnWidths widths = table_->Widths();
  header_->LayOut(widths.parameterGroup, widths.baseGroup);
}

void Tmain::EnableSave() {
  if (!devicePath_.empty()) btSaveBase_->setEnabled(true);
}

void Tmain::HeaderSectionClick(int section) {
  table_->HideEditor();
  switch (section) {
    case TableHeader::kRefreshSection:
      btConnectClick();
      break;
    case TableHeader::kControllerSection:
      onBtnControlToBaseClick();
      break;
    case TableHeader::kBaseSection:
      onBtnBaseToControlClick();
      break;
    default:
      break;
  }
}

void Tmain::cbCOMDropDown() {
  const std::string ports = hub_.Serial().ListComPorts();
  gbLink_->SetPortNames(ports.empty() ? std::vector<std::string>{} : SplitItems(ports));
}

void Tmain::btConnectClick() { connection_->ReadParameters(); }

void Tmain::Connect() { connection_->Identify(true); }

void Tmain::btGetIDClick() { connection_->Identify(false); }

void Tmain::ParametersRead() { table_->Compare(); }

void Tmain::IdentificationDone(bool connect) {
  if (!connect) {
    // A failed request has told its own message already.
    if (!connection_->IdString().empty()) CurrentPrompt().Warning("Quillon", connection_->IdString());
    return;
  }
  ConnectContinuation();
}

void Tmain::ConnectContinuation(bool repeated) {
  const ConnectDecision decision = DecideConnect(paths_, connection_->IdString());
  std::string path = decision.path;
  switch (decision.action) {
    case ConnectAction::Stop:
      return;
    case ConnectAction::NotFound:
      ConnectUnknownDevice(decision.idText, repeated);
      return;
    case ConnectAction::FirmwareChanged:
      if (const auto updated = UpdateDeviceFirmware(decision.path, decision.idText)) {
        path = *updated;
        break;
      }
      return;
    case ConnectAction::FirmwareDateChanged:
      try {
        RewriteDeviceId(decision.path, decision.idText);
      } catch (const std::exception& error) {
        CurrentPrompt().Warning("Quillon", error.what());
      }
      break;
    case ConnectAction::Found:
      break;
  }
  if (path != devicePath_) {
    // The controller's values must not land beside another device's base: when the engineer
    // keeps the open device, nothing is read.
    if (!CheckUnsavedChanges()) {
      SelectOpenDeviceNode();
      return;
    }
    devicePath_ = path;
    LoadDevice();
  }
  ShowStatus({});
  if (tv_->topLevelItemCount() == 0 || tv_->FindByPath(devicePath_) == nullptr) FillCatalogue();
  SelectOpenDeviceNode();
  btConnectClick();
  edIDString_->setText(Text(decision.idText));
}

void Tmain::WriteValue(TView& variable, const std::vector<std::uint8_t>& data) {
  connection_->WriteValue(variable, data);
}

void Tmain::onBtnControlToBaseClick() {
  if (parameters_.Empty()) return;
  if (!CurrentPrompt().Question("Подтверждение", "Копировать параметры контроллера в базу?")) return;
  // Before the first read the controller column holds nothing of the device.
  if (!parameters_.HasBeenRead()) {
    CurrentPrompt().Warning("Quillon", "Параметры контроллера ещё не прочитаны");
    return;
  }
  CopyControllerToBase(parameters_, CurrentPrompt());
  table_->Compare();
  EnableSave();
}

void Tmain::onBtnBaseToControlClick() {
  if (parameters_.Empty()) return;
  if (!CurrentPrompt().Question("Подтверждение", "Копировать параметры базы в контролер?")) return;
  connection_->WriteImage();
}

void Tmain::btSaveBaseClick() { SaveBase(); }

bool Tmain::SaveBase() {
  if (devicePath_.empty()) return false;
  // The sync rewrites Devices/ on its worker meanwhile; the edits stay in the window.
  if (databaseSync_->Running()) {
    CurrentPrompt().Warning("Quillon", "Идёт синхронизация базы: сохраните изменения после её окончания");
    return false;
  }
  if (!CurrentPrompt().Question("Подтверждение", "Сохранить изменения в базе?")) return false;
  stLastDate_->setText(Text(DateTimeText(NowDateTime())));
  DeviceSaveRecord record;
  try {
    record = SaveDevice(parameters_, {edIDString_->text().toStdString(), edMechunit_->text().toStdString(),
                                      edGeography_->text().toStdString(), stLastDate_->text().toStdString()});
  } catch (const std::exception& error) {
    CurrentPrompt().Warning("Quillon", std::string("Не удалось сохранить изменения:\r\n") + error.what());
    return false;
  }
  // The file is saved either way; only its version is missing.
  if (const std::string warning = HistoryWarning(record); !warning.empty()) CurrentPrompt().Warning("Quillon", warning);
  return true;
}

void Tmain::btNowClick() {
  stLastDate_->setText(Text(ShortDateText(TodayDate())));
  EnableSave();
}

DeviceChanges Tmain::PendingChanges() {
  if (devicePath_.empty()) return {};
  return CollectChanges(parameters_, edMechunit_->text().toStdString(), edGeography_->text().toStdString());
}

bool Tmain::CheckUnsavedChanges() {
  const DeviceChanges changes = PendingChanges();
  if (changes.rows.empty()) return true;
  changesViewer_->SetLines(changes.rows);
  switch (changesViewer_->AskOrCancel()) {
    case TfChangesViewer::Choice::Save:
      return SaveBase();
    case TfChangesViewer::Choice::DontSave:
      return true;
    case TfChangesViewer::Choice::Cancel:
      break;
  }
  return false;
}

}  // namespace quillon
