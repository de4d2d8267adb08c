// Answers of the memory card service, fed one after another to a card operation as the link
// feeds them. Input: the operation (one byte), then answers, each as a flags byte (bit 0: the
// target appends a correct CRC, so the fuzzer reaches past the checksum), a length byte and the
// answer's bytes.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "card/card_download.h"
#include "card/card_frames.h"
#include "card/card_queries.h"
#include "card/card_upload.h"
#include "fuzz_support.h"
#include "link/crc16.h"

namespace {

using namespace quillon;

constexpr std::uint8_t kAddress = 1;

std::unique_ptr<CardOperation> MakeOperation(std::uint8_t kind, TransferCounters& counters,
                                             const std::string& downloadPath, const std::string& uploadPath) {
  switch (kind % 6) {
    case 0:
      return std::make_unique<CardDiskStateQuery>(kAddress);
    case 1:
      return std::make_unique<CardListQuery>(kAddress);
    case 2:
      return std::make_unique<CardDeleteQuery>(kAddress, "журнал.txt");
    case 3:
      return std::make_unique<CardApplyQuery>(kAddress, "fw_v315.bin", counters);
    case 4: {
      auto file = DownloadFile::Create(downloadPath);
      if (!file) return nullptr;
      return std::make_unique<CardDownload>(kAddress, "params.ini", std::move(*file), counters,
                                            CardSpan{kind / 6u, kind & 0x80 ? 300u : 0u});
    }
    default: {
      auto source = UploadSource::Open(uploadPath);
      if (!source) return nullptr;
      return std::make_unique<CardUpload>(kAddress, "params.ini", std::move(*source), counters);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // An upload source of a little over two blocks.
  static const std::vector<std::uint8_t> uploadBytes(500, 0x42);
  const fuzz::InputFile upload("upload.bin", uploadBytes.data(), uploadBytes.size());
  const fuzz::InputFile download("download.bin", nullptr, 0);
  TransferCounters counters;
  std::unique_ptr<CardOperation> operation = MakeOperation(data[0], counters, download.Path(), upload.Path());
  if (!operation) return 0;

  std::size_t at = 1;
  while (at + 2 <= size) {
    const bool seal = data[at] & 1;
    const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
    std::vector<std::uint8_t> answer(data + at + 2, data + at + 2 + length);
    at += 2 + length;
    if (seal) {
      const std::uint16_t crc = CRC16(answer.data(), answer.size());
      answer.push_back(static_cast<std::uint8_t>(crc & 0xFF));
      answer.push_back(static_cast<std::uint8_t>(crc >> 8));
    }
    CardAnswerFits(operation->Request(), answer);
    if (CardAnswerValid(answer)) {
      CardCountedData(answer);
      CardDiskSizeText(answer);
    }
    operation->Request();
    if (operation->Answer(answer).Finished()) break;
  }
  return 0;
}
