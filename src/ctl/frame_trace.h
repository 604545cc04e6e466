#pragma once

#include <ostream>

#include "protocol/exchange_observer.h"

// m8163ctl -v: every request and reply as one decoded line on a stream
// (stderr), so that the command's own output stays as it is.

namespace m8163::ctl {

class FrameTrace final : public ExchangeObserver {
  public:
    explicit FrameTrace(std::ostream& out) : out_(out) {}
    void requestSent(const SentFrame& frame) override;
    void replyReceived(const ReceivedFrame& frame) override;

  private:
    std::ostream& out_;
};

}  // namespace m8163::ctl
