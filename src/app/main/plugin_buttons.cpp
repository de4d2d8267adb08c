#include "app/main/plugin_buttons.h"

#include <QImage>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

#include "app/widgets/widget_helpers.h"
#include "plugins/plugin_property.h"
#include "workspace/device_file.h"

namespace quillon {
namespace {

constexpr int kPictureSize = 16;

}  // namespace

PluginButtons::PluginButtons(QToolBar& toolbar, std::string programDirectory)
    : QObject(&toolbar), toolbar_(toolbar), programDirectory_(std::move(programDirectory)) {}

PluginButtons::~PluginButtons() { Unload(); }

void PluginButtons::Unload() {
  // The buttons go before their libraries: a button's picture and hint came from the library.
  for (QToolButton* button : buttons_) delete button;
  buttons_.clear();
  plugins_ = LoadedPlugins{};
}

std::vector<std::string> PluginButtons::Load(const std::string& devicePath) {
  Unload();
  if (devicePath.empty()) return {};
  const std::string names = FirstLineValue(devicePath, "Plugins").value_or("");
  if (names.empty()) return {};
  plugins_ = LoadPlugins(programDirectory_, names);
  // Loaded from the last name to the first; the buttons stand in the order of the list, each
  // right of the toolbar's last control, so the one listed first is made first.
  for (std::size_t index = plugins_.libraries.size(); index-- > 0;) {
    PluginLibrary& library = plugins_.libraries[index];
    QuillonCountedString hint{};
    QImage picture(kPictureSize, kPictureSize, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QuillonBitmap bitmap{picture.width(), picture.height(), static_cast<std::int32_t>(picture.bytesPerLine() / 4),
                         reinterpret_cast<std::uint32_t*>(picture.bits())};
    library.GetMainIcon()(&hint, &bitmap);
    auto* button = new QToolButton(&toolbar_);
    button->setObjectName(QStringLiteral("btPlugin%1").arg(index));
    button->setAutoRaise(true);
    button->setIcon(QIcon(QPixmap::fromImage(picture)));
    button->setToolTip(Text(FromCountedString(hint)));
    connect(button, &QToolButton::clicked, this, [this, index] { btPlugClick(index); });
    toolbar_.addWidget(button);
    buttons_.push_back(button);
  }
  return plugins_.warnings;
}

void PluginButtons::btPlugClick(std::size_t index) {
  if (index >= plugins_.libraries.size()) return;
  ::TBaseProperty link = ToPluginProperty(LinkSettings ? LinkSettings() : TBaseProperty{});
  plugins_.libraries[index].CreateForm()(Registry, Application, &link, Table);
}

}  // namespace quillon
