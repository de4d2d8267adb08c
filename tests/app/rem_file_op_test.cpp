// The card file window against the simulator's memory card: listing, downloading and uploading
// through the window, with the end messages as the user would see them.
#include "app/tools/rem_file_op.h"

#include <sys/statvfs.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>

#include "app/tools/file_load.h"
#include "support/file_bytes.h"
#include "tool_window_fixture.h"

namespace quillon::testing {
namespace {

namespace fs = std::filesystem;

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 17 + 3);
  return bytes;
}

void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The window with its file dialogs answered by the test.
class ScriptedRemFileOp : public TRemFileOp {
 public:
  using TRemFileOp::TRemFileOp;
  std::optional<std::string> savePath;
  std::optional<std::string> openPath;
  std::string askedDirectory;
  std::string proposed;

 protected:
  std::optional<std::string> AskSavePath(const std::string& directory, const std::string& name) override {
    askedDirectory = directory;
    proposed = name;
    return savePath;
  }
  std::optional<std::string> AskOpenPath(const std::string& directory) override {
    askedDirectory = directory;
    return openPath;
  }
};

class RemFileOpTest : public ToolWindowTest<ScriptedRemFileOp> {
 protected:
  void SetUp() override {
    WriteWindowsFile("sim/dev.ini",
                     "[DEVICE]\nID=7 QT v1.0 2024-01-10\n[vars]\n[FLASH]\n"
                     "p1=Inom/Ток/TWORD/x0100/r0080/А/1/2//0/x03E8/\n");
    fs::create_directories(dir / "card");
    fs::create_directories(dir / "pc");
  }
  void StartSim(const QString& cardOption) {
    QStringList extra{cardOption};
    if (cardOption == QStringLiteral("--card")) extra << QString::fromStdString(dir / "card");
    StartSimulator(dir / "sim/dev.ini", "SIM1", extra);
  }

  void Open() { Show(std::make_unique<ScriptedRemFileOp>(Context(), ToolLink("MODBUS RTU", "SIM1"))); }

  QStringList Listed() {
    QStringList names;
    auto* list = Find<QListWidget>("lbFiles");
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
  }

  // Waits for the end message of an operation.
  bool MessageShown(std::size_t count) {
    return WaitUntil([&] { return prompt.warnings.size() >= count; }, 8000);
  }
};

TEST_F(RemFileOpTest, ListsDownloadsAndUploadsThroughTheWindow) {
  Write(dir / "card/alpha.txt", "hello");
  Write(dir / "card/Данные.bin", Pattern(700));
  StartSim(QStringLiteral("--card"));
  Open();

  Find<QPushButton>("btReloadNames")->click();
  ASSERT_TRUE(WaitUntil([&] { return Listed().size() == 2; }, 5000)) << Listed().join(',').toStdString();
  EXPECT_EQ(Listed(), (QStringList{QStringLiteral("alpha.txt"), QStringLiteral("Данные.bin")}));
  // Listing ends silently.
  QTest::qWait(300);
  EXPECT_TRUE(prompt.warnings.empty());

  // Choosing a line puts it into the name field, which the download asks for.
  auto* files = Find<QListWidget>("lbFiles");
  files->setCurrentRow(1);
  EXPECT_EQ(Find<QLineEdit>("edFileName")->text(), QStringLiteral("Данные.bin"));
  Write(dir / "pc/copy.bin", Pattern(3000));  // longer than what comes
  window->savePath = dir / "pc/copy.bin";
  Find<QPushButton>("btDownLoad")->click();
  EXPECT_EQ(window->proposed, "Данные.bin");
  EXPECT_EQ(window->askedDirectory, paths.program);
  EXPECT_FALSE(Find<QPushButton>("btDownLoad")->isEnabled());
  EXPECT_TRUE(window->FileLoad()->isVisible());
  ASSERT_TRUE(MessageShown(1));
  EXPECT_EQ(prompt.warnings.back(), (std::pair<std::string, std::string>{"Quillon", "файл принят!"}));
  EXPECT_EQ(FileBytes(dir / "pc/copy.bin"), Pattern(700));
  EXPECT_TRUE(Find<QPushButton>("btDownLoad")->isEnabled());
  EXPECT_FALSE(window->FileLoad()->isVisible());
  // The progress window counted the blocks: 4 with data and the empty last one.
  ASSERT_TRUE(WaitUntil([&] { return window->FileLoad()->findChild<QLabel*>("lbPakets")->text() == "5"; }));

  Write(dir / "pc/Ёж.dat", Pattern(300));
  window->openPath = dir / "pc/Ёж.dat";
  Find<QPushButton>("btSelectFile")->click();
  EXPECT_EQ(window->askedDirectory, dir / "pc/");  // the directory of the last chosen file
  EXPECT_EQ(window->FileLoad()->findChild<QLabel*>("lbFileName")->text(), QStringLiteral("Ёж.dat"));
  ASSERT_TRUE(MessageShown(2));
  EXPECT_EQ(prompt.warnings.back().second, "файл принят!");
  EXPECT_EQ(FileBytes(dir / "card/Ёж.dat"), Pattern(300));
  EXPECT_TRUE(Find<QPushButton>("btSelectFile")->isEnabled());
  // The next tick of the progress display shows the upload's share of the file.
  auto* sent = window->FileLoad()->findChild<QLabel*>("lbBytesSend");
  EXPECT_TRUE(WaitUntil([&] { return sent->text() == QStringLiteral("230 (76%)"); })) << sent->text().toStdString();
}

