#pragma once
// Processes the end-to-end tests start: quillon-sim (or a pymodbus script) kept running while a
// test talks to it, and quillon-cli runs that end on their own.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/run_program.h"

namespace quillon::e2e {

// A test name from a protocol parameter ("MODBUS TCP/IP" -> "MODBUSTCPIP").
struct ProtocolName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    std::string name = info.param;
    std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
    return name;
  }
};

// A test name from a (protocol, fault kind) parameter ("MODBUS TCP/IP", "late" ->
// "MODBUS_TCPIP_late").
struct ProtocolFaultName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    std::string name = std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
    std::replace(name.begin(), name.end(), ' ', '_');
    std::erase(name, '/');
    return name;
  }
};

// Every line and protocol fault the simulator plays, and all but a changed byte: an MBAP answer
// has no CRC, so a changed data byte passes for the controller's own with any master, as a
// changed QuBUS byte does (on a real network TCP's own checksum keeps it off the line).
inline constexpr const char* kFaultKinds[] = {"crc", "drop", "short", "late", "exc", "addr", "func", "count", "dup"};
inline constexpr const char* kFaultKindsButCrc[] = {"drop", "short", "late", "exc", "addr", "func", "count", "dup"};

using quillon::testing::Process;
using quillon::testing::RunProgram;
using quillon::testing::RunResult;

inline const std::string kBin = QUILLON_BIN_DIR;
inline const std::string kSource = QUILLON_SOURCE_DIR;
inline const std::string kSim = kBin + "/quillon-sim";
inline const std::string kCli = kBin + "/quillon-cli";
inline const std::string kPython = "/usr/bin/python3";
// The demo drive every end-to-end test simulates unless it brings its own device file.
inline const std::string kDemoDevice = kSource + "/demo/Devices/TK3/1027.ini";
inline const std::string kDemoId = "1027 TK v3.14 2021-03-15";

// A simulator started with the given arguments; the constructor returns once it is ready.
class Simulator {
 public:
  explicit Simulator(std::vector<std::string> args) : process_(WithBinary(std::move(args))) {
    ready_ = process_.WaitForLine("ready", std::chrono::milliseconds(10000)).has_value();
    const std::string& out = process_.Output();
    tcpPort_ = PortAfter(out, "tcp: ");
    mbapPort_ = PortAfter(out, "mbap: ");
    if (const auto at = out.find("pty: "); at != std::string::npos) {
      ptyPath_ = out.substr(at + 5, out.find('\n', at) - at - 5);
    }
  }
  bool Ready() const { return ready_; }
  int TcpPort() const { return tcpPort_; }
  int MbapPort() const { return mbapPort_; }
  const std::string& PtyPath() const { return ptyPath_; }
  Process& Proc() { return process_; }

 private:
  // The port of a "NAME: ADDR:PORT" ready line; 0 when there is none.
  static int PortAfter(const std::string& out, const std::string& name) {
    const auto at = out.find(name);
    if (at == std::string::npos) return 0;
    return std::stoi(out.substr(out.find(':', at + name.size()) + 1));
  }
  static std::vector<std::string> WithBinary(std::vector<std::string> args) {
    args.insert(args.begin(), kSim);
    return args;
  }
  Process process_;
  bool ready_ = false;
  int tcpPort_ = 0;
  int mbapPort_ = 0;
  std::string ptyPath_;
};

// The simulator's TCP port for `bus`: the MBAP one for "MODBUS TCP/IP", the RTU-over-TCP one
// otherwise.
inline int SimTcpPort(const std::string& bus, const Simulator& sim) {
  return bus == "MODBUS TCP/IP" ? sim.MbapPort() : sim.TcpPort();
}

// quillon-cli's link options for the simulator under `bus`: one of its TCP ports for the TCP
// kinds, otherwise its pseudo-terminal published as Ports/SIM1.
inline std::vector<std::string> SimLinkArgs(const std::string& bus, const Simulator& sim) {
  if (bus == "MODBUS TCP" || bus == "MODBUS TCP/IP") {
    return {"--bus", bus, "--ip", "127.0.0.1", "--ipport", std::to_string(SimTcpPort(bus, sim))};
  }
  return {"--bus", bus, "--port", "SIM1", "--baud", "115200"};
}

// The rows of `read`: one vector of TAB-separated cells per non-empty line.
inline std::vector<std::vector<std::string>> Rows(const std::string& out) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    std::vector<std::string> cells;
    std::istringstream cellStream(line);
    for (std::string cell; std::getline(cellStream, cell, '\t');) cells.push_back(cell);
    if (line.back() == '\t') cells.emplace_back();
    rows.push_back(cells);
  }
  return rows;
}

// The keys of the rows of `read` whose controller value differs from the base.
inline std::vector<std::string> Differing(const std::string& out) {
  std::vector<std::string> keys;
  for (const auto& row : Rows(out)) {
    if (row.size() != 7 || row[6] != "SAME") keys.push_back(row.front());
  }
  return keys;
}

}  // namespace quillon::e2e
