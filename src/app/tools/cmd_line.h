#pragma once
// TCmdLine ("Командная строка"): the engineer types any byte sequence in hexadecimal, it goes
// once to the device over a COM port or TCP, and the raw answer is printed in the log. Typed
// commands are kept in a history that outlives the session.
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/support/tool_window.h"
#include "link/command_exchange.h"
#include "link/command_line.h"
#include "link/link_check.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace quillon {

class PortComboBox;

class TCmdLine : public TToolWindow {
  Q_OBJECT

 public:
  TCmdLine(const ToolContext& context, const TBaseProperty& link, QWidget* parent = nullptr);
  ~TCmdLine() override;

  // Fills the link fields from the main window's settings.
  void ApplyLink(const TBaseProperty& link) override;

  // True from Enter until the answer or the time-out.
  bool Waiting() const { return waiting_; }
  const CommandHistory& History() const { return history_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void FormCreate();
  void FormDestroy();
  void FormShow();
  void cbBUSChange();
  void cbCOMDropDown();
  void CmdBoxKeyPress();
  // true when the key was taken.
  bool CmdBoxKeyDown(int index);
  void ClrMemoClick();
  void tmrTimeOutTimer();

  // The link fields as the window shows them (under MODBUS TCP the IP address in the frame-end
  // place).
  LinkFieldTexts LinkFieldsShown() const;
  bool CheckFields();
  void ShowHistory(const QString& text);
  void AddLine(const std::string& line);
  void Registered(std::uint64_t generation, CommandRegistration registration, const std::string& port);
  void Answered(std::uint64_t generation, const std::vector<std::uint8_t>& answer);
  void EndWaiting(bool timedOut);

  QPlainTextEdit* m_ = nullptr;
  QComboBox* CmdBox_ = nullptr;
  QComboBox* cbBUS_ = nullptr;
  QLabel* lbCOM_ = nullptr;
  PortComboBox* cbCOM_ = nullptr;
  QLabel* lbBPS_ = nullptr;
  QComboBox* cbBPS_ = nullptr;
  QLineEdit* edFE_ = nullptr;
  QComboBox* cbMODE_ = nullptr;
  QLineEdit* edIPAddr_ = nullptr;
  QLineEdit* edIPPort_ = nullptr;
  QPushButton* btClearMemo_ = nullptr;
  QTimer* tmrTimeOut_ = nullptr;

  CommandHistory history_;
  std::shared_ptr<CommandExchange> exchange_;
  // The IP texts, kept while the fields show the serial settings.
  QString ipAddress_ = QStringLiteral("192.168.1.3");
  QString ipPort_ = QStringLiteral("502");
  std::string sentProtocol_;
  std::uint64_t generation_ = 0;
  bool waiting_ = false;
};

}  // namespace quillon
