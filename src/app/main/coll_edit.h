#pragma once
// TCollEdit: the in-place text editor of the parameter table. It is multi-line and right-
// aligned; Enter inserts a line break, and a text that holds a line break is committed. It
// keeps only characters that can be part of a number (KeepNumberChars).
#include <QTextEdit>
#include <functional>
#include <string>

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

}  // namespace quillon
