// libmodbus, a MODBUS RTU master written by others, against the simulator's paced line: what
// it writes the program reads back, and its exchanges take the time the line needs, so the
// line benchmark's comparison with it measures the line and not the pseudo-terminal.
#include <gtest/gtest.h>
#include <modbus/modbus.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/link/request_owner.h"
#include "e2e/e2e_processes.h"
#include "link/buses.h"
#include "link/comm_list.h"
#include "support/temp_dir.h"

namespace quillon::e2e {
namespace {

using quillon::testing::Bytes;
using quillon::testing::RequestOwner;
using quillon::testing::WaitFor;

constexpr int kFirstRegister = 256;
constexpr int kRegisters = 4;
constexpr unsigned kBaud = 9600;

}  // namespace

TEST(LibmodbusOnAPacedLine, WhatItWritesTheProgramReadsAndItsReadsTakeTheLinesTime) {
  quillon::testing::TempDir dir;
  Simulator sim({"--device", kSource + "/demo/Devices/TK3/1027.ini", "--pty", dir / "Ports/LINE", "--line"});
  ASSERT_TRUE(sim.Ready());
  modbus_t* context = modbus_new_rtu(sim.PtyPath().c_str(), kBaud, 'N', 8, 1);
  ASSERT_NE(context, nullptr);
  modbus_set_slave(context, 1);
  ASSERT_EQ(modbus_connect(context), 0) << modbus_strerror(errno);
  const std::uint16_t written[kRegisters] = {0x1234, 0xBEEF, 0x0001, 0x7FFF};
  EXPECT_EQ(modbus_write_registers(context, kFirstRegister, kRegisters, written), kRegisters);
  constexpr int kReads = 10;
  std::uint16_t read[kRegisters] = {};
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kReads; ++i)
    EXPECT_EQ(modbus_read_registers(context, kFirstRegister, kRegisters, read), kRegisters);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  modbus_close(context);
  modbus_free(context);
  EXPECT_EQ(std::vector<std::uint16_t>(read, read + kRegisters),
            std::vector<std::uint16_t>(written, written + kRegisters));
  // A request of 8 bytes and an answer of 5 + 8, at 10 bits a byte.
  const double lineSeconds = kReads * (8 + 5 + 2 * kRegisters) * 10.0 / kBaud;
  EXPECT_GE(seconds, 0.95 * lineSeconds);
  EXPECT_LE(seconds, 1.5 * lineSeconds);

  TCommList list(dir.Path());
  ASSERT_TRUE(list.OpenLine("LINE", kBaud, 8, SerialTimings::None()));
  std::uint8_t frame[kMaxFrameLength];
  int length = 0;
  BuildMODBUSRead("1", kFirstRegister, kFirstRegister + kRegisters, frame, length);
  RequestOwner reader(Bytes(frame, frame + length), false);
  list.AddRequest("LINE", &reader.record);
  ASSERT_TRUE(WaitFor([&] { return reader.count >= 1; }));
  list.RemoveRequest("LINE", &reader.record);
  const Bytes answer = reader.Answers().front();
  ASSERT_EQ(answer.size(), 5u + 2 * kRegisters);
  EXPECT_EQ(Bytes(answer.begin() + 3, answer.end() - 2), (Bytes{0x12, 0x34, 0xBE, 0xEF, 0x00, 0x01, 0x7F, 0xFF}));
}

}  // namespace quillon::e2e
