#include "main/coll_combo_box.h"

#include "main/coll_edit.h"
#include "text/numbers.h"
#include "variables/special/prm_list_type.h"

namespace quillon {

TCollComboBox::TCollComboBox(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("CollComboBox"));
  setFrame(false);
  StyleInPlaceEditor(this);
  hide();
  connect(this, &QComboBox::activated, this, &TCollComboBox::Chosen);
}

void TCollComboBox::Open(const QRect& geometry, TPrmList& variable, const std::string& cellText) {
  blockSignals(true);
  clear();
  values_.clear();
  const std::vector<std::string> texts = variable.ItemTexts();
  for (std::size_t i = 0; i < texts.size() && i < variable.Entries.size(); ++i) {
    addItem(QString::fromStdString(texts[i]));
    values_.push_back(variable.Entries[i].Value);
  }
  setMaxVisibleItems(std::max(1, count()));
  if (count() > 0) setCurrentIndex(static_cast<int>(variable.FindItem(cellText)));
  blockSignals(false);
  setGeometry(geometry);
  show();
  raise();
  setFocus();
}

void TCollComboBox::Chosen(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= values_.size()) return;
  hide();
  if (OnCommit) OnCommit("x" + HexDigits(values_[static_cast<std::size_t>(index)], 2) + "\n");
}

}  // namespace quillon
