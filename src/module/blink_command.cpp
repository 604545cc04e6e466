#include "module/blink_command.h"

#include <array>
#include <cstdint>

#include "module/register_image.h"

namespace m8163 {

ExchangeStatus blinkModule(const ModbusLine& line) {
    const std::array<std::uint16_t, 1> command = {1};
    return writeRegisters(line, reg::kBlinkCommand, command);
}

}  // namespace m8163
