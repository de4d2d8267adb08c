// The controls of the cos-phi tuning tool and their places.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/tools/cos_ftune.h"
#include "app/tools/phase_strip.h"
#include "app/widgets/widget_helpers.h"

namespace quillon {
namespace {

constexpr int kValueWidth = 90;

QLineEdit* ValueEdit(QWidget* parent, const char* name, bool editable) {
  auto* edit = Named(new QLineEdit(parent), name);
  edit->setReadOnly(!editable);
  edit->setFixedWidth(kValueWidth);
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

// One row of the values: caption, field, unit.
void AddRow(QGridLayout* grid, int row, const QString& caption, QLineEdit* edit, const QString& unit) {
  grid->addWidget(new QLabel(caption, grid->parentWidget()), row, 0);
  grid->addWidget(edit, row, 1);
  if (!unit.isEmpty()) grid->addWidget(new QLabel(unit, grid->parentWidget()), row, 2);
}

QTimer* Timer(QObject* parent, const char* name, int interval) {
  auto* timer = Named(new QTimer(parent), name);
  timer->setInterval(interval);
  return timer;
}

}  // namespace

void TFmCOSFTune::BuildControls() {
  auto* top = new QHBoxLayout;
  btConnect_ = Named(new QPushButton(QStringLiteral("Подключиться к блоку"), this), "btConnect");
  lbSPS_ = Named(new QLabel(QStringLiteral("DNR"), this), "lbSPS");
  lbSPS_->setMinimumWidth(40);
  top->addWidget(btConnect_);
  top->addStretch(1);
  top->addWidget(lbSPS_);

  auto* values = new QWidget(this);
  auto* grid = new QGridLayout(values);
  grid->setContentsMargins(0, 0, 0, 0);
  edCOSDF_ = ValueEdit(values, "edCOSDF", true);
  edF_ = ValueEdit(values, "edF", false);
  edCOS_ = ValueEdit(values, "edCOS", false);
  edUs_ = ValueEdit(values, "edUs", false);
  edIs_ = ValueEdit(values, "edIs", false);
  AddRow(grid, 0, QStringLiteral("смещение угла cosdf"), edCOSDF_, QStringLiteral("эл.град."));
  AddRow(grid, 1, QStringLiteral("текущий угол Ф"), edF_, QStringLiteral("эл.град."));
  AddRow(grid, 2, QStringLiteral("текущий косинус"), edCOS_, {});
  AddRow(grid, 3, QStringLiteral("напряжение статора"), edUs_, QStringLiteral("%"));
  AddRow(grid, 4, QStringLiteral("ток статора"), edIs_, QStringLiteral("hex"));
  grid->setColumnStretch(3, 1);

  auto* phase = Named(new QGroupBox(QStringLiteral("Разность фаз"), this), "gbPhase");
  auto* strips = new QVBoxLayout(phase);
  gbU_ = Named(new TPhaseStrip(QStringLiteral("Напряжение статора"), Qt::red, phase), "gbU");
  gbI_ = Named(new TPhaseStrip(QStringLiteral("Ток статора"), Qt::blue, phase), "gbI");
  strips->addWidget(gbU_);
  strips->addWidget(gbI_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(values);
  layout->addWidget(phase);
  layout->addStretch(1);

  tmrTraffic_ = Timer(this, "tmrTraffic", 1000);
  tmrRefresh_ = Timer(this, "tmrRefresh", 250);
  tmrCosBufReady_ = Timer(this, "tmrCosBufReady", 250);
}

}  // namespace quillon
