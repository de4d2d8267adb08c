#pragma once
// The group "Параметры связи": protocol, serial port, bit rate, frame end or IP address,
// TCP port, device address and the buttons that talk to the device. Under "MODBUS TCP" the
// serial fields give way to the IP address and TCP port; the frame-end field doubles as the
// IP address field, exactly as the settings keys FE and ServerIP share it.
#include <QComboBox>
#include <QGroupBox>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/settings.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

// The port list: asks its owner for the current ports each time it is about to open.
class PortComboBox : public QComboBox {
  Q_OBJECT

 public:
  using QComboBox::QComboBox;
  std::function<void()> OnDropDown;
  void showPopup() override;
};

class LinkFields : public QGroupBox {
  Q_OBJECT

 public:
  explicit LinkFields(QWidget* parent = nullptr);

  QComboBox* Bus() const { return cbBUS_; }
  PortComboBox* Port() const { return cbCOM_; }
  QComboBox* Bps() const { return cbBPS_; }
  QLineEdit* FrameEnd() const { return edFE_; }
  QLineEdit* DeviceAddress() const { return edDevAddr_; }
  QLineEdit* TcpPort() const { return edPort_; }
  QPushButton* Connect() const { return btConnect_; }
  QPushButton* GetId() const { return btGetID_; }

  void SetPortNames(const std::vector<std::string>& names);

  // Lays the fields out for `protocol` and fills them with `values`.
  void ShowProtocolFields(std::string_view protocol, const LinkFieldValues& values);
  // What the protocol-dependent fields hold now.
  LinkFieldValues FieldValues() const;

 private:
  QHBoxLayout* row_ = nullptr;
  QComboBox* cbBUS_ = nullptr;
  PortComboBox* cbCOM_ = nullptr;
  QLabel* lbBPS_ = nullptr;
  QComboBox* cbBPS_ = nullptr;
  QLabel* lbFE_ = nullptr;
  QLineEdit* edFE_ = nullptr;
  QLabel* lbPort_ = nullptr;
  QLineEdit* edPort_ = nullptr;
  QLabel* lbAddr_ = nullptr;
  QLineEdit* edDevAddr_ = nullptr;
  QPushButton* btConnect_ = nullptr;
  QPushButton* btGetID_ = nullptr;
};

// Selects the item whose text equals `text` exactly; when none does the list has no
// selection, so a stale stored value is never replaced by a guess.
void SelectItemByText(QComboBox* list, const std::string& text);
// The selected item's text; nullopt when nothing is selected.
std::optional<std::string> SelectedItemText(const QComboBox* list);

// Port names offered in the port list: the entries of <program dir>/Ports/ (links to
// simulators or adapters), then COM1..COM4, each name once.
std::vector<std::string> PortNamesForList(const std::string& programDir);

}  // namespace quillon
