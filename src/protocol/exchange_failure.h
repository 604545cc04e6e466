#pragma once

#include <optional>

#include "base/message_boxes.h"
#include "protocol/exchange_result.h"

// The user's words for a failed exchange: one warning box with a single OK,
// chosen by the first rule that matches. An exception reported by the device
// goes before any fault of the link.

namespace m8163 {

// The box for this outcome, or none when no failure bit is set.
std::optional<MessageBox> exchangeFailureBox(const ExchangeStatus& status);

// Shows that box, if any, and returns when the user has closed it.
void reportExchangeFailure(MessageBoxes& boxes, const ExchangeStatus& status);

}  // namespace m8163
