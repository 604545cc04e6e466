#include "link/line_format.h"

#include <algorithm>

namespace m8163 {
namespace {

template <typename Matches>
const LineFormat* findFormat(Matches matches) {
    const auto* found = std::find_if(kLineFormats.begin(), kLineFormats.end(), matches);
    return found == kLineFormats.end() ? nullptr : found;
}

}  // namespace

const LineFormat* lineFormatByBitRate(int bitRate) {
    return findFormat([bitRate](const LineFormat& f) { return f.bitRate == bitRate; });
}

const LineFormat* lineFormatByModuleCode(int code) {
    return findFormat([code](const LineFormat& f) { return f.moduleCode == code; });
}

const LineFormat* lineFormatByListIndex(int index) {
    return findFormat([index](const LineFormat& f) { return f.listIndex == index; });
}

const LineFormat& timingFormat(int bitRate) {
    const LineFormat* format = &kLineFormats.front();
    for (const LineFormat& f : kLineFormats) {
        if (f.bitRate <= bitRate)
            format = &f;
    }
    return *format;
}

}  // namespace m8163
