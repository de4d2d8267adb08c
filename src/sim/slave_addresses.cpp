#include "sim/slave_addresses.h"

#include <algorithm>
#include <stdexcept>

namespace quillon::sim {
namespace {

constexpr int kLowest = 1;
constexpr int kHighest = 247;

std::invalid_argument AddressError(const std::string& text) {
  return std::invalid_argument(
      "--addr expects slave addresses from 1 to 247, one or a list such as 1,5,247 or 1-3,9 (got \"" + text + "\")");
}

int AddressOf(const std::string& digits, const std::string& whole) {
  if (digits.empty() || digits.size() > 3 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw AddressError(whole);
  const int value = std::stoi(digits);
  if (value < kLowest || value > kHighest) throw AddressError(whole);
  return value;
}

}  // namespace

std::vector<std::uint8_t> ParseSlaveAddresses(const std::string& text) {
  std::vector<std::uint8_t> addresses;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const std::size_t dash = item.find('-');
    const int low = AddressOf(item.substr(0, dash), text);
    const int high = dash == std::string::npos ? low : AddressOf(item.substr(dash + 1), text);
    if (high < low) throw AddressError(text);
    for (int address = low; address <= high; ++address) {
      if (std::find(addresses.begin(), addresses.end(), address) != addresses.end()) {
        throw std::invalid_argument("--addr names slave " + std::to_string(address) + " twice");
      }
      addresses.push_back(static_cast<std::uint8_t>(address));
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return addresses;
}

std::string IdentificationAt(const std::string& id, std::size_t position) {
  if (position == 0) return id;
  const std::size_t end = id.find(' ');
  const std::string serial = id.substr(0, end);
  if (serial.empty() || serial.size() > 18 ||
      !std::all_of(serial.begin(), serial.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    throw std::invalid_argument(
        "several addresses need an identification that starts with a serial number, so each controller gets its own; "
        "\"" +
        serial + "\" is none (give --id)");
  }
  std::string next = std::to_string(std::stoull(serial) + position);
  if (serial.size() > 1 && serial.front() == '0' && next.size() < serial.size()) {
    next.insert(0, serial.size() - next.size(), '0');
  }
  return next + (end == std::string::npos ? std::string() : id.substr(end));
}

std::string CardDirectoryAt(const std::string& directory, std::size_t position, std::uint8_t address) {
  if (position == 0) return directory;
  std::string base = directory;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "-" + std::to_string(address);
}

}  // namespace quillon::sim
