#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/message_boxes.h"
#include "protocol/exchange_result.h"

// The user's words for a failed exchange: one warning box with a single OK,
// chosen by the first rule that matches. An exception reported by the device
// goes before any fault of the link.

namespace m8163 {

// The box for this outcome, or none when no failure bit is set.
std::optional<MessageBox> exchangeFailureBox(const ExchangeStatus& status);

// The meaning of a device exception code: the box text for codes 1 ... 4,
// "Ошибка устройства N" for any other.
std::string deviceExceptionText(std::uint8_t code);

// Every fault of the outcome in the same words and order as the box looks
// at them, the box's own first: the device's exception, then each link
// fault that is set. Empty for a normal exchange.
std::vector<std::string> exchangeFailureTexts(const ExchangeStatus& status);

// Shows that box, if any, and returns when the user has closed it.
void reportExchangeFailure(MessageBoxes& boxes, const ExchangeStatus& status);

}  // namespace m8163
