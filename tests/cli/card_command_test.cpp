// quillon-cli card against quillon-sim's memory card, on a pseudo-terminal and on 127.0.0.1.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/file_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::FileBytes;
using testing::Process;
using testing::RunResult;
namespace fs = std::filesystem;

constexpr const char* kDeviceFile =
    "[DEVICE]\r\nID=1 TST 1.0 01.01.2020\r\n[vars]\r\n[FLASH]\r\np1=A/Word/TWORD/x0100/r0080//1/2//0/x1234/\r\n";

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 31 + 7);
  return bytes;
}

// A workspace with the simulator on Ports/SIM1 and on a TCP port, its card in card/.
class CardCommand : public ::testing::Test {
 protected:
  void StartSimulator(const std::vector<std::string>& cardArgs) {
    fs::create_directories(workspace / "Ports");
    fs::create_directories(workspace / "card");
    Write(workspace / "dev.ini", kDeviceFile);
    std::vector<std::string> args{QUILLON_BIN_DIR "/quillon-sim",
                                  "--device",
                                  workspace / "dev.ini",
                                  "--pty",
                                  workspace / "Ports/SIM1",
                                  "--tcp",
                                  "0",
                                  "--mbap",
                                  "0"};
    args.insert(args.end(), cardArgs.begin(), cardArgs.end());
    sim = std::make_unique<Process>(args);
    ASSERT_TRUE(sim->WaitForLine("ready", std::chrono::milliseconds(10000)));
    const std::string& out = sim->Output();
    const auto at = out.find("tcp: 127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << out;
    tcpPort = out.substr(at + 15, out.find('\n', at) - at - 15);
    const auto mbapAt = out.find("mbap: 127.0.0.1:");
    ASSERT_NE(mbapAt, std::string::npos) << out;
    mbapPort = out.substr(mbapAt + 16, out.find('\n', mbapAt) - mbapAt - 16);
  }

  // The card's own frames on the pseudo-terminal or over TCP, or standard MODBUS TCP (MBAP).
  enum class Via { Pty, Tcp, Mbap };
  std::vector<std::string> CardCommandLine(const std::vector<std::string>& args, Via via = Via::Pty) {
    std::vector<std::string> command{QUILLON_BIN_DIR "/quillon-cli", "--workspace", workspace.Path(), "card"};
    const std::vector<std::string> link =
        via == Via::Pty ? std::vector<std::string>{"--bus", "MODBUS RTU", "--port", "SIM1", "--baud", "115200"}
                        : std::vector<std::string>{"--bus",    via == Via::Tcp ? "MODBUS TCP" : "MODBUS TCP/IP",
                                                   "--ip",     "127.0.0.1",
                                                   "--ipport", via == Via::Tcp ? tcpPort : mbapPort};
    command.insert(command.end(), link.begin(), link.end());
    command.insert(command.end(), args.begin(), args.end());
    return command;
  }

  RunResult Card(const std::vector<std::string>& args, Via via = Via::Pty) {
    return testing::RunProgram(CardCommandLine(args, via));
  }

  // Card requests the simulator has logged so far (it runs with --verbose).
  std::size_t CardRequestsSeen() {
    const std::string log = sim->Errors();
    std::size_t count = 0;
    for (std::size_t at = log.find("  card: "); at != std::string::npos; at = log.find("  card: ", at + 1)) ++count;
    return count;
  }

  testing::TempDir workspace;
  testing::TempDir pc;
  std::unique_ptr<Process> sim;
  std::string tcpPort;
  std::string mbapPort;
};

TEST_F(CardCommand, ListGetPutRemoveAndApplyRoundTrip) {
  StartSimulator({"--card", workspace / "card"});
  Write(workspace / "card/b.txt", "hello");
  Write(workspace / "card/Отчёт.dat", Pattern(1000));

  RunResult listed = Card({"ls"});
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out.rfind("b.txt\nОтчёт.dat\nsize: ", 0), 0u) << listed.out;
  EXPECT_EQ(listed.out.substr(listed.out.size() - 3), " B\n") << listed.out;

  // Over a longer file of the same name: exactly the card's bytes are left.
  Write(pc / "copy.dat", Pattern(5000));
  const RunResult got = Card({"get", "Отчёт.dat", "--out", pc / "copy.dat"});
  ASSERT_EQ(got.exitCode, 0) << got.err;
  EXPECT_EQ(got.out, "файл принят!\n");
  EXPECT_EQ(FileBytes(pc / "copy.dat"), Pattern(1000));

