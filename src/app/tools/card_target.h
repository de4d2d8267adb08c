#pragma once
// How the tools that talk to the memory card reach it from their link settings.
#include <cstdint>
#include <string>

#include "card/card_link.h"
#include "scope/base_property.h"

namespace quillon {

class LinkHub;

// The device address of the link settings; 1 when it does not read as 0..255.
std::uint8_t CardAddressOf(const TBaseProperty& link);

// The card's place: under "MODBUS TCP" the IP address and TCP port, otherwise the serial port
// with its bit rate and frame-end pause (8 ms when empty).
CardTarget CardTargetFor(const TBaseProperty& link, const std::string& programDirectory);

// The registries the main window installed; null where none is (the program is going away).
CardRegistries RegistriesOf(LinkHub& hub);

}  // namespace quillon
