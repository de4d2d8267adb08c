// The controls of the player window: the pages "Автоматический", "Ручной" and "Настройки".
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/tools/tirel.h"
#include "app/widgets/scope_panel.h"
#include "app/widgets/widget_helpers.h"

namespace quillon {

namespace {

constexpr int kGlyph = 24;
constexpr int kMsgDelayMs = 100;

enum class Glyph { Play, Pause, Stop, Repeat };

QPixmap DrawGlyph(Glyph glyph, const QColor& colour) {
  QPixmap pixmap(kGlyph, kGlyph);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  switch (glyph) {
    case Glyph::Play: {
      QPainterPath path;
      path.moveTo(6, 4);
      path.lineTo(20, 12);
      path.lineTo(6, 20);
      path.closeSubpath();
      painter.drawPath(path);
      break;
    }
    case Glyph::Pause:
      painter.drawRect(6, 5, 4, 14);
      painter.drawRect(14, 5, 4, 14);
      break;
    case Glyph::Stop:
      painter.drawRect(6, 6, 12, 12);
      break;
    case Glyph::Repeat: {
      painter.setBrush(Qt::NoBrush);
      painter.setPen(QPen(colour, 2.5));
      painter.drawArc(QRectF(5, 5, 14, 14), 30 * 16, 300 * 16);
      painter.setPen(Qt::NoPen);
      painter.setBrush(colour);
      QPainterPath head;
      head.moveTo(15, 3);
      head.lineTo(21, 8);
      head.lineTo(14, 10);
      head.closeSubpath();
      painter.drawPath(head);
      break;
    }
  }
  return pixmap;
}

// The two pairs of pictures of a two-state button: grey while its bit is clear, in colour while
// it is set.
QIcon TwoStateIcon(Glyph glyph, const QColor& on) {
  QIcon icon;
  icon.addPixmap(DrawGlyph(glyph, QColor(0x60, 0x60, 0x60)), QIcon::Normal, QIcon::Off);
  icon.addPixmap(DrawGlyph(glyph, on), QIcon::Normal, QIcon::On);
  icon.addPixmap(DrawGlyph(glyph, QColor(0xB0, 0xB0, 0xB0)), QIcon::Disabled, QIcon::Off);
  icon.addPixmap(DrawGlyph(glyph, QColor(0xB0, 0xB0, 0xB0)), QIcon::Disabled, QIcon::On);
  return icon;
}

QPushButton* PlayerButton(const char* name, const QString& caption, const QIcon& icon, bool twoState, QWidget* parent) {
  auto* button = Named(new QPushButton(icon, caption, parent), name);
  button->setIconSize(QSize(kGlyph, kGlyph));
  button->setCheckable(twoState);
  button->setMinimumHeight(40);
  return button;
}

QLabel* ValueField(const char* name, QWidget* parent) {
  auto* field = Named(new QLabel(QStringLiteral("---"), parent), name);
  field->setFrameShape(QFrame::StyledPanel);
  field->setFrameShadow(QFrame::Sunken);
  field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  field->setMinimumWidth(90);
  return field;
}

}  // namespace

void TfmTirel::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  pcPages_ = Named(new QTabWidget(this), "pcPages");
  layout->addWidget(pcPages_);
  pcPages_->addTab(BuildAutomaticPage(), QStringLiteral("Автоматический"));
  pcPages_->addTab(BuildManualPage(), QStringLiteral("Ручной"));
  pcPages_->addTab(BuildSettingsPage(), QStringLiteral("Настройки"));

  tmrMsg_ = Named(new QTimer(this), "tmrMsg");
  tmrMsg_->setInterval(kMsgDelayMs);
  tmrDataErr_ = Named(new QTimer(this), "tmrDataErr");
  connect(tmrMsg_, &QTimer::timeout, this, &TfmTirel::tmrMsgTimer);
  connect(tmrDataErr_, &QTimer::timeout, this, &TfmTirel::tmrDataErrTimer);
  resize(640, 480);
}

