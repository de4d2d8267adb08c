#pragma once
// TfmTirel ("Tirel"): the program player of a Tirel rectifier controller. It polls the
// controller's live variables over MODBUS RTU, shows the player word on its buttons and the
// selected program's name, writes the word for START, PAUSE, STOP and REPEAT, and has a card
// file applied as the program. The page "Настройки" counts the poll's answers; the page
// "Ручной" is a layout only.
//
// Registry work goes through the link task queue; the poll's answers and the card's steps come
// back as queued calls.
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "app/support/tool_window.h"
#include "card/card_link.h"
#include "player/player_link.h"
#include "player/player_status.h"
#include "player/player_word.h"
#include "variables/view_list.h"

class QAbstractButton;
class QLabel;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QTimer;

namespace quillon {

class ScopePanel;
class TfmTirelProgSelect;

class TfmTirel : public TToolWindow {
  Q_OBJECT

 public:
  TfmTirel(const ToolContext& context, const TBaseProperty& link, QWidget* parent = nullptr);
  ~TfmTirel() override;

  TfmTirelProgSelect* ProgSelect() const { return fmProgSelect_; }
  const TViewList& Variables() const { return list_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // tirel_controls.cpp
  void BuildControls();
  QWidget* BuildAutomaticPage();
  QWidget* BuildManualPage();
  QWidget* BuildSettingsPage();

  void FormShow();
  void Attached(bool attached, const std::string& port);
  void tmrDataErrTimer();
  void RefreshDisplay();
  void Render();
  void btSTARTProgClick();
  void btPAUSEProgClick();
  void btSTOPProgClick();
  void sbRepAutoClick();
  void Command(PlayerCommand command);
  void ShowButtons(std::uint16_t word);
  void btSelectProgClick();
  void ApplyStarted(std::uint64_t generation, CardAttach attach, const std::string& place);
  void ApplyStepped(const CardStep& step);
  void tmrMsgTimer();

  bool ModbusRtu() const;
  Endpoint PlayerEndpoint() const;

  QTabWidget* pcPages_ = nullptr;
  QPushButton* btSTARTProg_ = nullptr;
  QPushButton* btPAUSEProg_ = nullptr;
  QPushButton* btSTOPProg_ = nullptr;
  QPushButton* sbRepAuto_ = nullptr;
  QPushButton* btSelectProg_ = nullptr;
  QLabel* pnFileName_ = nullptr;
  ScopePanel* pbScreen_ = nullptr;
  QScrollBar* sbTime_ = nullptr;
  QLabel* lbErrCode_ = nullptr;
  QLabel* lbPakCnt_ = nullptr;
  QLabel* lbErrCnt_ = nullptr;
  QTimer* tmrMsg_ = nullptr;
  QTimer* tmrDataErr_ = nullptr;
  TfmTirelProgSelect* fmProgSelect_ = nullptr;

  std::shared_ptr<PlayerLink> link_;
  std::shared_ptr<CardLink> card_;
  TViewList list_;
  LinkStatistics statistics_;
  std::string programName_;
  std::string message_;
  bool selectionPending_ = false;
  std::uint64_t generation_ = 0;
};

}  // namespace quillon
