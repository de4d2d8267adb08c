#pragma once
// Applying the scope window's property dialog: which texts it refuses, with the message the
// engineer sees and the field that gets the focus, and how the accepted texts enter the
// window's settings record.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scope/base_property.h"

namespace quillon {

class TView;

// Every variable of one memory area of the device file as the list of all parameters shows
// it: key + " : " + name + " - " + description.
std::vector<std::string> ViewParamList(const std::string& devPath, std::string_view area);
// A shown variable as the list of shown ones holds it; its first word is the key.
std::string ShownEntryText(const TView& variable);

// The dialog's fields as typed. Under MODBUS TCP the address field holds the IP address and
// the pause field the device address.
struct WindowPropertyFields {
  std::string winPath;
  std::string devPath;
  std::string protocol;
  std::string memArea;
  std::string comPort;
  std::string baud;
  std::string frameEnd;  // FrameEndEd
  std::string address;   // AddrEd
  std::string ipPort;    // edPort
};

enum class WindowPropertyField { WinPath, DevPath, FrameEnd, Address };

struct WindowPropertyRefusal {
  std::string message;
  WindowPropertyField focus;
};

// "Введите целое число в", a line break, "интервале 0...<high> !" when the text is not an
// integer from 0 to `high`.
std::optional<std::string> CheckIntegerRange(const std::string& text, int high);

// The pause (0..3000) and the address (0..255) of a serial protocol; MODBUS TCP takes any text.
std::optional<WindowPropertyRefusal> CheckLinkNumbers(const WindowPropertyFields& fields);

// The device file must exist and have section DEVICE.
std::optional<WindowPropertyRefusal> CheckDevicePath(const std::string& devPath);

// "Фаил <name> не существует !", a line break, "создать новый?".
std::string CreateScopeFileQuestion(const std::string& name);
// The name with ".scp" appended unless it already ends with it.
std::string WithScopeExtension(std::string name);

enum class WindowPropertyOutcome {
  Applied,    // the dialog closes; new-window mode ends
  AskCreate,  // ask `question`, then apply again with the answer
  Closed,     // "no" to the question: the dialog closes and nothing is applied
  Refused,    // the dialog stays open; show `refusal` and focus its field
};

struct WindowPropertyResult {
  WindowPropertyOutcome outcome = WindowPropertyOutcome::Applied;
  std::string question;
  WindowPropertyRefusal refusal;
};

// Applies the fields to the record as the dialog's "Применить" does. In new-window mode a
// scope file that does not exist is created once `createAnswer` says yes (without an answer
// the result asks for one), and its `devicepath` is written. Throws std::runtime_error when the
// new file cannot be written.
WindowPropertyResult ApplyWindowProperty(const WindowPropertyFields& fields, bool newWindow,
                                         std::optional<bool> createAnswer, TBaseProperty& property);

}  // namespace quillon
