#pragma once
// The service tool windows this version has, registered with the toolbar's launchers.
namespace quillon {

class ToolLaunchers;

void RegisterServiceTools(ToolLaunchers& launchers);

}  // namespace quillon