TEST_F(RemFileOpTest, AMissingFileAndAMissingNameAreReportedAndDownloadOnlyHidesTheRest) {
  StartSim(QStringLiteral("--card"));
  Open();
  Write(dir / "pc/keep.bin", "keep");
  Find<QLineEdit>("edFileName")->setText(QStringLiteral("nope.bin"));
  window->savePath = dir / "pc/keep.bin";
  Find<QPushButton>("btDownLoad")->click();
  ASSERT_TRUE(MessageShown(1));
  EXPECT_EQ(prompt.warnings.back().second, "файл не найден на microSD!");
  EXPECT_EQ(FileBytes(dir / "pc/keep.bin"), "keep");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "pc"), fs::directory_iterator()), 1);

  // Apply without a name asks for one at once.
  Find<QLineEdit>("edFileName")->clear();
  Find<QPushButton>("btUseFile")->click();
  EXPECT_EQ(prompt.warnings.back().second, "файл не выбран");

  // The event tools' hand-operated use offers only listing and downloading, with no stale name.
  Find<QLineEdit>("edFileName")->setText(QStringLiteral("x"));
  window->ShowForDownloadOnly(window->Property);
  EXPECT_TRUE(Find<QLineEdit>("edFileName")->text().isEmpty());
  EXPECT_FALSE(Find<QPushButton>("btSelectFile")->isVisible());
  EXPECT_FALSE(Find<QPushButton>("btUseFile")->isVisible());
  EXPECT_FALSE(Find<QPushButton>("btFileDelete")->isVisible());
  EXPECT_TRUE(Find<QPushButton>("btDownLoad")->isVisible());
}

// "ü.txt" would be the card's "?.txt": every operation that names a file refuses such a name
// before anything goes out, and says why.
TEST_F(RemFileOpTest, NamesWindows1251CannotCarryAreRefusedWithAMessage) {
  Write(dir / "card/?.txt", "old");
  StartSim(QStringLiteral("--card"));
  Open();
  const std::string refusal = "Недопустимое имя файла \"ü.txt\": символа \"ü\" нет в кодировке Windows-1251";
  Find<QLineEdit>("edFileName")->setText(QStringLiteral("ü.txt"));
  window->savePath = dir / "pc/got.txt";
  for (const char* button : {"btDownLoad", "btFileDelete", "btUseFile"}) {
    Find<QPushButton>(button)->click();
    ASSERT_FALSE(prompt.warnings.empty()) << button;
    EXPECT_EQ(prompt.warnings.back().second, refusal) << button;
    prompt.warnings.clear();
  }
  EXPECT_TRUE(window->proposed.empty()) << "refused before the save dialog";
  Write(dir / "pc/ü.txt", "new");
  window->openPath = dir / "pc/ü.txt";
  Find<QPushButton>("btSelectFile")->click();
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(prompt.warnings.back().second, refusal);
  EXPECT_TRUE(Find<QPushButton>("btSelectFile")->isEnabled());
  QTest::qWait(300);
  EXPECT_EQ(prompt.warnings.size(), 1u);
  EXPECT_EQ(FileBytes(dir / "card/?.txt"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "card"), fs::directory_iterator()), 1);
  EXPECT_FALSE(fs::exists(dir / "pc/got.txt"));
}

