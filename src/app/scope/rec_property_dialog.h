#pragma once
// "Свойства осциллограммы": a record's summary, and the choice and order of the variables a
// record view shows. The texts and the reordering are the core's (scope/record_info.h).
#include <QDialog>
#include <string>

#include "variables/view_list.h"

class QListWidget;
class QPlainTextEdit;

namespace quillon {

class TfmRecProperty : public QDialog {
  Q_OBJECT

 public:
  explicit TfmRecProperty(QWidget* parent = nullptr);

  // Shows the record's summary and the window's variables (`list`, `samples` per variable)
  // modally. On apply, `list` is loaded from the record again in the chosen order and true is
  // returned; otherwise `list` is left as it was.
  bool Edit(const std::string& recordPath, TViewList& list, int samples);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fill(const std::string& recordPath, const TViewList& list, int samples);
  void pnCopyClick();
  void Apply(const std::string& recordPath, TViewList& list) const;

  QPlainTextEdit* mInfo_ = nullptr;
  QListWidget* lbSource_ = nullptr;
  QListWidget* lbDest_ = nullptr;
};

}  // namespace quillon
