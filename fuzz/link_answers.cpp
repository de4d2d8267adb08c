// Answers from a line, judged and taken as the device window and the workers take them. The
// first input byte picks the protocol and the parameter set (bits 0-6) and whether the target
// appends a correct CRC (bit 7), so the fuzzer reaches past the checksum; the rest is the answer.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "device/device_parameters.h"
#include "device/image_write.h"
#include "fuzz_support.h"
#include "link/answer_end.h"
#include "link/answers.h"
#include "link/buses.h"
#include "link/crc16.h"

namespace {

using namespace quillon;

struct Reader {
  LinkFieldTexts fields;
  DeviceParameters parameters;
  LinkFrame request;
};

// Every protocol with each parameter set of the demo device, loaded once.
std::vector<std::unique_ptr<Reader>>& Readers() {
  static std::vector<std::unique_ptr<Reader>> readers = [] {
    std::vector<std::unique_ptr<Reader>> made;
    for (std::string_view protocol : kProtocolNames) {
      for (std::string_view section : {"FLASH", "RAM"}) {
        auto reader = std::make_unique<Reader>();
        reader->fields.protocol = std::string(protocol);
        reader->fields.address = "1";
        reader->fields.frameEnd = protocol == kProtocolMODBUSTCP ? "127.0.0.1" : "8";
        reader->fields.tcpPort = "502";
        reader->parameters.Load(fuzz::DemoDevicePath(), section);
        reader->request = reader->parameters.BuildRead(reader->fields);
        made.push_back(std::move(reader));
      }
    }
    return made;
  }();
  return readers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  auto& readers = Readers();
  Reader& reader = *readers[(data[0] & 0x7F) % readers.size()];
  std::vector<std::uint8_t> bytes(data + 1, data + size);
  if (data[0] & 0x80) {
    const std::uint16_t crc = CRC16(bytes.data(), bytes.size());
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
  }
  const std::uint8_t* answer = bytes.data();
  const std::size_t answerLen = bytes.size();

  JudgeQuBUSRead(answerLen, static_cast<std::uint32_t>(reader.request.expectedLen));
  JudgeQuBUSIdentification(answerLen);
  QuBUSIdentificationText(answer, answerLen);
  if (JudgeMODBUSRead(answer, answerLen, {.crc = true, .function = true}) == AnswerJudgement::Valid) {
    std::array<std::uint8_t, 64> image{};
    DecodeMODBUSRead(answer, answerLen, data[0] & 1, image.data(), image.size(), data[0] % image.size());
  }
  if (JudgeMODBUSReportSlaveID(answer, answerLen) == AnswerJudgement::Valid) {
    MODBUSReportSlaveIDText(answer, answerLen);
  }

  reader.parameters.TakeReadAnswer(reader.fields, reader.request, answer, answerLen);
  TakeIdentificationAnswer(reader.fields, answer, answerLen);
  JudgeImageWriteAnswer(reader.fields, reader.request.bytes, answer, answerLen);
  // The one judge of every MODBUS answer, against the request the reader built.
  const AnswerCheck check = JudgeMODBUSAnswer(reader.request.bytes.data(), reader.request.bytes.size(), answer,
                                              answerLen, (data[0] & 2) != 0);
  if (check.judgement == AnswerJudgement::Exception) ExceptionText(check.exceptionCode);

  // Where a worker ends the answer as its bytes come in, for the read and for the answer taken
  // as a request of its own.
  const AnswerEnd end = AnswerEnd::ForRequest(reader.request.bytes.data(), reader.request.bytes.size());
  const AnswerEnd asRequest = AnswerEnd::ForRequest(answer, answerLen);
  for (std::size_t count = 0; count <= answerLen && count <= 300; ++count) {
    end.Complete(answer, count);
    asRequest.Complete(answer, count);
  }
  return 0;
}