  // 460 bytes: two full blocks and nothing after them; the name goes as --as gives it.
  Write(pc / "up.bin", Pattern(460));
  const RunResult put = Card({"put", pc / "up.bin", "--as", "Ёж.bin"}, Via::Tcp);
  ASSERT_EQ(put.exitCode, 0) << put.err;
  EXPECT_EQ(put.out, "файл принят!\n");
  EXPECT_EQ(FileBytes(workspace / "card/Ёж.bin"), Pattern(460));
  // Not a terminal: no progress line.
  EXPECT_EQ(put.err, "");

  // A long name makes a full block's frame longer than 255 bytes: the CRC still covers it all.
  const std::string longName = "параметры_насоса_после_ремонта_2026.ini";
  Write(pc / "long", Pattern(300));
  const RunResult putLong = Card({"put", pc / "long", "--as", longName});
  ASSERT_EQ(putLong.exitCode, 0) << putLong.err;
  EXPECT_EQ(FileBytes(workspace / ("card/" + longName)), Pattern(300));
  ASSERT_EQ(Card({"get", longName, "--out", pc / "long.back"}).exitCode, 0);
  EXPECT_EQ(FileBytes(pc / "long.back"), Pattern(300));
  ASSERT_EQ(Card({"rm", longName}).exitCode, 0);

  Write(pc / "empty", "");
  ASSERT_EQ(Card({"put", pc / "empty"}).exitCode, 0);
  EXPECT_TRUE(fs::exists(workspace / "card/empty"));
  EXPECT_EQ(fs::file_size(workspace / "card/empty"), 0u);

  const RunResult applied = Card({"apply", "b.txt"}, Via::Tcp);
  EXPECT_EQ(applied.exitCode, 0) << applied.err;
  EXPECT_NE(applied.out.find("b.txt"), std::string::npos);

  const RunResult removed = Card({"rm", "b.txt"});
  EXPECT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_FALSE(fs::exists(workspace / "card/b.txt"));
  listed = Card({"ls"}, Via::Tcp);
  EXPECT_EQ(listed.out.rfind("empty\nОтчёт.dat\nЁж.bin\nsize: ", 0), 0u) << listed.out;
}

// The card functions of the controller travel in standard MODBUS TCP frames as well, as long as
// a block and its name fit the 253 bytes of a PDU.
TEST_F(CardCommand, StandardModbusTcpCarriesTheCardFunctions) {
  StartSimulator({"--card", workspace / "card"});
  Write(pc / "up.bin", Pattern(700));
  const RunResult put = Card({"put", pc / "up.bin", "--as", "Ёж.bin"}, Via::Mbap);
  ASSERT_EQ(put.exitCode, 0) << put.err;
  EXPECT_EQ(FileBytes(workspace / "card/Ёж.bin"), Pattern(700));
  const RunResult listed = Card({"ls"}, Via::Mbap);
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out.rfind("Ёж.bin\nsize: ", 0), 0u) << listed.out;
  const RunResult got = Card({"get", "Ёж.bin", "--out", pc / "back.bin"}, Via::Mbap);
  ASSERT_EQ(got.exitCode, 0) << got.err;
  EXPECT_EQ(FileBytes(pc / "back.bin"), Pattern(700));
  ASSERT_EQ(Card({"rm", "Ёж.bin"}, Via::Mbap).exitCode, 0);
  EXPECT_FALSE(fs::exists(workspace / "card/Ёж.bin"));
}

// Answers that come after the worker gave up on them (600 ms late) must never be taken for the
// answers to the requests after them: each transfer ends byte-identical, or fails and says so.
TEST_F(CardCommand, LateAnswersNeverMakeAWrongFile) {
  StartSimulator({"--card", workspace / "card", "--fault", "late=0.25,seed=11"});
  Write(workspace / "card/data.bin", Pattern(3000));
  for (bool tcp : {false, true}) {
    const std::string copy = pc / (tcp ? "tcp.bin" : "pty.bin");
    const RunResult got = Card({"get", "data.bin", "--out", copy}, tcp ? Via::Tcp : Via::Pty);
    if (got.exitCode == 0) {
      EXPECT_EQ(got.out, "файл принят!\n");
      EXPECT_EQ(FileBytes(copy), Pattern(3000)) << tcp;
    } else {
      EXPECT_FALSE(fs::exists(copy)) << tcp;
      EXPECT_NE(got.err, "") << tcp;
    }
  }
  Write(pc / "up.bin", Pattern(1500));
  const RunResult put = Card({"put", pc / "up.bin"});
  if (put.exitCode == 0) {
    EXPECT_EQ(FileBytes(workspace / "card/up.bin"), Pattern(1500));
  } else {
    EXPECT_NE(put.err, "");
  }
}

