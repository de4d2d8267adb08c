#pragma once
// A small device file for the simulator's tests: a word, a byte in the high half of its
// register, a bit and a double word in FLASH; a CD value where FLASH has none; a word and a bit
// in RAM. Frames are built as a master sends them, CRC last.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "sim/controller.h"
#include "support/temp_dir.h"
#include "text/cp1251.h"

namespace quillon::sim::testing {

using Bytes = std::vector<std::uint8_t>;

// The frame with its CRC appended, as a master sends it.
inline Bytes WithCRC(Bytes frame) {
  AppendCRC(frame);
  return frame;
}

inline constexpr const char* kSmallDevice =
    "[DEVICE]\r\n"
    "ID=77 SIM v1.02 2024-01-31 Стенд\r\n"
    "[vars]\r\n"
    "K=10\r\n"
    "[FLASH]\r\n"
    "p1=A/Слово/TWORD/x0100/r0080//1/2//0/x1234/\r\n"
    "p2=B/Байт/TByte/x0103/r0081.H//1/1//0/x56/\r\n"
    "p3=E/Бит/TBit/x0104/16/r0082.4/1/1/0/\r\n"
    "p4=D/Двойное/TDWORD/x0106/r0083//1/4/x89ABCDEF/\r\n"
    "[CD]\r\n"
    "c1=A/Слово/TWORD/x0100/r0080//1/2//0/x1111/\r\n"
    "c2=G/Пропуск/TWORD/x0120/r0090//1/2//0/x7777/\r\n"
    "[RAM]\r\n"
    "r1=I/Ток/TWORD/x0200/r0100//1/2//0/x0005/\r\n"
    "r2=F/Флаг/TBit/x0202/1/r0101.0/1/1/1/\r\n";

// Writes `text` (UTF-8) as a device file in Windows-1251 and returns its path.
inline std::string WriteDeviceFile(const quillon::testing::TempDir& dir, const std::string& text = kSmallDevice,
                                   const std::string& name = "device.ini") {
  const std::string path = dir / name;
  std::ofstream(path, std::ios::binary) << Utf8ToCp1251(text);
  return path;
}

}  // namespace quillon::sim::testing
