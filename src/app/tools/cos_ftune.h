#pragma once
// TFmCOSFTune ("Настройка контура COS Ф"): tuning the power-factor loop of a synchronous motor's
// excitation. It polls the phase angle, the stator voltage and current, shows the angle's
// cosine, reads and writes the angle offset, and draws the sampled phase relation of voltage
// and current from the buffer the controller fills on request.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/support/tool_window.h"
#include "cosphi/cosphi_link.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace quillon {

class TPhaseStrip;

class TFmCOSFTune : public TToolWindow {
  Q_OBJECT

 public:
  TFmCOSFTune(const ToolContext& context, const TBaseProperty& link, QWidget* parent = nullptr);
  ~TFmCOSFTune() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();

  void FormShow();
  void FormClose();

  void btConnectClick();
  void edCOSDFKeyPress();
  void tmrTrafficTimer();
  void tmrRefreshTimer();
  void tmrCosBufReadyTimer();

  void Connected(bool attached, const std::string& port);
  void OffsetLoaded(const std::string& text);
  void DrawStrips(const std::array<std::uint8_t, kPhaseImageSize>& buffer);
  void Write(CosPhiLink::Area area, std::string_view name, const std::string& text);

  QPushButton* btConnect_ = nullptr;
  QLabel* lbSPS_ = nullptr;
  QLineEdit* edCOSDF_ = nullptr;
  QLineEdit* edF_ = nullptr;
  QLineEdit* edCOS_ = nullptr;
  QLineEdit* edUs_ = nullptr;
  QLineEdit* edIs_ = nullptr;
  TPhaseStrip* gbU_ = nullptr;
  TPhaseStrip* gbI_ = nullptr;
  QTimer* tmrTraffic_ = nullptr;
  QTimer* tmrRefresh_ = nullptr;
  QTimer* tmrCosBufReady_ = nullptr;

  std::shared_ptr<CosPhiLink> link_;
};

}  // namespace quillon
