#include "plugins/plugin_property.h"

#include <algorithm>
#include <cstring>

#include "text/cp1251.h"

namespace quillon {

QuillonCountedString ToCountedString(std::string_view utf8) {
  QuillonCountedString text{};
  const std::string cp1251 = Utf8ToCp1251(utf8);
  const std::size_t length = std::min(cp1251.size(), sizeof text.chars);
  std::memcpy(text.chars, cp1251.data(), length);
  text.length = static_cast<unsigned char>(length);
  return text;
}

std::string FromCountedString(const QuillonCountedString& text) {
  return Cp1251ToUtf8(std::string_view(text.chars, text.length));
}

::TBaseProperty ToPluginProperty(const TBaseProperty& link) {
  ::TBaseProperty record{};
  record.Caption = ToCountedString(link.Caption);
  record.FilePath = ToCountedString(link.FilePath);
  record.DevicePath = ToCountedString(link.DevicePath);
  record.SlaveAddr = ToCountedString(link.SlaveAddr);
  record.IPAddress = ToCountedString(link.IPAddress);
  record.IPPort = ToCountedString(link.IPPort);
  record.MemArea = ToCountedString(link.MemArea);
  record.Protocol = ToCountedString(link.Protocol);
  record.Unused = ToCountedString(link.Unused);
  record.PortName = ToCountedString(link.PortName);
  record.Baud = ToCountedString(link.Baud);
  record.FrameEnd = ToCountedString(link.FrameEnd);
  record.Left = ToCountedString(link.Left);
  record.Top = ToCountedString(link.Top);
  record.Width = ToCountedString(link.Width);
  record.Height = ToCountedString(link.Height);
  record.RefreshMode = ToCountedString(link.RefreshMode);
  record.Grid = ToCountedString(link.Grid);
  for (std::size_t column = 0; column < link.ColWidths.size(); ++column) {
    record.ColWidths[column] = ToCountedString(link.ColWidths[column]);
  }
  return record;
}

}  // namespace quillon
