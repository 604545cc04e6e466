#pragma once

// Sets the refresh guard while the program moves values between data and
// controls, and gives back the value it had, so that a refresh run inside
// another leaves the outer one's guard standing.

namespace m8163 {

class RefreshGuardScope {
  public:
    explicit RefreshGuardScope(bool& guard) : guard_(guard), before_(guard) { guard_ = true; }
    ~RefreshGuardScope() { guard_ = before_; }
    RefreshGuardScope(const RefreshGuardScope&) = delete;
    RefreshGuardScope& operator=(const RefreshGuardScope&) = delete;

  private:
    bool& guard_;
    bool before_;
};

}  // namespace m8163
