// The controls of the alarm buffer tool and their places.
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>
#include <string_view>

#include "app/tools/alarm_buffer.h"
#include "app/widgets/widget_helpers.h"

namespace quillon {

namespace {

struct CauseControl {
  const char* label;
  const char* bar;
  const char* caption;
};

// In the order of the counter block.
constexpr CauseControl kCauses[kTripCauses] = {
    {"lbASYNCOFF", "pnASYNCOFF", "Асинхронный ход"},
    {"lbMTZOFF", "pnMTZOFF", "Максимально-токовая защита"},
    {"lbFFOFF", "pnFFOFF", "Потеря возбуждения"},
    {"lbGND_OFF", "pnGNDOFF", "Земля в роторе"},
    {"lbPCDF_OFF", "pnPCDFOFF", "Смена напрaвления мощности"},
    {"lbTHF_OFF", "pnTHFOFF", "Неисправность БК выключателя"},
    {"lbCPU_OFF", "pnCPUOFF", "CPU"},
    {"lbEMS_OFF", "pnEMSOFF", "Аварийный стоп (кнопка)"},
    {"lbTCH_OFF", "pnTCHOFF", "Технологическая защита"},
};
constexpr int kBarHeight = 12;
constexpr int kValueWidth = 70;
const int kSectionWidths[] = {150, 150, 50};
// Frame, padding and a vertical scroll bar around a list's longest line.
constexpr int kListMargin = 30;

QLabel* ValueLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = Named(new QLabel(text, parent), name);
  label->setMinimumWidth(kValueWidth);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setFrameShape(QFrame::StyledPanel);
  return label;
}

// A bar of the chart: its width is its share of the trips.
QFrame* Bar(QWidget* parent, const char* name) {
  auto* bar = Named(new QFrame(parent), name);
  bar->setFixedSize(0, kBarHeight);
  bar->setAutoFillBackground(true);
  QPalette palette = bar->palette();
  palette.setColor(QPalette::Window, QColor(0xC0, 0x30, 0x30));
  bar->setPalette(palette);
  return bar;
}

// The column the bars grow in, as wide as a bar that stands for all trips.
QWidget* BarSlot(QWidget* parent, QFrame* bar) {
  auto* slot = new QWidget(parent);
  slot->setFixedWidth(kFullBarWidth);
  auto* layout = new QHBoxLayout(slot);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar);
  layout->addStretch(1);
  return slot;
}

QListWidget* LogList(QWidget* parent, const char* name) {
  auto* list = Named(new QListWidget(parent), name);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setUniformItemSizes(true);
  return list;
}

}  // namespace

void TfmAlarmBuffer::BuildControls() {
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout();
  layout->addLayout(left);
  auto* top = new QHBoxLayout();
  btConnect_ = Named(new QPushButton(QStringLiteral("Подключиться к блоку"), this), "btConnect");
  top->addWidget(btConnect_);
  lbSPS_ = Named(new QLabel(QStringLiteral("DNR"), this), "lbSPS");
  lbSPS_->setMinimumWidth(40);
  top->addWidget(lbSPS_);
  top->addStretch(1);
  left->addLayout(top);
  left->addWidget(BuildClock());
  left->addWidget(BuildCounters());
  left->addWidget(BuildWorkTimes());
  left->addStretch(1);
  layout->addWidget(BuildLog(), 1);

  tmrRefresh_ = Named(new QTimer(this), "tmrRefresh");
  tmrRefresh_->setInterval(1000);
  tmrTraffic_ = Named(new QTimer(this), "tmrTraffic");
  tmrTraffic_->setInterval(1000);

  connect(btConnect_, &QPushButton::clicked, this, &TfmAlarmBuffer::btConnectClick);
  connect(btCLBR_M_, &QPushButton::clicked, this, &TfmAlarmBuffer::btCLBR_MClick);
  connect(btCLBR_P_, &QPushButton::clicked, this, &TfmAlarmBuffer::btCLBR_PClick);
  connect(btSyncTime_, &QPushButton::clicked, this, &TfmAlarmBuffer::btSyncTimeClick);
  connect(btALBFormat_, &QPushButton::clicked, this, &TfmAlarmBuffer::btALBFormatClick);
  connect(btTotalWT_, &QPushButton::clicked, this, &TfmAlarmBuffer::btTotalWTClick);
  connect(btSetProfTime_, &QPushButton::clicked, this, &TfmAlarmBuffer::btSetProfTimeClick);
  connect(btNext_, &QPushButton::clicked, this, &TfmAlarmBuffer::btNextClick);
  connect(btPred_, &QPushButton::clicked, this, &TfmAlarmBuffer::btPredClick);
  connect(tbGetScope_, &QToolButton::clicked, this, &TfmAlarmBuffer::tbGetScopeClick);
  connect(tbSaveToXLS_, &QToolButton::clicked, this, &TfmAlarmBuffer::tbSaveToXLSClick);
  connect(tmrRefresh_, &QTimer::timeout, this, &TfmAlarmBuffer::tmrRefreshTimer);
  connect(tmrTraffic_, &QTimer::timeout, this, &TfmAlarmBuffer::tmrTrafficTimer);
  connect(HeaderControl1_, &QHeaderView::sectionResized, this, &TfmAlarmBuffer::HeaderControl1SectionResize);
  resize(1240, 560);
}

