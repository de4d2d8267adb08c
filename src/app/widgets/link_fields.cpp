#include "app/widgets/link_fields.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <filesystem>

#include "app/widgets/service_window.h"
#include "app/widgets/widget_helpers.h"
#include "link/buses.h"
#include "platform/files.h"

namespace quillon {

namespace {

constexpr int kTcpPortFieldWidth = 40;
constexpr int kFrameEndFieldWidth = 22;
constexpr int kAddressFieldWidth = 21;
constexpr int kTcpSpacing = 4;
constexpr int kSerialSpacing = 2;

const char* const kBitRates[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};

// QLineEdit keeps this much room between its frame and its text on either side.
constexpr int kLineEditTextMargin = 2;
// The text cursor after the last character.
constexpr int kCursorWidth = 1;

// The width at which `field` shows the widest of `texts` whole, by its font and its style's frame,
// as QLineEdit measures its own size hint.
int FieldWidthFor(const QLineEdit* field, const QStringList& texts) {
  const QFontMetrics metrics = field->fontMetrics();
  int widest = 0;
  for (const QString& text : texts) widest = std::max(widest, metrics.horizontalAdvance(text));
  const QMargins text = field->textMargins();
  const QMargins contents = field->contentsMargins();
  const int inner =
      widest + 2 * kLineEditTextMargin + kCursorWidth + text.left() + text.right() + contents.left() + contents.right();
  QStyleOptionFrame option;
  option.initFrom(field);
  option.lineWidth = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field) : 0;
  option.midLineWidth = 0;
  option.state |= QStyle::State_Sunken;
  return field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(inner, metrics.height()), field).width();
}

// The longest addresses an engineer types, zero-padded as the controllers' labels print them;
// every digit is tried, for a font whose digits differ in width.
QStringList LongestIpAddresses() {
  QStringList texts;
  for (char digit = '0'; digit <= '9'; ++digit) {
    const QString group(3, QLatin1Char(digit));
    texts << QStringList{group, group, group, group}.join(QLatin1Char('.'));
  }
  return texts;
}

}  // namespace

LinkFields::LinkFields(QWidget* parent) : QGroupBox(QStringLiteral("Параметры связи"), parent) {
  setObjectName(QStringLiteral("gbLink"));
  row_ = new QHBoxLayout(this);
  row_->setContentsMargins(4, 2, 4, 4);

  cbBUS_ = Named(new QComboBox(this), "cbBUS");
  for (std::string_view name : kProtocolNames) cbBUS_->addItem(QString::fromUtf8(name.data(), name.size()));
  cbCOM_ = Named(new PortComboBox(this), "cbCOM");
  lbBPS_ = Named(new QLabel(QStringLiteral("BPS"), this), "lbBPS");
  cbBPS_ = Named(new QComboBox(this), "cbBPS");
  for (const char* rate : kBitRates) cbBPS_->addItem(QString::fromUtf8(rate));
  lbFE_ = Named(new QLabel(QStringLiteral("FrameEnd"), this), "lbFE");
  edFE_ = Named(new QLineEdit(this), "edFE");
  lbPort_ = Named(new QLabel(QStringLiteral("Port"), this), "lbPort");
  edPort_ = Named(new QLineEdit(this), "edPort");
  edPort_->setFixedWidth(kTcpPortFieldWidth);
  lbAddr_ = Named(new QLabel(QStringLiteral("Addr"), this), "lbAddr");
  edDevAddr_ = Named(new QLineEdit(this), "edDevAddr");
  edDevAddr_->setFixedWidth(kAddressFieldWidth);
  new ServiceCodeWatcher(edDevAddr_);
  btConnect_ = Named(new QPushButton(QStringLiteral("Подключить"), this), "btConnect");
  btGetID_ = Named(new QPushButton(QStringLiteral("ID"), this), "btGetID");

  for (QWidget* widget : std::initializer_list<QWidget*>{cbBUS_, cbCOM_, lbBPS_, cbBPS_, lbFE_, edFE_, lbPort_, edPort_,
                                                         lbAddr_, edDevAddr_, btConnect_, btGetID_}) {
    row_->addWidget(widget);
  }
  row_->addStretch(1);
  ShowProtocolFields("", {});
}

void PortComboBox::showPopup() {
  if (OnDropDown) OnDropDown();
  QComboBox::showPopup();
}

void LinkFields::SetPortNames(const std::vector<std::string>& names) {
  const QString previous = cbCOM_->currentText();
  cbCOM_->clear();
  for (const std::string& name : names) cbCOM_->addItem(Text(name));
  cbCOM_->setCurrentIndex(cbCOM_->findText(previous, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void LinkFields::ShowProtocolFields(std::string_view protocol, const LinkFieldValues& values) {
  const bool tcp = OverTcp(ProtocolNamed(protocol));
  cbCOM_->setVisible(!tcp);
  lbBPS_->setVisible(!tcp);
  cbBPS_->setVisible(!tcp);
  lbPort_->setVisible(tcp);
  edPort_->setVisible(tcp);
  lbFE_->setText(tcp ? QStringLiteral("IP") : QStringLiteral("FrameEnd"));
  edFE_->setFixedWidth(tcp ? FieldWidthFor(edFE_, LongestIpAddresses()) : kFrameEndFieldWidth);
  row_->setSpacing(tcp ? kTcpSpacing : kSerialSpacing);

  edFE_->setText(Text(values.frameEndOrIp));
  edDevAddr_->setText(Text(values.addressText));
  // Under the serial protocols the TCP port is hidden and not stored, so it keeps its text.
  if (tcp) edPort_->setText(Text(values.tcpPort));
}

LinkFieldValues LinkFields::FieldValues() const {
  return {edFE_->text().toStdString(), edDevAddr_->text().toStdString(), edPort_->text().toStdString()};
}

void SelectItemByText(QComboBox* list, const std::string& text) {
  list->setCurrentIndex(list->findText(Text(text), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

std::optional<std::string> SelectedItemText(const QComboBox* list) {
  if (list->currentIndex() < 0) return std::nullopt;
  return list->currentText().toStdString();
}

std::vector<std::string> PortNamesForList(const std::string& programDir) {
  std::vector<std::string> names;
  std::error_code error;
  // Entries are usually symlinks to ptys or adapters, so no file type is required; a
  // dangling link still names a port the user may plug in later.
  for (std::filesystem::directory_iterator it(programDir + "Ports", error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && name.front() != '.') names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NameLess);
  for (const char* com : {"COM1", "COM2", "COM3", "COM4"}) {
    if (std::find(names.begin(), names.end(), com) == names.end()) names.emplace_back(com);
  }
  return names;
}

}  // namespace quillon
