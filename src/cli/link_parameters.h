#pragma once
// The parameter table's exchanges, driven from the command line: read the set, write one value,
// write the whole base image, and the rows that show base beside controller.
#include <string>

#include "cli/link_session.h"
#include "device/device_parameters.h"

namespace quillon::cli {

// Loads the set ("FLASH", "CD" or "RAM") of the device file. Throws std::runtime_error when the
// file does not exist; lines that cannot be read are reported on stderr and skipped.
void LoadParameters(DeviceParameters& parameters, const std::string& path, const std::string& set);

// Reads the parameter span into the value buffer as the main window does. Throws LinkFailure with
// its message, std::runtime_error when the span does not fit one request.
void ReadParameters(LinkSession& session, DeviceParameters& parameters);

// Writes the value typed as in the variable's controller cell; the buffer must hold a read (a
// bit's other bits and a byte's register neighbour come from it). The write answer is not
// examined: the read that follows shows what the controller holds. Throws
// std::invalid_argument for a value the variable refuses.
void WriteValue(LinkSession& session, DeviceParameters& parameters, TView& variable, const std::string& text);

// Writes every base value in one frame, as the "База" header does. Throws LinkFailure.
void WriteBaseImage(LinkSession& session, DeviceParameters& parameters);

// key, name, base hex, base physical, controller hex, controller physical and SAME or DIFF,
// TAB-separated; "-" for a variable without a cell in the controller.
std::string ParameterRow(TView& variable, bool read);
std::string ParameterRows(DeviceParameters& parameters);

}  // namespace quillon::cli