QWidget* TfmAlarmBuffer::BuildClock() {
  auto* box = new QGroupBox(this);
  auto* layout = new QGridLayout(box);
  edTime_ = Named(new QLineEdit(box), "edTime");
  edTime_->setReadOnly(true);
  edTime_->setMinimumWidth(edTime_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00 ВОСКРЕСЕНЬЕ 00.00.0000")) +
                           16);
  layout->addWidget(edTime_, 0, 0, 1, 4);
  edCLBRDATtmp_ = Named(new QLineEdit(QStringLiteral("-----"), box), "edCLBRDATtmp");
  edCLBRDATtmp_->setReadOnly(true);
  edCLBRDATtmp_->setFixedWidth(50);
  edCLBRDATtmp_->setAlignment(Qt::AlignCenter);
  layout->addWidget(edCLBRDATtmp_, 1, 0);
  btCLBR_M_ = Named(new QPushButton(QStringLiteral("-"), box), "btCLBR_M");
  btCLBR_P_ = Named(new QPushButton(QStringLiteral("+"), box), "btCLBR_P");
  for (QPushButton* button : {btCLBR_M_, btCLBR_P_}) button->setFixedWidth(30);
  layout->addWidget(btCLBR_M_, 1, 1);
  layout->addWidget(btCLBR_P_, 1, 2);
  btSyncTime_ = Named(new QPushButton(QStringLiteral("Синхронизировать с ПК"), box), "btSyncTime");
  layout->addWidget(btSyncTime_, 1, 3);
  layout->setColumnStretch(3, 1);
  return box;
}

QWidget* TfmAlarmBuffer::BuildCounters() {
  auto* box = new QGroupBox(this);
  auto* layout = new QGridLayout(box);
  lbTotalON_ = ValueLabel(box, "lbTotalON", QStringLiteral("0"));
  lbTotalAlOFF_ = ValueLabel(box, "lbTotalAlOFF", QStringLiteral("0"));
  layout->addWidget(new QLabel(QStringLiteral("Количество включений двигателя"), box), 0, 0);
  layout->addWidget(lbTotalON_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("Количество аварийных отключений "), box), 1, 0);
  layout->addWidget(lbTotalAlOFF_, 1, 1);
  // The bar column's caption says what its full width stands for.
  layout->addWidget(Named(new QLabel(QStringLiteral("100%"), box), "lbBarScale"), 1, 2, Qt::AlignRight);

  int row = 2;
  auto addCause = [&](QLabel* label, QFrame* bar, const char* caption) {
    layout->addWidget(new QLabel(QString::fromUtf8(caption), box), row, 0);
    layout->addWidget(label, row, 1);
    layout->addWidget(BarSlot(box, bar), row, 2);
    ++row;
  };
  for (std::size_t i = 0; i < std::size(kCauses); ++i) {
    causeLabels_[i] = ValueLabel(box, kCauses[i].label, QStringLiteral("0"));
    causeBars_[i] = Bar(box, kCauses[i].bar);
    addCause(causeLabels_[i], causeBars_[i], kCauses[i].caption);
    // The mains frequency drop has no counter of its own; it keeps its place after the power
    // direction change.
    if (std::string_view(kCauses[i].label) == "lbPCDF_OFF") {
      lbFrLow_OFF_ = ValueLabel(box, "lbFrLow_OFF", QStringLiteral("0"));
      Panel1_ = Bar(box, "Panel1");
      addCause(lbFrLow_OFF_, Panel1_, "Снижение частоты сети");
    }
  }
  layout->setColumnStretch(0, 1);
  return box;
}

