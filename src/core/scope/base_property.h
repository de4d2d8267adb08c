#pragma once
// TBaseProperty: the link settings record that windows copy to one another. A scope window
// fills its own from its .scp file; the main window fills one from its link fields for every
// tool it opens. Every value is kept as the text it was read as and converted where it is used.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/link_check.h"

namespace quillon {

class TViewList;

struct TBaseProperty {
  std::string Caption;     // file name of the scope window file, without directory
  std::string FilePath;    // full path of that file
  std::string DevicePath;  // device file
  std::string SlaveAddr;
  std::string IPAddress;
  std::string IPPort;
  std::string MemArea;
  std::string Protocol;
  std::string Unused;  // the ninth text: kept so the texts stay where plug-ins expect them
  std::string PortName;
  std::string Baud;
  std::string FrameEnd;  // milliseconds
  std::string Left;
  std::string Top;
  std::string Width;
  std::string Height;
  std::string RefreshMode;
  std::string Grid;
  std::array<std::string, 4> ColWidths;  // "name", "hex", "physical", "unit"

  std::string Reserved;  // written back as read; nothing uses it
  TViewList* Vars = nullptr;
  std::span<std::uint8_t> Image;
};

// The link kind the settings name; nothing for any other text.
std::optional<Protocol> ProtocolOf(const TBaseProperty& settings);

// The link fields the settings hold (under MODBUS TCP the IP address stands in the frame-end
// field, as the link fields keep it).
LinkFieldTexts LinkFieldsOf(const TBaseProperty& settings);

}  // namespace quillon
