#pragma once
// A device's parameter set as the main window's parameter table handles it: the variables of
// one section of the device file, the value buffer that reads fill, the comparison of base and
// controller values, writing one value and writing the whole base image.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/link_session.h"
#include "variables/view_list.h"

namespace quillon::cli {

class DeviceParameters {
 public:
  // `set` is the memory selector: "FLASH", "CD" or "RAM". Throws std::runtime_error when the
  // file cannot be read or the set is unknown.
  DeviceParameters(const std::string& path, const std::string& set);
  DeviceParameters(const DeviceParameters&) = delete;
  DeviceParameters& operator=(const DeviceParameters&) = delete;

  TViewList& List() { return list_; }
  bool Empty() const { return list_.Variables.empty(); }

  // Reads the parameter span into the value buffer as the main window does (QuBUS: the FLASH
  // area; MODBUS: the register span). Throws LinkError with the main window's message.
  void Read(LinkSession& session);
  bool HasBeenRead() const { return read_; }

  // One row per variable: key, name, base hex, base physical, controller hex, controller
  // physical, SAME or DIFF (TAB-separated). A variable without a cell in the controller has
  // nothing to compare and shows "-".
  std::string Row(TView& variable);
  std::string Rows();
  bool Same(TView& variable);

  // Writes one value typed as in the controller column. The buffer must hold a read (the
  // neighbour byte of a one-byte MODBUS write and the other bits of a bit come from it).
  // Throws std::invalid_argument for a value the variable does not accept, LinkError for link
  // failures.
  void WriteValue(LinkSession& session, TView& variable, const std::string& text);

  // Writes every base value in one frame (the "База" header): the whole span, bytes no variable
  // covers as 0xFF. Throws LinkError.
  void WriteImage(LinkSession& session);

 private:
  TViewList list_;
  std::vector<std::uint8_t> values_;
  bool read_ = false;
};

// The frame and the span a whole-image write sends (exposed for tests).
struct ImageWrite {
  std::vector<std::uint8_t> frame;
  std::uint32_t expectedLen = 0;
};
ImageWrite BuildImageWrite(TViewList& list, const LinkSettings& settings);

}  // namespace quillon::cli