TEST_F(CardCommand, EveryAnswerTooLateIsAFailureNotAFile) {
  StartSimulator({"--card", workspace / "card", "--fault", "delay=600"});
  Write(workspace / "card/data.bin", Pattern(3000));
  const RunResult got = Card({"get", "data.bin", "--out", pc / "copy.bin"});
  EXPECT_EQ(got.exitCode, 1);
  EXPECT_EQ(got.out, "");
  EXPECT_FALSE(fs::exists(pc / "copy.bin"));
}

TEST_F(CardCommand, AMissingFileFailsWithTheWindowsMessageAndLeavesNothing) {
  StartSimulator({"--card", workspace / "card"});
  Write(pc / "keep.dat", "old contents");
  const RunResult got = Card({"get", "nope.dat", "--out", pc / "keep.dat"});
  EXPECT_EQ(got.exitCode, 1);
  EXPECT_EQ(got.err, "файл не найден на microSD!\n");
  EXPECT_EQ(FileBytes(pc / "keep.dat"), "old contents");
  EXPECT_EQ(std::distance(fs::directory_iterator(pc.Path()), fs::directory_iterator()), 1);

  const RunResult removed = Card({"rm", "nope.dat"}, Via::Tcp);
  EXPECT_EQ(removed.exitCode, 1);
  EXPECT_EQ(removed.err, "файл не найден на microSD!\n");
  const RunResult applied = Card({"apply", "nope.dat"});
  EXPECT_EQ(applied.exitCode, 1);
  EXPECT_EQ(applied.err, "файл отсутствует!\n");
  const RunResult put = Card({"put", pc / "not-there"});
  EXPECT_EQ(put.exitCode, 1);
  EXPECT_EQ(put.err, "файл " + (pc / "not-there") + " не открыт\n");
}

TEST_F(CardCommand, AnAbsentCardFailsEveryAction) {
  StartSimulator({"--card-absent"});
  Write(pc / "up.bin", "x");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"ls"}, {"get", "a", "--out", pc / "a"}, {"put", pc / "up.bin"}, {"rm", "a"}, {"apply", "a"}}) {
    const RunResult result = Card(args);
    EXPECT_EQ(result.exitCode, 1) << args.front();
    EXPECT_EQ(result.err, "диск microSD не инициализируется либо отсутствует!\n") << args.front();
    EXPECT_EQ(result.out, "") << args.front();
  }
  EXPECT_FALSE(fs::exists(pc / "a"));
}

// Only a regular file is replaced, or a new name made; anything else is refused before the file
// is asked for, and left as it was.
TEST_F(CardCommand, GetWritesOnlyToARegularFileOrANewName) {
  StartSimulator({"--card", workspace / "card", "--verbose"});
  Write(workspace / "card/data.bin", Pattern(500));
  Write(pc / "target", "old");
  ASSERT_EQ(::mkfifo((pc / "fifo").c_str(), 0644), 0);
  fs::create_symlink(pc / "target", pc / "link");
  fs::create_directory(pc / "dir");
  const std::vector<std::pair<std::string, std::string>> refused{
      {"fifo", "это канал"}, {"link", "это символическая ссылка"}, {"dir", "это каталог"}};
  for (const auto& [name, kind] : refused) {
    const RunResult got = Card({"get", "data.bin", "--out", pc / name});
    EXPECT_EQ(got.exitCode, 1) << name;
    EXPECT_EQ(got.err, "файл " + (pc / name) + " не создан: " + kind + "\n");
    EXPECT_EQ(got.out, "");
  }
  EXPECT_EQ(CardRequestsSeen(), 0u) << sim->Errors();
  EXPECT_EQ(fs::status(pc / "fifo").type(), fs::file_type::fifo);
  EXPECT_TRUE(fs::is_symlink(pc / "link"));
  EXPECT_TRUE(fs::is_empty(pc / "dir"));
  EXPECT_EQ(FileBytes(pc / "target"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(pc.Path()), fs::directory_iterator()), 4);

  // The longest names fit even though the temporary file's name carries more.
  const std::string longName = pc / std::string(250, 'n');
  const RunResult got = Card({"get", "data.bin", "--out", longName});
  ASSERT_EQ(got.exitCode, 0) << got.err;
  EXPECT_EQ(FileBytes(longName), Pattern(500));
  EXPECT_GT(CardRequestsSeen(), 0u);
}

