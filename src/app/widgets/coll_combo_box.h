#pragma once
// TCollComboBox: the in-place list editor of the parameter table for parameter lists. It lists
// the variable's entries and commits the chosen entry's value as "x" + two hex digits + line
// break.
#include <QComboBox>
#include <functional>
#include <string>

namespace quillon {

class TPrmList;

class TCollComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TCollComboBox(QWidget* parent = nullptr);

  // Fills the list from the variable, selects the entry matching `cellText` and shows the
  // editor over `geometry`.
  void Open(const QRect& geometry, TPrmList& variable, const std::string& cellText);

  std::function<void(const std::string& text)> OnCommit;

 private:
  void Chosen(int index);
  std::vector<unsigned char> values_;
};

}  // namespace quillon