QWidget* TfmTirel::BuildAutomaticPage() {
  auto* page = new QWidget(pcPages_);
  auto* layout = new QVBoxLayout(page);

  auto* program = Named(new QGroupBox(QStringLiteral("ПРОГРАММА:"), page), "gbProgram");
  auto* programLayout = new QHBoxLayout(program);
  btSelectProg_ = Named(new QPushButton(QStringLiteral("ВЫБОР ПРОГРАММЫ"), program), "btSelectProg");
  pnFileName_ = Named(new QLabel(QString::fromUtf8(kNoProgramText), program), "pnFileName");
  pnFileName_->setFrameShape(QFrame::Panel);
  pnFileName_->setFrameShadow(QFrame::Sunken);
  pnFileName_->setAlignment(Qt::AlignCenter);
  pnFileName_->setMinimumHeight(28);
  QFont bold = pnFileName_->font();
  bold.setBold(true);
  pnFileName_->setFont(bold);
  programLayout->addWidget(btSelectProg_);
  programLayout->addWidget(pnFileName_, 1);
  layout->addWidget(program);

  auto* buttons = new QHBoxLayout;
  btSTARTProg_ = PlayerButton("btSTARTProg", QStringLiteral("ПУСК"),
                              TwoStateIcon(Glyph::Play, QColor(0x00, 0xA0, 0x00)), true, page);
  btPAUSEProg_ = PlayerButton("btPAUSEProg", QStringLiteral("ПАУЗА"),
                              TwoStateIcon(Glyph::Pause, QColor(0xE0, 0x90, 0x00)), true, page);
  btPAUSEProg_->setEnabled(false);
  QIcon stop;
  stop.addPixmap(DrawGlyph(Glyph::Stop, QColor(0xC0, 0x20, 0x20)));
  btSTOPProg_ = PlayerButton("btSTOPProg", QStringLiteral("СТОП"), stop, false, page);
  sbRepAuto_ = PlayerButton("sbRepAuto", QStringLiteral("ПОВТОР"),
                            TwoStateIcon(Glyph::Repeat, QColor(0x20, 0x60, 0xD0)), true, page);
  for (QPushButton* button : {btSTARTProg_, btPAUSEProg_, btSTOPProg_, sbRepAuto_}) buttons->addWidget(button);
  layout->addLayout(buttons);

  pbScreen_ = Named(new ScopePanel(page), "pbScreen");
  pbScreen_->setMinimumHeight(120);
  layout->addWidget(pbScreen_, 1);
  sbTime_ = Named(new QScrollBar(Qt::Horizontal, page), "sbTime");
  // Right is now; to the left the history of the samples.
  sbTime_->setRange(0, kHistoryLength - 1);
  sbTime_->setValue(kHistoryLength - 1);
  layout->addWidget(sbTime_);

  pbScreen_->OnResized = [this] {
    list_.Resize(pbScreen_->width(), pbScreen_->height());
    Render();
  };
  connect(sbTime_, &QScrollBar::valueChanged, this, [this](int value) {
    list_.SetScrollBack(kHistoryLength - 1 - value);
    Render();
  });
  connect(btSTARTProg_, &QPushButton::clicked, this, &TfmTirel::btSTARTProgClick);
  connect(btPAUSEProg_, &QPushButton::clicked, this, &TfmTirel::btPAUSEProgClick);
  connect(btSTOPProg_, &QPushButton::clicked, this, &TfmTirel::btSTOPProgClick);
  connect(sbRepAuto_, &QPushButton::clicked, this, &TfmTirel::sbRepAutoClick);
  connect(btSelectProg_, &QPushButton::clicked, this, &TfmTirel::btSelectProgClick);
  return page;
}

// A layout without function: nothing here is connected.
QWidget* TfmTirel::BuildManualPage() {
  auto* page = new QWidget(pcPages_);
  auto* layout = new QGridLayout(page);

  auto* measures = Named(new QGroupBox(QStringLiteral("Измерения"), page), "gbMeasures");
  auto* measuresLayout = new QGridLayout(measures);
  const std::pair<const char*, QString> fields[] = {
      {"edCurrent", QStringLiteral("Ток, А")},
      {"edVoltage", QStringLiteral("Напряжение, В")},
      {"edTemp1", QStringLiteral("Температура 1, °С")},
      {"edTemp2", QStringLiteral("Температура 2, °С")},
  };
  int row = 0;
  for (const auto& [name, caption] : fields) {
    measuresLayout->addWidget(new QLabel(caption, measures), row, 0);
    measuresLayout->addWidget(ValueField(name, measures), row, 1);
    ++row;
  }
  layout->addWidget(measures, 0, 0, 2, 1);

  auto* mode = Named(new QGroupBox(QStringLiteral("Стабилизация"), page), "gbMode");
  auto* modeLayout = new QVBoxLayout(mode);
  auto* cbMode = Named(new QComboBox(mode), "cbStabMode");
  cbMode->addItems({QStringLiteral("ТОК"), QStringLiteral("НАПРЯЖЕНИЕ"), QStringLiteral("ПЛОТНОСТЬ")});
  modeLayout->addWidget(cbMode);
  auto* setpoint = Named(new QLineEdit(mode), "edSetPoint");
  setpoint->setPlaceholderText(QStringLiteral("Уставка"));
  modeLayout->addWidget(setpoint);
  layout->addWidget(mode, 0, 1);

  auto* direction = Named(new QGroupBox(QStringLiteral("Направление"), page), "gbDirection");
  auto* directionLayout = new QVBoxLayout(direction);
  auto* forward = Named(new QRadioButton(QStringLiteral("Прямое"), direction), "rbForward");
  forward->setChecked(true);
  directionLayout->addWidget(forward);
  directionLayout->addWidget(Named(new QRadioButton(QStringLiteral("Обратное"), direction), "rbReverse"));
  layout->addWidget(direction, 1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Named(new QPushButton(QStringLiteral("ПУСК"), page), "btStartReg"));
  buttons->addWidget(Named(new QPushButton(QStringLiteral("СТОП"), page), "btStopReg"));
  buttons->addWidget(Named(new QPushButton(QStringLiteral("ВРЕМЯ РАБОТЫ"), page), "btTime"));
  layout->addLayout(buttons, 2, 0, 1, 2);
  layout->setRowStretch(3, 1);
  return page;
}

QWidget* TfmTirel::BuildSettingsPage() {
  auto* page = new QWidget(pcPages_);
  auto* layout = new QGridLayout(page);
  lbErrCode_ = Named(new QLabel(page), "lbErrCode");
  lbPakCnt_ = Named(new QLabel(QStringLiteral("0"), page), "lbPakCnt");
  lbErrCnt_ = Named(new QLabel(QStringLiteral("0"), page), "lbErrCnt");
  layout->addWidget(new QLabel(QStringLiteral("Связь:"), page), 0, 0);
  layout->addWidget(lbErrCode_, 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("принято"), page), 1, 0);
  layout->addWidget(lbPakCnt_, 1, 1);
  layout->addWidget(new QLabel(QStringLiteral("с ошибками"), page), 2, 0);
  layout->addWidget(lbErrCnt_, 2, 1);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(3, 1);
  return page;
}

}  // namespace quillon