// Names Windows-1251 cannot carry would go as "?": "ü.txt" would be the card's "?.txt". They are
// refused, and nothing goes on the line.
TEST_F(CardCommand, NamesWindows1251CannotCarryAreRefusedBeforeAnythingIsSent) {
  StartSimulator({"--card", workspace / "card", "--verbose"});
  Write(workspace / "card/?.txt", "old");
  Write(pc / "ü.txt", "new");
  Write(pc / "up.bin", "new");
  const std::vector<std::vector<std::string>> commands{
      {"get", "ü.txt", "--out", pc / "got.txt"},
      {"put", pc / "ü.txt"},
      {"put", pc / "up.bin", "--as", "漢字.txt"},
      {"rm", "ü.txt"},
      {"apply", "ö.txt"},
  };
  for (const auto& args : commands) {
    const RunResult run = Card(args);
    EXPECT_EQ(run.exitCode, 1) << args[1];
    EXPECT_EQ(run.err.rfind("Недопустимое имя файла \"", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(Card({"rm", "ü.txt"}).err,
            "Недопустимое имя файла \"ü.txt\": символа \"ü\" нет в кодировке Windows-1251\n");
  EXPECT_EQ(CardRequestsSeen(), 0u) << sim->Errors();
  EXPECT_EQ(FileBytes(workspace / "card/?.txt"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(workspace / "card"), fs::directory_iterator()), 1);
  EXPECT_FALSE(fs::exists(pc / "got.txt"));
}

// Names come from the controller: on a terminal an escape sequence would act and a line break
// would make two entries of one.
TEST_F(CardCommand, ListedNamesShowControlCharactersAsHex) {
  StartSimulator({"--card", workspace / "card"});
  Write(workspace / "card/a\x1b[31mb.txt", "1");
  Write(workspace / "card/c\nd.txt", "2");
  Write(workspace / "card/e\x7f.txt", "3");
  Write(workspace / "card/Файл.txt", "4");
  const RunResult listed = Card({"ls"});
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out.rfind("a\\x1B[31mb.txt\nc\\x0Ad.txt\ne\\x7F.txt\nФайл.txt\nsize: ", 0), 0u) << listed.out;
}

// Ctrl+C or a stop from a service manager during a download: the file it would have replaced
// stays as it was, and no partial file is left beside it.
TEST_F(CardCommand, AStopSignalDuringADownloadLeavesNoPartialFileAndTheOldFileUntouched) {
  StartSimulator({"--card", workspace / "card", "--fault", "delay=40"});
  Write(workspace / "card/big.bin", Pattern(230 * 300));
  Write(pc / "copy.bin", "old contents");
  for (const int signal : {SIGINT, SIGTERM}) {
    testing::Process cli(CardCommandLine({"get", "big.bin", "--out", pc / "copy.bin"}));
    // Well into the transfer: the temporary file has some blocks in it.
    const auto started = std::chrono::steady_clock::now();
    std::string partial;
    while (partial.empty() && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
      for (const auto& entry : fs::directory_iterator(pc.Path())) {
        if (entry.path().filename() != "copy.bin" && fs::file_size(entry.path()) >= 230 * 5) partial = entry.path();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(partial.empty()) << "the download never got going";
    cli.Signal(signal);
    EXPECT_EQ(cli.Wait(std::chrono::seconds(20)), std::optional<int>(1)) << strsignal(signal);
    EXPECT_EQ(cli.Errors(), "Передача прервана\n");
    EXPECT_EQ(FileBytes(pc / "copy.bin"), "old contents");
    EXPECT_EQ(std::distance(fs::directory_iterator(pc.Path()), fs::directory_iterator()), 1) << strsignal(signal);
  }
}

TEST_F(CardCommand, UsageErrorsExitTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{},
                                                                                    {"ls", "x"},
                                                                                    {"get"},
                                                                                    {"get", "a", "b"},
                                                                                    {"put", "f", "--out", "x"},
                                                                                    {"mv", "a"},
                                                                                    {"get", "a", "--out"}}) {
    EXPECT_EQ(Card(args).exitCode, 2) << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace quillon
