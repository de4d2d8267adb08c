#pragma once
// "База": every base value written to the controller in one frame. The frame covers the whole
// span of the variables; bytes no variable covers go out as 0xFF.
#include <cstdint>
#include <vector>

#include "device/device_parameters.h"

namespace quillon {

class Prompt;

// The memory image of the base values, indexed by controller address. A base value its variable
// refuses goes in as 0 and is told to `prompt`, once for each such variable.
std::vector<std::uint8_t> BaseImage(TViewList& list, Prompt& prompt);

// QuBUS: a FLASH write of the address span; MODBUS: a write of the register span at the device
// address. Throws std::runtime_error when the span does not fit one frame.
LinkFrame BuildImageWrite(TViewList& list, const LinkFieldTexts& fields, Prompt& prompt);

// QuBUS answers with the FLASH write code 0x12, MODBUS with a valid frame of function 16.
AnswerVerdict JudgeImageWriteAnswer(const LinkFieldTexts& fields, const std::vector<std::uint8_t>& request,
                                    const std::uint8_t* answer, std::size_t answerLen);

// "Контроллер": every base value becomes the controller's hex text; dependent variables then
// take their ratio from it. A variable whose controller value was not read keeps its base and
// ratio. A ratio that cannot be taken (a zero scale) is kept and told to `prompt`. Returns
// whether any base value changed.
bool CopyControllerToBase(DeviceParameters& parameters, Prompt& prompt);

}  // namespace quillon