TEST_F(RemFileOpTest, TheDiskPageShowsTheSizeOrTheMissingCard) {
  StartSim(QStringLiteral("--card-absent"));
  Open();
  auto* total = Find<QLabel>("lbTotalSize");
  EXPECT_EQ(total->text(), QStringLiteral("---"));
  Find<QPushButton>("btRefreshDiskState")->click();
  ASSERT_TRUE(MessageShown(1));
  EXPECT_EQ(prompt.warnings.back().second, "диск microSD не инициализируется либо отсутствует!");
  EXPECT_EQ(total->text(), QStringLiteral("---"));
}

TEST_F(RemFileOpTest, TheDiskSizeShowsInTheUnitItsCaptionNames) {
  StartSim(QStringLiteral("--card"));
  Open();
  EXPECT_EQ(Find<QLabel>("lbDiskCaption")->text(), QStringLiteral("Емкость диска, кБ:"));
  Find<QPushButton>("btRefreshDiskState")->click();
  auto* total = Find<QLabel>("lbTotalSize");
  ASSERT_TRUE(WaitUntil([total] { return total->text() != QStringLiteral("---"); }, 8000));
  // The simulator reports its card folder's file system, at most what 32 bits hold.
  struct statvfs info {};
  ASSERT_EQ(::statvfs((dir / "card").c_str(), &info), 0);
  const auto bytes =
      std::min<unsigned long long>(static_cast<unsigned long long>(info.f_blocks) * info.f_frsize, 0xFFFFFFFFull);
  EXPECT_EQ(total->text(), QString::number(bytes / 1024));
}

TEST_F(RemFileOpTest, APortThatDoesNotOpenIsNamed) {
  window = std::make_unique<ScriptedRemFileOp>(Context(), ToolLink("MODBUS RTU", "NOPORT"));
  window->show();
  window->openPath = dir / "pc/up.bin";
  Write(dir / "pc/up.bin", "x");
  Find<QPushButton>("btSelectFile")->click();
  ASSERT_TRUE(MessageShown(1));
  EXPECT_EQ(prompt.warnings.back(),
            (std::pair<std::string, std::string>{"Quillon", "Порт NOPORT не существует\nили занят другой программой"}));
  EXPECT_TRUE(Find<QPushButton>("btSelectFile")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("btDownLoad")->isEnabled());
}

TEST_F(RemFileOpTest, AutomaticDownloadsWithoutAskingAndAlwaysReportsTheEnd) {
  Write(dir / "card/stat.dat", Pattern(12));
  Write(dir / "card/OSC.dat", Pattern(140 * 50));
  StartSim(QStringLiteral("--card"));
  Open();
  TBaseProperty link = window->Property;
  std::optional<std::pair<bool, std::string>> over;
  const auto report = [&over](bool received, const std::string& message) { over.emplace(received, message); };

  window->StartAutomaticDownload(link, {"stat.dat"}, report);
  ASSERT_TRUE(WaitUntil([&] { return over.has_value(); }, 8000));
  EXPECT_TRUE(over->first);
  EXPECT_EQ(FileBytes(paths.program + "EventsAndStats/stat.dat"), Pattern(12));

  // Ten records before record 30, 15 records long: records 20 to 34.
  over.reset();
  window->StartAutomaticDownload(link, {"OSC.dat", 30, 10, 15 * 140}, report);
  ASSERT_TRUE(WaitUntil([&] { return over.has_value(); }, 8000));
  EXPECT_TRUE(over->first);
  EXPECT_EQ(FileBytes(paths.program + "EventsAndStats/OSC.dat"), Pattern(140 * 50).substr(20 * 140, 15 * 140));

  over.reset();
  window->StartAutomaticDownload(link, {"event.edat"}, report);
  ASSERT_TRUE(WaitUntil([&] { return over.has_value(); }, 8000));
  EXPECT_FALSE(over->first) << "the card has no event file: the simulator makes it only from a device's EVENTS";
  EXPECT_EQ(over->second, "файл не найден на microSD!");
  QTest::qWait(200);
  EXPECT_TRUE(prompt.warnings.empty()) << "the asking tool shows what it needs";

  // A port that cannot be opened is reported by the window, and the end still comes.
  over.reset();
  link.PortName = "NOPE";
  window->StartAutomaticDownload(link, {"stat.dat"}, report);
  ASSERT_TRUE(WaitUntil([&] { return over.has_value(); }, 8000));
  EXPECT_FALSE(over->first);
  ASSERT_EQ(prompt.warnings.size(), 1u);
  EXPECT_NE(prompt.warnings.back().second.find("NOPE"), std::string::npos);
}

}  // namespace
}  // namespace quillon::testing
