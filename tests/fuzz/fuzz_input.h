#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

// What the fuzz targets share: a property that fails ends the run with its
// name (libFuzzer then saves the input that broke it), and the input read as
// a few choices at its front followed by the bytes under test.

namespace m8163::fuzz {

inline void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    // The next byte; 0 once the input is spent.
    std::uint8_t byte() {
        if (bytes_.empty())
            return 0;
        const std::uint8_t b = bytes_.front();
        bytes_ = bytes_.subspan(1);
        return b;
    }
    // The next `count` bytes, fewer where the input ends.
    std::span<const std::uint8_t> take(std::size_t count) {
        const auto taken = bytes_.first(std::min(count, bytes_.size()));
        bytes_ = bytes_.subspan(taken.size());
        return taken;
    }
    std::span<const std::uint8_t> rest() { return take(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }

  private:
    std::span<const std::uint8_t> bytes_;
};

inline std::string text(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

}  // namespace m8163::fuzz
