#include "save_writers.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "device/cell_commit.h"
#include "device/device_parameters.h"
#include "device/device_save.h"
#include "platform/files.h"
#include "platform/ini_document.h"
#include "platform/prompt.h"
#include "scope/base_property.h"
#include "scope/record_file.h"
#include "scope/record_list.h"
#include "scope/scope_file.h"
#include "support/file_bytes.h"
#include "text/cp1251.h"
#include "text/datetime.h"
#include "variables/registry.h"
#include "variables/special/time_mark.h"
#include "variables/view.h"
#include "variables/view_list.h"

namespace quillon::soak {
namespace {

// UTF-8 lines ("\n" ends a line) written as a hand-edited file would be: Windows-1251, CRLF.
void WriteTextFile(const std::string& path, const std::string& utf8Lines) {
  if (!testing::WriteCp1251File(path, utf8Lines)) throw std::runtime_error("cannot write " + path);
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "x%04X", value & 0xFFFFu);
  return text;
}

std::string Numbered(const char* format, int number) {
  char text[64];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

// Lines of some other tool's section that every save must keep as they are.
std::string PaddingSection(const char* name, int lines, std::size_t width) {
  std::string text = std::string("[") + name + "]\n";
  for (int i = 0; i < lines; ++i) {
    std::string value = Numbered("k%05d=", i);
    while (value.size() < width) value += "Запись наладки " + std::to_string(i) + "/";
    text += value + "\n";
  }
  return text;
}

class RecordingPrompt : public Prompt {
 public:
  void Warning(const std::string&, const std::string& text) override { last = text; }
  bool Question(const std::string&, const std::string&) override { return false; }
  std::string last;
};

// The device window's save: identity, every base value of the FLASH parameters and the scale
// table, while a large RAM section rides along unchanged.
class DeviceWriter : public SaveWriter {
 public:
  std::string Name() const override { return "device"; }
  std::string Path() const override { return path_; }

  void Prepare(const std::string& directory) override {
    directory_ = directory + "/Devices/QT";
    path_ = directory_ + "/501.ini";
    std::string text =
        "[DEVICE]\nID=501 QT v2.1 2024-01-10\nDescription=Привод\nLocation=Стенд\nLastDateTime=01.01.2024\n"
        "[vars]\nInom=100\n[FLASH]\n";
    for (int i = 0; i < kParameters; ++i) {
      text += Numbered("p%d=", i + 1) + Numbered("P%d/", i) + Numbered("Параметр %d/TWORD/", i) + Hex4(0x100 + 2 * i) +
              "/" + Numbered("r%04X", 0x80 + i) + "/А/Inom%1000/2//0/x0000/\n";
    }
    text += PaddingSection("RAM", kRamLines, 90);
    WriteTextFile(path_, text);
    if (!parameters_.Load(path_, "FLASH").empty() || parameters_.List().Count() != kParameters)
      throw std::runtime_error("the device file of the trial does not load");
  }

  void Save(int variant) override {
    TViewList& list = parameters_.List();
    for (int i = 0; i < kParameters; ++i) {
      CommitCell(list.Item(i), kBaseHexKind, BaseValue(variant, i) + "\n");
      if (list.Item(i).BaseValue != BaseValue(variant, i)) throw std::runtime_error("base value refused");
    }
    list.Scales.SetValue("Inom", Inom(variant));
    SaveDevice(parameters_, {"501 QT v2.1 2024-01-10", Description(variant), "Цех 2", "05.06.2026 07:08:09"});
  }

  int Parse() override {
    const IniDocument file = IniDocument::Load(path_);
    DeviceParameters loaded;
    if (!loaded.Load(path_, "FLASH").empty() || loaded.List().Count() != kParameters) return -1;
    if (file.SectionLines("RAM").size() != static_cast<std::size_t>(kRamLines)) return -1;
    const std::string description = file.Value("DEVICE", "Description", "");
    for (int variant : {0, 1}) {
      if (description != Description(variant) || file.Value("vars", "Inom", "") != Inom(variant)) continue;
      bool all = true;
      for (int i = 0; i < kParameters && all; ++i) all = loaded.List().Item(i).BaseValue == BaseValue(variant, i);
      if (all) return variant;
    }
    return -1;
  }

  bool ListingShowsOnlyTheFile() override {
    return ListFiles(directory_, "*.ini", false) == std::vector<std::string>{"501.ini"};
  }

 private:
  static constexpr int kParameters = 400;
  static constexpr int kRamLines = 6000;

  static std::string BaseValue(int variant, int i) { return Hex4(variant == 0 ? i : 0xFFFF - i); }
  static std::string Inom(int variant) { return variant == 0 ? "100" : "120"; }
  static std::string Description(int variant) { return variant == 0 ? "Привод насоса" : "Привод вентилятора"; }

  std::string directory_;
  std::string path_;
  DeviceParameters parameters_;
};

// The scope window's save: its settings and one viewlist line per shown variable, while a large
// section some other tool keeps in the file rides along unchanged.
class ScopeWriter : public SaveWriter {
 public:
  std::string Name() const override { return "scope"; }
  std::string Path() const override { return property_.FilePath; }

  void Prepare(const std::string& directory) override {
    directory_ = directory + "/Scope";
    property_.FilePath = directory_ + "/trial.scp";
    WriteTextFile(property_.FilePath, "[default]\ndevicepath=" + directory + "/Devices/QT/501.ini\n" +
                                          PaddingSection("notes", kNoteLines, 400));
    if (!ReadScopeSettings(property_.FilePath, property_)) throw std::runtime_error("the scope file does not read");
    for (int i = 0; i < kVariables; ++i) {
      const std::string line = Numbered("p%d=", i) + Numbered("V%d/", i) + "Сигнал/TWORD/" + Hex4(0x100 + 2 * i) + "/" +
                               Numbered("r%04X", 0x80 + i) + "/А/1/2/x0000/";
      if (CreateVariable(line, "1/16/", image_, list_) == nullptr) throw std::runtime_error("bad line " + line);
    }
  }

  void Save(int variant) override {
    property_.Left = Left(variant);
    property_.Top = variant == 0 ? "20" : "40";
    for (auto& variable : list_.Variables) {
      variable->TrendGain = variant == 0 ? 0.5 : 2;
      variable->RowHeight = variant == 0 ? 16 : 24;
    }
    SaveWinFile(property_, list_);
  }

  int Parse() override {
    TBaseProperty read;
    if (!ReadScopeSettings(Path(), read)) return -1;
    const IniDocument file = IniDocument::Load(Path());
    if (file.SectionLines("notes").size() != static_cast<std::size_t>(kNoteLines)) return -1;
    const std::vector<std::string> keys = ReadViewListKeys(Path());
    if (keys.size() != static_cast<std::size_t>(kVariables)) return -1;
    for (int variant : {0, 1}) {
      if (read.Left != Left(variant)) continue;
      const std::string value = variant == 0 ? "0,5/16/" : "2/24/";
      bool all = true;
      for (const auto& key : keys) all = all && ReadViewListValue(file, key) == value;
      if (all) return variant;
    }
    return -1;
  }

  bool ListingShowsOnlyTheFile() override {
    return ListFiles(directory_, "*.scp", false) == std::vector<std::string>{"trial.scp"};
  }

 private:
  static constexpr int kVariables = 40;
  static constexpr int kNoteLines = 2000;

  static std::string Left(int variant) { return variant == 0 ? "10" : "30"; }

  std::string directory_;
  TBaseProperty property_;
  std::vector<std::uint8_t> image_ = std::vector<std::uint8_t>(kImageSize);
  TViewList list_;
};

// A record of a full ring (variant 0) or of a shorter stretch from elsewhere in other rings
// (variant 1), each of a time mark and many words.
class RecordWriter : public SaveWriter {
 public:
  std::string Name() const override { return "record"; }
  std::string Path() const override { return path_; }

  void Prepare(const std::string& directory) override {
    directory_ = directory + "/Records";
    path_ = directory_ + "/010124_100000.rec";
    EnsureDirectory(directory_);
    header_.DevicePath = directory + "/Devices/TK3/123.ini";
    WriteTextFile(header_.DevicePath, "[DEVICE]\nID=123 TK v3.12 2010-05-01\nLocation=Стенд\n");
    for (int variant : {0, 1}) Fill(lists_[variant], variant);
    // A short record of other content to start from.
    Write(lists_[1], 5, 14);
  }

  void Save(int variant) override {
    header_.Left = Left(variant);
    if (variant == 0) {
      Write(lists_[0], 0, kHistoryLength - 2);
    } else {
      Write(lists_[1], 100, 100 + kShortSpan - 1);
    }
  }

  int Parse() override {
    for (int variant : {0, 1}) {
      TViewList read;
      RecordHeader header;
      const int n = OpenRecord(path_, read, header);
      if (n != (variant == 0 ? kHistoryLength - 1 : kShortSpan) || header.Left != Left(variant)) continue;
      if (read.Count() != kWords + 1) return -1;
      const int first = variant == 0 ? 0 : 100;
      for (int k = 1; k <= kWords; ++k) {
        for (int i : {0, n / 2, n - 1}) {
          if (read.Item(k).SampleAt(i) != Sample(variant, k, first + i)) return -1;
        }
      }
      return variant;
    }
    return -1;
  }

  bool ListingShowsOnlyTheFile() override {
    const std::vector<RecordRow> rows = ListRecords(directory_);
    return rows.size() == 1 && rows[0].Path == path_;
  }

 private:
  static constexpr int kWords = 24;
  static constexpr int kShortSpan = 30000;

  static int Left(int variant) { return variant == 0 ? 5 : 6; }
  static std::uint16_t Sample(int variant, int word, int index) {
    return static_cast<std::uint16_t>(index * 7 + word * 131 + variant * 4099);
  }

  void Fill(TViewList& list, int variant) {
    auto mark = std::make_unique<TTimeMark>();
    const DateTime base = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
    std::vector<std::uint8_t> marks(kHistoryLength * 9);
    for (int i = 0; i < kHistoryLength; ++i) {
      marks[i * 9] = i % 1000 == 0 ? 1 : 0;
      const auto bits = std::bit_cast<std::uint64_t>(base + (i + variant) / 86400.0);
      for (int b = 0; b < 8; ++b) marks[i * 9 + 1 + b] = static_cast<std::uint8_t>(bits >> (8 * b));
    }
    mark->LoadSamples(marks, kHistoryLength);
    list.Append(std::move(mark));
    for (int k = 1; k <= kWords; ++k) {
      const std::string line = Numbered("p%d=", k) + Numbered("W%d/", k) + "Слово/TWORD/" + Hex4(0x10 + 2 * k) + "/" +
                               Numbered("r%04X", 8 + k) + "/об/1/2/x0000/";
      TView* word = CreateVariable(line, "1/16/", image_, list);
      if (word == nullptr) throw std::runtime_error("bad line " + line);
      std::vector<std::uint8_t> ring(kHistoryLength * 2);
      for (int i = 0; i < kHistoryLength; ++i) {
        const std::uint16_t value = Sample(variant, k, i);
        ring[i * 2] = static_cast<std::uint8_t>(value);
        ring[i * 2 + 1] = static_cast<std::uint8_t>(value >> 8);
      }
      word->LoadSamples(ring, kHistoryLength);
    }
  }

  void Write(TViewList& list, int first, int last) {
    RecordingPrompt prompt;
    if (WriteRecord(header_, list, first, path_, last, prompt) == 0) throw std::runtime_error(prompt.last);
  }

  std::string directory_;
  std::string path_;
  RecordHeader header_;
  std::vector<std::uint8_t> image_ = std::vector<std::uint8_t>(kImageSize);
  TViewList lists_[2];
};

}  // namespace

std::vector<std::string> WriterNames() { return {"device", "scope", "record"}; }

std::unique_ptr<SaveWriter> MakeWriter(const std::string& name) {
  if (name == "device") return std::make_unique<DeviceWriter>();
  if (name == "scope") return std::make_unique<ScopeWriter>();
  if (name == "record") return std::make_unique<RecordWriter>();
  return nullptr;
}

}  // namespace quillon::soak
