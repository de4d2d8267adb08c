#pragma once
// TCollEdit: the in-place text editor of the parameter table. It is multi-line and right-
// aligned; Enter inserts a line break, and a text that holds a line break is committed. It
// keeps only characters that can be part of a number (KeepNumberChars).
#include <QTextEdit>
#include <functional>
#include <string>

class QComboBox;

namespace quillon {

class TCollEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit TCollEdit(QWidget* parent = nullptr);

  // Shows `text` over `geometry` and takes the focus.
  void Open(const QRect& geometry, const QString& text);

  // Called with the text (line breaks included) once it holds a line break.
  std::function<void(const std::string& text)> OnCommit;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void TextChanged();
  // Set while the text is replaced by the editor itself rather than typed.
  bool settingText_ = false;
};

// The yellow, borderless look both in-place editors share.
void StyleInPlaceEditor(QWidget* editor);

// The same for a choice box over a cell: black on yellow whether it has the focus or not (a
// focused box would otherwise draw its text in the selection colour, white), and a popup list
// in the usual colours.
void StyleInPlaceChoice(QComboBox* choice);

// After the options are filled: the popup grows to the widest option, so no option is cut; the
// box itself keeps the cell's width.
void WidenChoicePopup(QComboBox* choice);

}  // namespace quillon
