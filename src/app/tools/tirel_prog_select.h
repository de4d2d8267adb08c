#pragma once
// TfmTirelProgSelect ("Выбор программы"): lists the files of the controller's memory card and
// lets the user choose the one to play. Listing goes through a card link of its own; it ends
// with a message when the card does not answer properly.
#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

#include "app/support/tool_window.h"
#include "card/card_link.h"
#include "scope/base_property.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace quillon {

class TfmTirelProgSelect : public QDialog {
  Q_OBJECT

 public:
  TfmTirelProgSelect(const ToolContext& context, QWidget* parent = nullptr);
  ~TfmTirelProgSelect() override;

  void ApplyLink(const TBaseProperty& link) { Property = link; }
  // The chosen name (UTF-8).
  std::string FileName() const;

  TBaseProperty Property;

 protected:
  void done(int result) override;

 private:
  void btGetFilesListClick();
  void lbFilesClick();
  void btSelectFileClick();
  void Attached(std::uint64_t generation, CardAttach attach, const std::string& place);
  void Stepped(const CardStep& step);
  void tmrMsgTimer();
  void Withdraw();

  ToolContext context_;
  QPushButton* btGetFilesList_ = nullptr;
  QListWidget* lbFiles_ = nullptr;
  QLineEdit* edFileName_ = nullptr;
  QPushButton* btSelectFile_ = nullptr;
  QPushButton* btChancel_ = nullptr;
  QTimer* tmrMsg_ = nullptr;

  std::shared_ptr<CardLink> link_;
  std::uint64_t generation_ = 0;
  std::string message_;
};

}  // namespace quillon
