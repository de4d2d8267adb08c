#include "app/main/changes_viewer.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "app/widgets/widget_helpers.h"

namespace quillon {

namespace {

constexpr int kItemHeight = 16;
constexpr int kColumnGap = 10;
constexpr int kRowRole = Qt::UserRole + 1;
// "Не сохранять" is a choice of its own; Rejected is left to closing the dialog.
constexpr int kDontSaveResult = 2;

// Draws one row as three columns separated by " | ", at the widths of the widest parts.
class ChangesRowDelegate : public QStyledItemDelegate {
 public:
  ChangesRowDelegate(const std::array<int, 3>& widths, QObject* parent)
      : QStyledItemDelegate(parent), widths_(widths) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : option.palette.color(QPalette::Text));
    painter->setFont(option.font);
    const QStringList parts = index.data(kRowRole).toStringList();
    const int x0 = option.rect.left();
    const int x1 = x0 + widths_[0] + kColumnGap;
    const int x2 = x1 + widths_[1] + kColumnGap;
    const int x3 = x2 + widths_[2] + kColumnGap;
    const QRect rect = option.rect;
    const auto draw = [&](int x, const QString& text) {
      painter->drawText(QRect(x, rect.top(), rect.right() - x + 1, rect.height()), Qt::AlignLeft | Qt::AlignTop, text);
    };
    draw(x0, parts.value(0));
    draw(x1, QStringLiteral(" | ") + parts.value(1));
    draw(x2, QStringLiteral(" | ") + parts.value(2));
    draw(x3, QStringLiteral(" | "));
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
  }

 private:
  const std::array<int, 3>& widths_;
};

}  // namespace

TfChangesViewer::TfChangesViewer(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("fChangesViewer"));
  setWindowTitle(QStringLiteral("Список произведённых изменений"));
  setModal(true);
  resize(640, 400);
  auto* column = new QVBoxLayout(this);
  listBox_ = Named(new QListWidget(this), "ListBox");
  listBox_->setUniformItemSizes(true);
  listBox_->setItemDelegate(new ChangesRowDelegate(widths_, listBox_));
  column->addWidget(listBox_, 1);
  auto* buttons = new QHBoxLayout();
  btYes_ = Named(new QPushButton(QStringLiteral("Сохранить изменения в базе"), this), "btYes");
  btCancel_ = Named(new QPushButton(QStringLiteral("Не сохранять"), this), "btCancel");
  btAbort_ = Named(new QPushButton(QStringLiteral("Отмена"), this), "btAbort");
  btAbort_->hide();
  buttons->addStretch(1);
  buttons->addWidget(btYes_);
  buttons->addWidget(btCancel_);
  buttons->addWidget(btAbort_);
  column->addLayout(buttons);
  connect(btYes_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btCancel_, &QPushButton::clicked, this, [this] { done(kDontSaveResult); });
  connect(btAbort_, &QPushButton::clicked, this, &QDialog::reject);
}

void TfChangesViewer::SetLines(const std::vector<std::string>& lines) {
  lines_ = lines;
  Fill();
}

bool TfChangesViewer::Ask() {
  btAbort_->hide();
  return Run() == QDialog::Accepted;
}

TfChangesViewer::Choice TfChangesViewer::AskOrCancel() {
  btAbort_->show();
  const int result = Run();
  btAbort_->hide();
  if (result == QDialog::Accepted) return Choice::Save;
  return result == kDontSaveResult ? Choice::DontSave : Choice::Cancel;
}

int TfChangesViewer::Run() {
  if (parentWidget() != nullptr) {
    move(parentWidget()->geometry().center() - rect().center());
  }
  return exec();
}

void TfChangesViewer::showEvent(QShowEvent* event) {
  Fill();
  QDialog::showEvent(event);
}

void TfChangesViewer::Fill() {
  listBox_->clear();
  // The size stays the list's own: a font made from the family alone would measure at another
  // size than the one the rows are drawn in.
  QFont font = listBox_->font();
  font.setFamily(QStringLiteral("MS Sans Serif"));
  font.setBold(true);
  listBox_->setFont(font);
  widths_ = {0, 0, 0};
  rows_ = ChangesViewerRows(lines_);
  const QFontMetrics metrics = listBox_->fontMetrics();
  for (const ChangesRow& row : rows_) {
    QStringList parts;
    for (std::size_t i = 0; i < row.size(); ++i) {
      parts << Text(row[i]);
      widths_[i] = std::max(widths_[i], metrics.horizontalAdvance(parts.back()));
    }
    auto* item = new QListWidgetItem(parts.join(QLatin1Char('/')), listBox_);
    item->setData(kRowRole, parts);
  }
  listBox_->viewport()->update();
}

}  // namespace quillon
