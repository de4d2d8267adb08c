#pragma once
// Several controllers on one simulated line: the slave addresses of --addr, and what sets each
// controller apart from the first (its serial number, its card folder).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::sim {

// "1", "1,5,247", "1-3", "1-3,9": addresses from 1 to 247 in the order given, each once.
// Throws std::invalid_argument with a message for the user.
std::vector<std::uint8_t> ParseSlaveAddresses(const std::string& text);

// The identification of the controller at `position` in the list: the first token, a serial
// number, increased by `position`, keeping its width when it had leading zeros ("0099" + 1 is
// "0100"). Position 0 is the text itself. Throws std::invalid_argument when the first token is
// no decimal number, since then the controllers could not be told apart.
std::string IdentificationAt(const std::string& id, std::size_t position);

// The first address's card is DIR itself, every other one's DIR-<address>.
std::string CardDirectoryAt(const std::string& directory, std::size_t position, std::uint8_t address);

}  // namespace quillon::sim
