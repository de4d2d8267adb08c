#include "app/main/tool_factories.h"

#include "app/main/tool_launchers.h"
#include "app/tools/alarm_buffer.h"
#include "app/tools/brenn_ab.h"
#include "app/tools/cmd_line.h"
#include "app/tools/cos_ftune.h"
#include "app/tools/rem_file_op.h"
#include "app/tools/tirel.h"

namespace quillon {
namespace {

template <typename Window>
ToolLaunchers::Factory FactoryOf() {
  return [](const ToolContext& context, const TBaseProperty& link, QWidget* parent) {
    return new Window(context, link, parent);
  };
}

}  // namespace

void RegisterServiceTools(ToolLaunchers& launchers) {
  launchers.SetFactory(ToolKind::Terminal, FactoryOf<TCmdLine>());
  launchers.SetFactory(ToolKind::AlarmBuffer, FactoryOf<TfmAlarmBuffer>());
  launchers.SetFactory(ToolKind::FileOperations, FactoryOf<TRemFileOp>());
  launchers.SetFactory(ToolKind::EventBuffer, FactoryOf<TfmBrennAB>());
  launchers.SetFactory(ToolKind::Player, FactoryOf<TfmTirel>());
  launchers.SetFactory(ToolKind::CosPhi, FactoryOf<TFmCOSFTune>());
}

}  // namespace quillon