QWidget* TfmAlarmBuffer::BuildWorkTimes() {
  auto* box = new QGroupBox(this);
  auto* layout = new QGridLayout(box);
  lbTotalWT_ = ValueLabel(box, "lbTotalWT", QStringLiteral("0:00:00"));
  lbLastWT_ = ValueLabel(box, "lbLastWT", QStringLiteral("0:00:00"));
  lbCPUWT_ = ValueLabel(box, "lbCPUWT", QStringLiteral("0:00:00"));
  btTotalWT_ = Named(new QPushButton(QStringLiteral("Обнулить"), box), "btTotalWT");
  btSetProfTime_ = Named(new QPushButton(QStringLiteral("Уставка"), box), "btSetProfTime");
  btALBFormat_ = Named(new QPushButton(QStringLiteral("Обнулить буфер"), box), "btALBFormat");
  layout->addWidget(new QLabel(QStringLiteral("Время работы двигателя"), box), 0, 0);
  layout->addWidget(lbTotalWT_, 0, 1);
  layout->addWidget(btTotalWT_, 0, 2);
  layout->addWidget(new QLabel(QStringLiteral("До профилактики двигателя"), box), 1, 0);
  layout->addWidget(lbLastWT_, 1, 1);
  layout->addWidget(btSetProfTime_, 1, 2);
  layout->addWidget(new QLabel(QStringLiteral("Время работы блока"), box), 2, 0);
  layout->addWidget(lbCPUWT_, 2, 1);
  layout->addWidget(btALBFormat_, 3, 0, 1, 3, Qt::AlignLeft);
  layout->setColumnStretch(0, 1);
  return box;
}

QGroupBox* TfmAlarmBuffer::BuildLog() {
  gbLog_ = Named(new QGroupBox(QStringLiteral("Журнал событий"), this), "gbLog");
  auto* layout = new QVBoxLayout(gbLog_);
  auto* bar = new QHBoxLayout();
  btPred_ = Named(new QPushButton(QStringLiteral("<<"), gbLog_), "btPred");
  btPred_->setToolTip(QStringLiteral("Предыдущая запись"));
  btNext_ = Named(new QPushButton(QStringLiteral(">>"), gbLog_), "btNext");
  btNext_->setToolTip(QStringLiteral("Следующая запись"));
  tbGetScope_ = Named(new QToolButton(gbLog_), "tbGetScope");
  tbGetScope_->setText(QStringLiteral("Показать осциллограмму процесса"));
  tbGetScope_->setToolTip(tbGetScope_->text());
  tbSaveToXLS_ = Named(new QToolButton(gbLog_), "tbSaveToXLS");
  tbSaveToXLS_->setText(QStringLiteral("Записать журнал событий"));
  tbSaveToXLS_->setToolTip(tbSaveToXLS_->text());
  tbReload_ = Named(new QToolButton(gbLog_), "tbReload");
  tbReload_->setText(QStringLiteral("Загрузить журнал событий"));
  tbReload_->setToolTip(tbReload_->text());
  tbReload_->setVisible(false);
  tbGetScope_->setEnabled(false);
  tbSaveToXLS_->setEnabled(false);
  guLoad_ = Named(new QProgressBar(gbLog_), "guLoad");
  guLoad_->setRange(0, kLogPageRecords);
  guLoad_->setTextVisible(false);
  guLoad_->setVisible(false);
  for (QWidget* widget : std::initializer_list<QWidget*>{btPred_, btNext_, tbGetScope_, tbSaveToXLS_, tbReload_}) {
    bar->addWidget(widget);
  }
  bar->addWidget(guLoad_, 1);
  bar->addStretch(0);
  layout->addLayout(bar);

  HeaderControl1_ = Named(new QHeaderView(Qt::Horizontal, gbLog_), "HeaderControl1");
  auto* sections = new QStandardItemModel(0, 3, HeaderControl1_);
  sections->setHorizontalHeaderLabels({QStringLiteral("Дата"), QStringLiteral("События"), QStringLiteral("Аварии")});
  HeaderControl1_->setModel(sections);
  HeaderControl1_->setSectionsClickable(false);
  HeaderControl1_->setStretchLastSection(true);
  // Without rows below it a header view would take any height the layout offers.
  HeaderControl1_->setFixedHeight(HeaderControl1_->fontMetrics().height() + 10);
  layout->addWidget(HeaderControl1_);

  auto* lists = new QHBoxLayout();
  lists->setSpacing(0);
  lbRecInterval_ = LogList(gbLog_, "lbRecInterval");
  lbEvents_ = LogList(gbLog_, "lbEvents");
  lbLogger_ = LogList(gbLog_, "lbLogger");
  lists->addWidget(lbRecInterval_);
  lists->addWidget(lbEvents_);
  lists->addWidget(lbLogger_, 1);
  layout->addLayout(lists, 1);
  // The widths were chosen for a smaller system font; a line of the list must still fit.
  const QFontMetrics metrics = lbEvents_->fontMetrics();
  const int stamp = metrics.horizontalAdvance(QStringLiteral("CPU OFF 00.00.0000 00:00:00")) + kListMargin;
  const int widths[] = {std::max(kSectionWidths[0], stamp), std::max(kSectionWidths[1], stamp), kSectionWidths[2]};
  for (int section = 0; section < 3; ++section) HeaderControl1_->resizeSection(section, widths[section]);
  return gbLog_;
}

void TfmAlarmBuffer::HeaderControl1SectionResize() {
  lbRecInterval_->setFixedWidth(HeaderControl1_->sectionSize(0));
  lbEvents_->setFixedWidth(HeaderControl1_->sectionSize(1));
}

}  // namespace quillon
