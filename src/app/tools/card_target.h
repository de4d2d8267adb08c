#pragma once
// How the tools that talk to the memory card reach it from their link settings.
#include <cstdint>
#include <string>

#include "link/endpoint.h"
#include "scope/base_property.h"

namespace quillon {

// The device address of the link settings; 1 when it does not read as 0..255.
std::uint8_t CardAddressOf(const TBaseProperty& link);

// The card's place: under a TCP kind the IP address and TCP port, otherwise the serial port
// with its bit rate and frame-end pause (8 ms when empty); the address as CardAddressOf reads it.
Endpoint CardEndpointFor(const TBaseProperty& link);

}  // namespace quillon
