#include "link/command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "link/comm_list.h"
#include "link/command_exchange.h"
#include "link/link_hub.h"
#include "link_bytes.h"
#include "request_owner.h"
#include "support/temp_dir.h"

namespace quillon {

namespace {

using testing::Bytes;
using testing::WaitFor;

Bytes Typed(const std::string& typed, std::string_view protocol) {
  const CommandBytes command = ParseCommand(CommandDigits(typed));
  EXPECT_FALSE(command.error) << *command.error;
  return CommandFrame(command.bytes, protocol);
}

std::string Line(const Bytes& answer, std::string_view protocol, AnswerMode mode) {
  return AnswerLine(answer.data(), answer.size(), protocol, mode);
}

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

TEST(TypedCommand, BlanksGoAndOnlyMODBUSGetsTheCRC) {
  EXPECT_EQ(CommandDigits(" a5, 01-00 5a\t"), "a501005a");
  EXPECT_EQ(Typed("a5 01 00 5a", "QuBUS"), (Bytes{0xA5, 0x01, 0x00, 0x5A}));
  EXPECT_EQ(Typed("01 03 00 00 00 0a", "MODBUS RTU"), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
  EXPECT_EQ(Typed("010300000 00A", "MODBUS TCP"), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
  EXPECT_EQ(Typed("FfeE", ""), (Bytes{0xFF, 0xEE}));  // no protocol chosen: nothing is appended
}

TEST(TypedCommand, FormatErrorsSendNothing) {
  const CommandBytes odd = ParseCommand(CommandDigits("01 03 0"));
  ASSERT_TRUE(odd.error);
  EXPECT_EQ(*odd.error, "Hеправильный формат команды");
  EXPECT_TRUE(odd.bytes.empty());

  const CommandBytes pair = ParseCommand("01zz03");
  ASSERT_TRUE(pair.error);
  EXPECT_EQ(*pair.error, "Hеправильный формат символа в позиции: 3");
  EXPECT_TRUE(pair.bytes.empty());

  const CommandBytes none = ParseCommand("");
  EXPECT_FALSE(none.error);
  EXPECT_TRUE(none.bytes.empty());
}

TEST(AnswerLine, HexAsciiAndFilteredText) {
  const Bytes text{'O', 'K', ' ', '\'', 'x', '\r', '\n', 0x00, 0x7F, '~', '"', 0xC0};
  EXPECT_EQ(Line({0x01, 0xAB, 0x0F}, "QuBUS", AnswerMode::Hex), "01AB0F");
  EXPECT_EQ(Line(text, "QuBUS", AnswerMode::AsciiFilter), "OK x~\"");
  const std::string ascii = Line(text, "QuBUS", AnswerMode::Ascii);
  EXPECT_EQ(ascii.size(), text.size() + 1) << "each byte is one character; 0xC0 is the Cyrillic А";
  EXPECT_EQ(ascii.substr(ascii.size() - 2), "А");
  EXPECT_EQ(ascii.substr(0, 7), "OK 'x\r\n");
  EXPECT_EQ(AnswerModeByName("ASCII Filter"), AnswerMode::AsciiFilter);
  EXPECT_EQ(AnswerModeByName("HEX"), AnswerMode::Hex);
  EXPECT_FALSE(AnswerModeByName("hex"));
}

TEST(AnswerLine, CRCIsJudgedOnlyUnderMODBUS) {
  const Bytes good{0x01, 0x03, 0x02, 0x00, 0x0A, 0x38, 0x43};
  ASSERT_EQ(CRC16(good.data(), good.size()), 0);
  Bytes bad = good;
  bad.back() ^= 0x01;
  EXPECT_EQ(Line(good, "MODBUS RTU", AnswerMode::Hex), "010302000A3843");
  EXPECT_EQ(Line(bad, "MODBUS TCP", AnswerMode::Hex), "CRC16 Error! 010302000A3842");
  EXPECT_EQ(Line(bad, "QuBUS", AnswerMode::Hex), "010302000A3842");
  // A silent device is no answer under every protocol, not a checksum error.
  EXPECT_EQ(Line({}, "MODBUS RTU", AnswerMode::AsciiFilter), "Нет ответа");
  EXPECT_EQ(Line({}, "QuBUS", AnswerMode::Hex), "Нет ответа");
}

TEST(AnswerLine, ATcpWorkersMarkForSilenceIsNoAnswer) {
  // The TCP worker's count for "nothing within its wait" carries no byte behind it.
  EXPECT_EQ(ShownAnswerLength(1, 1025, true), 0u);
  EXPECT_EQ(ShownAnswerLength(1, 1025, false), 1u);
  EXPECT_EQ(ShownAnswerLength(7, 1025, true), 7u);
  EXPECT_EQ(ShownAnswerLength(4000, 1025, false), 1025u);
}

TEST(CommandHistory, OnceNewestFirstAndSurvivesARestart) {
  testing::TempDir dir;
  const WorkspacePaths paths = MakeWorkspacePaths(dir.Path());
  const std::string file = CommandHistoryFile(paths);
  EXPECT_EQ(file, dir.Path() + "cmdline.ini");
  EXPECT_TRUE(LoadCommandHistory(file).Items().empty()) << "no file yet";

  CommandHistory history;
  EXPECT_TRUE(history.Add("A501005A"));
  EXPECT_TRUE(history.Add("0103"));
  EXPECT_TRUE(history.Add("0111"));
  EXPECT_FALSE(history.Add("A501005A")) << "kept once, where it was";
  EXPECT_EQ(history.Items(), (std::vector<std::string>{"0111", "0103", "A501005A"}));
  EXPECT_TRUE(history.Remove(1));
  EXPECT_FALSE(history.Remove(2));
  EXPECT_EQ(history.Items(), (std::vector<std::string>{"0111", "A501005A"}));

  ASSERT_TRUE(SaveCommandHistory(file, history));
  EXPECT_EQ(FileText(file), "0111\r\nA501005A\r\n") << "a plain list of lines";
  EXPECT_EQ(LoadCommandHistory(file).Items(), history.Items());

  // A file edited by hand: blank lines and repeats are left out.
  std::ofstream(file, std::ios::binary) << "0103\n\n0111\r\n0103\n";
  EXPECT_EQ(LoadCommandHistory(file).Items(), (std::vector<std::string>{"0103", "0111"}));
  EXPECT_FALSE(SaveCommandHistory(dir.Path() + "missing/cmdline.ini", history));
}

namespace {

// A command's way through the serial registry, on a pseudo-terminal whose device answers
// 0x55 followed by the request.
struct ExchangeBench {
  ExchangeBench() : hub(dir.Path()), list(hub.Serial()) {
    testing::LinkPort(dir.Path(), "LINE", peer.SlavePath());
    peer.Start(testing::EchoAfter(0x55));
  }

  Endpoint Serial(const std::string& port) const {
    Endpoint target;
    target.protocol = Protocol::MODBUSRTU;
    target.port = port;
    target.baud = 19200;
    target.frameEndMs = 10;
    return target;
  }
  std::vector<std::pair<std::uint64_t, Bytes>> Answers() {
    std::lock_guard lock(mutex);
    return answers;
  }

  testing::TempDir dir;
  testing::PtyPeer peer;
  LinkHub hub;
  TCommList& list;
  std::mutex mutex;
  std::vector<std::pair<std::uint64_t, Bytes>> answers;
  std::unique_ptr<CommandExchange> exchange = std::make_unique<CommandExchange>(hub, [this](std::uint64_t g, Bytes a) {
    std::lock_guard lock(mutex);
    answers.emplace_back(g, std::move(a));
  });
};

}  // namespace

TEST(CommandExchange, SerialCommandIsServedOnceAndWithdrawnBeforeTheNext) {
  ExchangeBench bench;
  const Bytes frame = Typed("01 03 00 00 00 0a", "MODBUS RTU");
  ASSERT_EQ(bench.exchange->Send(bench.Serial("LINE"), frame, 7), CommandRegistration::Registered);
  ASSERT_TRUE(WaitFor([&] { return bench.Answers().size() == 1; }));
  Bytes echoed{0x55};
  echoed.insert(echoed.end(), frame.begin(), frame.end());
  EXPECT_EQ(bench.Answers()[0], std::make_pair(std::uint64_t{7}, echoed));
  EXPECT_EQ(bench.exchange->Request().DelayMs, 200u);
  TComm* worker = bench.list.FindPortWorker("LINE");
  ASSERT_NE(worker, nullptr) << "the port stays open after the one exchange";
  EXPECT_TRUE(WaitFor([&] { return !worker->HasRequest(&bench.exchange->Request()); }));
  EXPECT_EQ(worker->Baud(), 19200u);
  EXPECT_EQ(worker->FrameEnd(), 10u);

  // The next command takes the record out first (which closes the port), so it is served again.
  ASSERT_EQ(bench.exchange->Send(bench.Serial("LINE"), {0xA5, 0x01, 0x00, 0x5A}, 8), CommandRegistration::Registered);
  ASSERT_TRUE(WaitFor([&] { return bench.Answers().size() == 2; }));
  EXPECT_EQ(bench.Answers()[1], std::make_pair(std::uint64_t{8}, Bytes{0x55, 0xA5, 0x01, 0x00, 0x5A}));
  EXPECT_EQ(bench.peer.Requests().size(), 2u);

  bench.exchange->Withdraw();
  EXPECT_EQ(bench.list.FindPortWorker("LINE"), nullptr) << "withdrawing closes a port nobody else uses";
}

TEST(CommandExchange, PortThatDoesNotOpenAndAddressThatIsNone) {
  ExchangeBench bench;
  EXPECT_EQ(bench.exchange->Send(bench.Serial("MISSING"), {0x01}, 1), CommandRegistration::PortFailed);
  EXPECT_EQ(bench.list.Count(), 0u);
  Endpoint tcp;
  tcp.protocol = Protocol::MODBUSTCP;
  tcp.ip = "not an address";
  tcp.peer = {kNoIPv4Address, 502};
  EXPECT_EQ(bench.exchange->Send(tcp, {0x01}, 2), CommandRegistration::NotRegistered);
  EXPECT_TRUE(bench.Answers().empty());
}

}  // namespace quillon
