#include "app/scope/rec_property_dialog.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/scope/list_moves.h"
#include "app/widgets/widget_helpers.h"
#include "scope/record_file.h"
#include "scope/record_info.h"

namespace quillon {

namespace {

constexpr int kListWidth = 240;
constexpr int kListHeight = 200;
constexpr int kInfoLines = 6;
constexpr int kInfoSpare = 4;
constexpr int kCopyWidth = 40;

QListWidget* MakeList(QWidget* parent, const char* name) {
  auto* list = Named(new QListWidget(parent), name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setMinimumSize(kListWidth, kListHeight);
  return list;
}

QToolButton* MakeTool(QWidget* parent, const char* name, const QString& hint) {
  auto* button = Named(new QToolButton(parent), name);
  button->setToolTip(hint);
  return button;
}

}  // namespace

TfmRecProperty::TfmRecProperty(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fmRecProperty"));
  setWindowTitle(QStringLiteral("Свойства осциллограммы"));

  mInfo_ = Named(new QPlainTextEdit(this), "mInfo");
  mInfo_->setReadOnly(true);
  // Tall enough for the whole summary, so that no line hides behind a scroll bar; long lines
  // wrap.
  mInfo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const QMargins margins = mInfo_->contentsMargins();
  mInfo_->setFixedHeight(mInfo_->fontMetrics().lineSpacing() * kInfoLines +
                         static_cast<int>(2 * mInfo_->document()->documentMargin()) + margins.top() + margins.bottom() +
                         kInfoSpare);

  auto* source = Named(new QGroupBox(QStringLiteral("Доступные параметры"), this), "gbSource");
  lbSource_ = MakeList(source, "lbSource");
  (new QVBoxLayout(source))->addWidget(lbSource_);

  auto* pnCopy = Named(new QPushButton(QStringLiteral(">>"), this), "pnCopy");
  pnCopy->setFixedWidth(kCopyWidth);
  // Enter is the apply key, whatever has the focus.
  pnCopy->setAutoDefault(false);

  auto* dest = Named(new QGroupBox(QStringLiteral("Отображаемые параметры"), this), "gbDest");
  lbDest_ = MakeList(dest, "lbDest");
  auto* btUp = MakeTool(dest, "btUp", QStringLiteral("Alt+Up"));
  btUp->setArrowType(Qt::UpArrow);
  auto* btDown = MakeTool(dest, "btDown", QStringLiteral("Alt+Down"));
  btDown->setArrowType(Qt::DownArrow);
  auto* btDel = MakeTool(dest, "btDel", QStringLiteral("Удалить"));
  btDel->setText(QStringLiteral("X"));
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btUp);
  buttons->addWidget(btDown);
  buttons->addWidget(btDel);
  buttons->addStretch(1);
  auto* destRow = new QHBoxLayout(dest);
  destRow->addWidget(lbDest_, 1);
  destRow->addLayout(buttons);

  auto* lists = new QHBoxLayout;
  lists->addWidget(source, 1);
  lists->addWidget(pnCopy, 0, Qt::AlignVCenter);
  lists->addWidget(dest, 1);

  auto* pnApply = Named(new QPushButton(QStringLiteral("Применить"), this), "pnApply");
  pnApply->setDefault(true);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(pnApply);

  auto* column = new QVBoxLayout(this);
  column->addWidget(mInfo_);
  column->addLayout(lists, 1);
  column->addLayout(bottom);

  lbSource_->installEventFilter(this);
  lbDest_->installEventFilter(this);
  connect(pnCopy, &QPushButton::clicked, this, &TfmRecProperty::pnCopyClick);
  connect(btUp, &QToolButton::clicked, this, [this] { MoveSelectedUp(lbDest_); });
  connect(btDown, &QToolButton::clicked, this, [this] { MoveFirstSelectedDown(lbDest_); });
  connect(btDel, &QToolButton::clicked, this, [this] { DeleteSelected(lbDest_); });
  connect(pnApply, &QPushButton::clicked, this, &QDialog::accept);
}

bool TfmRecProperty::Edit(const std::string& recordPath, TViewList& list, int samples) {
  Fill(recordPath, list, samples);
  if (exec() != QDialog::Accepted) return false;
  Apply(recordPath, list);
  return true;
}

void TfmRecProperty::Fill(const std::string& recordPath, const TViewList& list, int samples) {
  const IniDocument record = ReadRecordText(recordPath);
  QStringList lines;
  for (const std::string& line : RecordInfoLines(record, list, samples)) lines.append(Text(line));
  mInfo_->setPlainText(lines.join(QLatin1Char('\n')));
  lbSource_->clear();
  for (const std::string& entry : RecordSourceEntries(record)) lbSource_->addItem(Text(entry));
  lbDest_->clear();
  for (const std::string& entry : RecordDestEntries(list)) lbDest_->addItem(Text(entry));
}

void TfmRecProperty::Apply(const std::string& recordPath, TViewList& list) const {
  // Every variable of the record, not only those it shows: an entry taken from lbSource may name
  // one the record hides.
  ReloadRecordVariables(recordPath, list);
  std::vector<std::string> keys;
  for (const std::string& entry : EntryTexts(lbDest_)) keys.push_back(EntryKey(entry));
  ReorderByKeys(list, keys);
}

void TfmRecProperty::pnCopyClick() { AppendSelectedMissing(lbSource_, lbDest_); }

bool TfmRecProperty::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (watched == lbSource_ && key->key() == Qt::Key_Space) {
    pnCopyClick();
    return true;
  }
  if (watched == lbDest_ && key->modifiers().testFlag(Qt::AltModifier)) {
    if (key->key() == Qt::Key_Up) {
      MoveSelectedUp(lbDest_);
      return true;
    }
    if (key->key() == Qt::Key_Down) {
      MoveFirstSelectedDown(lbDest_);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace quillon
