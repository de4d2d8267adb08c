// The memory card service functions against a directory: what a master gets back and what
// lands on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "e2e/sim_device_fixture.h"
#include "sim/card.h"
#include "sim/controller.h"
#include "sim/device_image.h"

namespace quillon::sim {
namespace {

using testing::Bytes;
using testing::WithCRC;
namespace fs = std::filesystem;

constexpr std::uint8_t kSlave = 3;

Bytes Wire(const std::string& utf8) {
  const std::string wire = Utf8ToCp1251(utf8);
  return Bytes(wire.begin(), wire.end());
}

Bytes Concat(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

Bytes Offset(std::uint32_t offset) {
  return {static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(offset >> 8),
          static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 24)};
}

Bytes DownloadFrame(const std::string& name, std::uint32_t offset) {
  return WithCRC(Concat(Concat(Concat({kSlave, kCardDownload}, Offset(offset)), Wire(name)), {0x00}));
}

Bytes UploadFrame(const std::string& name, std::uint32_t offset, const Bytes& data) {
  Bytes frame = Concat(Concat(Concat({kSlave, kCardUpload}, Offset(offset)), Wire(name)), {0x00});
  frame.push_back(static_cast<std::uint8_t>(data.size()));
  return WithCRC(Concat(frame, data));
}

Bytes DeleteFrame(const std::string& name) {
  const Bytes wire = Wire(name);
  return WithCRC(Concat({kSlave, kCardDelete, static_cast<std::uint8_t>(wire.size())}, wire));
}

Bytes ApplyFrame(const std::string& name) { return WithCRC(Concat(Concat({kSlave, kCardApply}, Wire(name)), {0x00})); }

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CardTest : public ::testing::Test {
 protected:
  CardTest() { Start(card_.Path(), false); }

  void Start(std::optional<std::string> directory, bool absent) {
    ControllerOptions options;
    options.slaveAddress = kSlave;
    options.cardDirectory = std::move(directory);
    options.cardAbsent = absent;
    controller_ = std::make_unique<SimController>(LoadDeviceImage(testing::WriteDeviceFile(device_)), options);
  }

  Bytes Tcp(const Bytes& frame) { return controller_->Handle(frame, false).bytes; }
  static Bytes Code(std::uint8_t code) { return WithCRC({kSlave, code}); }

  // A whole file read block by block, as the download tool does it; the answer of each step.
  std::vector<Bytes> Download(const std::string& name, Bytes& content) {
    std::vector<Bytes> answers;
    for (std::uint32_t offset = 0; answers.size() < 100; offset += kCardBlockSize) {
      answers.push_back(Tcp(DownloadFrame(name, offset)));
      const Bytes& answer = answers.back();
      if (answer.size() < 5 || answer[1] != kCardDownload || answer[2] == 0) break;
      content.insert(content.end(), answer.begin() + 3, answer.end() - 2);
    }
    return answers;
  }

  // A whole file written block by block; the status of each block.
  Bytes Upload(const std::string& name, const Bytes& content) {
    Bytes statuses;
    std::size_t offset = 0;
    do {
      const std::size_t count = std::min(kCardBlockSize, content.size() - offset);
      const Bytes answer = Tcp(UploadFrame(name, static_cast<std::uint32_t>(offset),
                                           Bytes(content.begin() + static_cast<std::ptrdiff_t>(offset),
                                                 content.begin() + static_cast<std::ptrdiff_t>(offset + count))));
      if (answer.size() != 5 || answer[1] != kCardUpload) return Concat(statuses, {0xFF});
      statuses.push_back(answer[2]);
      offset += count;
      if (answer[2] == kUploadDone) break;
    } while (offset < content.size());
    return statuses;
  }

  quillon::testing::TempDir device_;
  quillon::testing::TempDir card_;
  quillon::testing::TempDir outside_;
  std::unique_ptr<SimController> controller_;
};

TEST_F(CardTest, ListingGivesRegularFilesByNameInTheCodePage) {
  WriteFile(card_ / "b.txt", {1});
  WriteFile(card_ / "Отчёт.dat", {2});
  WriteFile(card_ / "A.bin", {});
  fs::create_directory(card_ / "sub");
  WriteFile(outside_ / "secret", {9});
  fs::create_symlink(outside_ / "secret", card_ / "link");
  EXPECT_EQ(Tcp(WithCRC({kSlave, kCardList, kCardListFirst})), WithCRC(Concat({kSlave, kCardList, 5}, Wire("A.bin"))));
  EXPECT_EQ(Tcp(WithCRC({kSlave, kCardList, kCardListNext})), WithCRC(Concat({kSlave, kCardList, 5}, Wire("b.txt"))));
  const Bytes report = Wire("Отчёт.dat");
  EXPECT_EQ(report.size(), 9u) << "one byte a character on the wire";
  EXPECT_EQ(Tcp(WithCRC({kSlave, kCardList, kCardListNext})), WithCRC(Concat({kSlave, kCardList, 9}, report)));
  EXPECT_EQ(Tcp(WithCRC({kSlave, kCardList, kCardListNext})), WithCRC({kSlave, kCardList, 0}));
  // Listing again starts from the top.
  EXPECT_EQ(Tcp(WithCRC({kSlave, kCardList, kCardListFirst}))[2], 5);

  const Bytes state = Tcp(WithCRC({kSlave, kCardDiskState}));
  ASSERT_EQ(state.size(), 8u);
  EXPECT_EQ(state[1], kCardDiskState);
  EXPECT_NE(state[2] | state[3] | state[4] | state[5], 0) << "a card has some capacity";
}

TEST_F(CardTest, DownloadsComeIn230ByteBlocksUntilAnEmptyOne) {
  struct Case {
    std::string name;
    std::size_t size;
    std::vector<std::size_t> blocks;
  };
  const std::vector<Case> cases{
      {"empty", 0, {0}}, {"exact.bin", 2 * kCardBlockSize, {230, 230, 0}}, {"Журнал.txt", 300, {230, 70, 0}}};
  for (const Case& c : cases) {
    const Bytes content = Pattern(c.size, static_cast<std::uint8_t>(c.size));
    fs::create_directories(card_ / "sub");
    WriteFile(card_ / c.name, content);
    Bytes received;
    const auto answers = Download(c.name, received);
    ASSERT_EQ(answers.size(), c.blocks.size()) << c.name;
    for (std::size_t i = 0; i < answers.size(); ++i) EXPECT_EQ(answers[i][2], c.blocks[i]) << c.name << " block " << i;
    EXPECT_EQ(received, content) << c.name;
  }
  Bytes ignored;
  EXPECT_EQ(Download("EXACT.BIN", ignored).size(), 3u) << "names match regardless of case";
  EXPECT_EQ(Tcp(DownloadFrame("missing.txt", 0)), Code(kCardFileMissing));
  EXPECT_EQ(Tcp(DownloadFrame("sub", 0)), Code(kCardFileMissing)) << "no such file: it does not exist";
}

TEST_F(CardTest, UploadsWriteAtTheirOffsetAndAShortBlockEndsTheFile) {
  const Bytes threeHundred = Pattern(300, 1);
  EXPECT_EQ(Upload("Настройки.ini", threeHundred), (Bytes{kUploadMore, kUploadDone}));
  EXPECT_EQ(ReadFile(card_ / "Настройки.ini"), threeHundred) << "UTF-8 name on disk";

  const Bytes exact = Pattern(2 * kCardBlockSize, 2);
  EXPECT_EQ(Upload("exact.bin", exact), (Bytes{kUploadMore, kUploadMore}))
      << "the tool stops when its file has no more bytes";
  EXPECT_EQ(ReadFile(card_ / "exact.bin"), exact);

  // Offset 0 makes the file anew: a shorter upload over a longer file, and an empty one.
  EXPECT_EQ(Upload("exact.bin", Pattern(10, 3)), Bytes{kUploadDone});
  EXPECT_EQ(ReadFile(card_ / "exact.bin"), Pattern(10, 3));
  EXPECT_EQ(Upload("empty.bin", {}), Bytes{kUploadDone});
  ASSERT_TRUE(fs::exists(card_ / "empty.bin"));
  EXPECT_EQ(fs::file_size(card_ / "empty.bin"), 0u);

  EXPECT_EQ(Tcp(UploadFrame("never.bin", 230, {1, 2})), Code(kCardUploadFailed)) << "a later block needs the file";
  EXPECT_FALSE(fs::exists(card_ / "never.bin"));
  EXPECT_TRUE(Tcp(UploadFrame("big.bin", 0, Pattern(231, 0))).empty()) << "more than a block is not a request";
}

TEST_F(CardTest, DeleteAndApplyKnowTheirFiles) {
  WriteFile(card_ / "Прошивка.hex", {1, 2, 3});
  EXPECT_EQ(Tcp(ApplyFrame("Прошивка.hex")), WithCRC({kSlave, kCardApply}));
  EXPECT_EQ(Tcp(ApplyFrame("other.hex")), Code(kCardApplyMissing));
  EXPECT_EQ(Tcp(DeleteFrame("Прошивка.hex")), WithCRC({kSlave, kCardDelete}));
  EXPECT_FALSE(fs::exists(card_ / "Прошивка.hex"));
  EXPECT_EQ(Tcp(DeleteFrame("Прошивка.hex")), Code(kCardFileMissing));
  EXPECT_EQ(Tcp(ApplyFrame("Прошивка.hex")), Code(kCardApplyMissing));
  // The same frames on the serial line.
  WriteFile(card_ / "x", {});
  EXPECT_EQ(controller_->Handle(DeleteFrame("x"), true).bytes, WithCRC({kSlave, kCardDelete}));
}

TEST_F(CardTest, NamesLeadingOutOfTheDirectoryAreFilesTheCardDoesNotHave) {
  WriteFile(outside_ / "secret", {7, 7, 7});
  fs::create_symlink(outside_ / "secret", card_ / "link");
  fs::create_symlink(outside_ / "fresh", card_ / "dangling");
  const std::string up = "../" + fs::path(outside_.Path()).parent_path().filename().string() + "/secret";
  for (const std::string& name : {up, std::string(".."), std::string("."), outside_ / "secret", std::string("link"),
                                  std::string("sub\\..\\link")}) {
    EXPECT_EQ(Tcp(DownloadFrame(name, 0)), Code(kCardFileMissing)) << name;
    EXPECT_EQ(Tcp(DeleteFrame(name)), Code(kCardFileMissing)) << name;
    EXPECT_EQ(Tcp(ApplyFrame(name)), Code(kCardApplyMissing)) << name;
    EXPECT_EQ(Tcp(UploadFrame(name, 0, {1})), Code(kCardUploadFailed)) << name;
  }
  EXPECT_EQ(Tcp(UploadFrame("dangling", 0, {1})), Code(kCardUploadFailed));
  EXPECT_FALSE(fs::exists(outside_ / "fresh")) << "a dangling link is not followed to create its target";
  EXPECT_EQ(ReadFile(outside_ / "secret"), (Bytes{7, 7, 7}));
  EXPECT_TRUE(fs::is_symlink(card_ / "link"));
}

TEST_F(CardTest, WithoutACardEveryFunctionSaysSo) {
  WriteFile(card_ / "a", {1});
  const std::vector<Bytes> requests{WithCRC({kSlave, kCardDiskState}),
                                    WithCRC({kSlave, kCardList, 0}),
                                    DownloadFrame("a", 0),
                                    UploadFrame("a", 0, {1}),
                                    DeleteFrame("a"),
                                    ApplyFrame("a")};
  for (const bool absent : {true, false}) {
    Start(absent ? std::optional<std::string>(card_.Path()) : std::nullopt, absent);
    for (const Bytes& request : requests)
      EXPECT_EQ(Tcp(request), Code(static_cast<std::uint8_t>(request[1] | 0x80))) << ::testing::PrintToString(request);
  }
  EXPECT_EQ(ReadFile(card_ / "a"), Bytes{1});
}

}  // namespace
}  // namespace quillon::sim
