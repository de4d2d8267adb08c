#include "app/main/tool_launchers.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/widgets/widget_helpers.h"
#include "link/buses.h"

namespace quillon {
namespace {

struct ToolButtonText {
  const char* name;
  const char* caption;  // the button's text
  const char* hint;
  const char* windowCaption;
};

constexpr std::array<ToolButtonText, kToolKindCount> kButtons = {{
    {"btCreateExcelReport", "Отчёт", "Генератор отчётов в Excel", "Отчёт"},
    {"ToolButton2", "Терминал", "Командная строка", "Командная строка"},
    {"btCosFtune", "COS Ф", "Настройка контура COS Ф", "Настройка контура COS Ф"},
    {"ToolButton3", "Аварии", "Буфер событий", "Отключения/Статистика аварий"},
    {"ToolButton4", "Файлы", "Файловые операции", "Операции с файлами"},
    {"btBrennAB", "События", "Регистратор событий", "Регистратор событий"},
    {"btTirel", "Tirel", "Управление выпрямителями Тирел на базе контроллера Brenn", "Tirel"},
}};

const ToolButtonText& ButtonText(ToolKind kind) { return kButtons[static_cast<std::size_t>(kind)]; }

// The window of a tool this version does not have yet: its caption and a line saying so.
TToolWindow* EmptyToolWindow(const ToolContext& context, const TBaseProperty& link, const QString& caption,
                             QWidget* parent) {
  auto* window = new TToolWindow(context, link, caption, parent);
  auto* layout = new QVBoxLayout(window);
  auto* note = new QLabel(QStringLiteral("Этот инструмент появится в следующей версии программы."), window);
  note->setAlignment(Qt::AlignCenter);
  layout->addWidget(note);
  window->resize(420, 160);
  return window;
}

}  // namespace

TBaseProperty ToolLinkSettings(ToolKind kind, const TBaseProperty& fields) {
  TBaseProperty link;
  link.DevicePath = fields.DevicePath;
  link.MemArea = fields.MemArea;
  link.Protocol = fields.Protocol;
  link.PortName = fields.PortName;
  link.Baud = fields.Baud;
  link.FrameEnd = fields.FrameEnd;
  // Under either TCP kind every tool needs the device's address and port to reach it at all.
  if (kind == ToolKind::Terminal || OverTcp(ProtocolOf(fields))) {
    link.IPAddress = fields.IPAddress;
    link.IPPort = fields.IPPort;
  }
  if (kind == ToolKind::FileOperations || kind == ToolKind::EventBuffer || kind == ToolKind::Player) {
    link.SlaveAddr = fields.SlaveAddr;
  }
  return link;
}

ToolLaunchers::ToolLaunchers(const ToolContext& context, std::function<TBaseProperty()> linkSettings, QWidget* owner)
    : context_(context), linkSettings_(std::move(linkSettings)), owner_(owner) {}

ToolLaunchers::~ToolLaunchers() {
  for (QPointer<TToolWindow>& window : windows_) delete window.data();
}

QToolButton* ToolLaunchers::AddButton(QToolBar* bar, ToolKind kind) {
  const ToolButtonText& text = ButtonText(kind);
  auto* button = Named(new QToolButton(bar), text.name);
  button->setText(QString::fromUtf8(text.caption));
  button->setToolTip(QString::fromUtf8(text.hint));
  bar->addWidget(button);
  connect(button, &QToolButton::clicked, this, [this, kind] { Open(kind); });
  return button;
}

void ToolLaunchers::SetFactory(ToolKind kind, Factory factory) {
  factories_[static_cast<std::size_t>(kind)] = std::move(factory);
}

TToolWindow* ToolLaunchers::Open(ToolKind kind) {
  const auto index = static_cast<std::size_t>(kind);
  const TBaseProperty link = ToolLinkSettings(kind, linkSettings_());
  TToolWindow* window = windows_[index];
  if (window == nullptr) {
    const QString caption = QString::fromUtf8(ButtonText(kind).windowCaption);
    window = factories_[index] ? factories_[index](context_, link, owner_)
                               : EmptyToolWindow(context_, link, caption, owner_);
    windows_[index] = window;
  }
  window->ApplyLink(link);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

TToolWindow* ToolLaunchers::Window(ToolKind kind) const { return windows_[static_cast<std::size_t>(kind)]; }

}  // namespace quillon
