#include "sim/line.h"

#include <algorithm>
#include <map>

namespace m8163::sim {

namespace {

constexpr std::uint8_t kExtraByte = 0x55;
constexpr std::uint8_t kWriteFunction = 0x10;

bool touches(const Fault& fault, std::span<const std::uint8_t> pdu) {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    if (!ModuleModel::requestRange(pdu, first, last))
        return false;
    return first <= fault.last && last >= fault.first;
}

}  // namespace

Line::Line(std::vector<ModuleModel> modules, std::uint32_t seed)
    : modules_(std::move(modules)), random_(seed) {
    if (modules_.empty())
        modules_.emplace_back();
}

ModuleModel* Line::find(int address) {
    for (ModuleModel& module : modules_) {
        if (module.address() == address)
            return &module;
    }
    return nullptr;
}

bool Line::strikes(Fault& fault) {
    if (fault.count == 0)
        return false;
    if (fault.every > 1 && ++fault.seen % fault.every != 0)
        return false;
    if (fault.probability < 1.0) {
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        if (chance(random_) >= fault.probability)
            return false;
    }
    if (fault.count > 0)
        --fault.count;
    return true;
}

Reply Line::handle(std::span<const std::uint8_t> frame, const LineFormat& format, double seconds) {
    Reply reply;
    if (frame.size() < 4 || !crcMatches(frame)) {
        ++badFrames_;
        return reply;
    }
    const std::uint8_t address = frame[0];
    std::span<const std::uint8_t> pdu = frame.subspan(1, frame.size() - 3);

    for (ModuleModel& module : modules_) {
        if (module.format() != format)
            continue;  // it hears only noise
        if (address != 0 && address != module.address())
            continue;
        ++module.counters.requests;
        module.updateMeasurement(seconds);

        if (address == 0) {
            // A broadcast: writes are carried out, nothing is answered.
            if (pdu[0] == kWriteFunction)
                module.execute(pdu);
        } else {
            answer(module, address, pdu, reply);
        }
        if (module.blinked) {
            module.blinked = false;
            reply.events.push_back("BLINK module " + std::to_string(module.address()) + " count " +
                                   std::to_string(module.counters.blinks));
        }
        module.updateMeasurement(seconds);
    }
    return reply;
}

void Line::answer(ModuleModel& module, std::uint8_t address, std::span<const std::uint8_t> pdu,
                  Reply& reply) {
    // Which faults strike this request, by kind; spent ones are dropped.
    std::map<FaultKind, int> struck;
    for (Fault& fault : module.faults) {
        if (fault.kind == FaultKind::Exception && !touches(fault, pdu))
            continue;
        if (fault.kind == FaultKind::KeepOld && (pdu[0] != kWriteFunction || !touches(fault, pdu)))
            continue;
        if (strikes(fault))
            struck.emplace(fault.kind, std::max(0, fault.amount));
    }
    std::erase_if(module.faults, [](const Fault& f) { return f.count == 0; });
    auto has = [&](FaultKind kind) { return struck.contains(kind); };
    auto amount = [&](FaultKind kind) { return static_cast<std::size_t>(struck.at(kind)); };

    if (has(FaultKind::Silence))
        return;
    std::vector<std::uint8_t> bytes = {address};
    if (has(FaultKind::Exception)) {
        bytes.push_back(static_cast<std::uint8_t>(pdu[0] | 0x80));
        bytes.push_back(static_cast<std::uint8_t>(amount(FaultKind::Exception)));
    } else if (has(FaultKind::KeepOld)) {
        // The reply a module gives that carries the write out, from a copy
        // of it: the module itself keeps what it held.
        ModuleModel copy = module;
        std::vector<std::uint8_t> out = copy.execute(pdu);
        bytes.insert(bytes.end(), out.begin(), out.end());
    } else {
        std::vector<std::uint8_t> out = module.execute(pdu);
        bytes.insert(bytes.end(), out.begin(), out.end());
    }
    if (has(FaultKind::WrongAddress))
        bytes[0] = static_cast<std::uint8_t>(address + 1);
    appendCrc(bytes);
    if (has(FaultKind::CorruptCrc))
        bytes[bytes.size() - 2] ^= 0x5A;
    if (has(FaultKind::Truncate))
        bytes.resize(bytes.size() - std::min(amount(FaultKind::Truncate), bytes.size()));
    if (has(FaultKind::ExtraBytes))
        bytes.insert(bytes.end(), amount(FaultKind::ExtraBytes), kExtraByte);
    if (has(FaultKind::Delay))
        reply.delay += std::chrono::milliseconds(amount(FaultKind::Delay));
    if (has(FaultKind::Gap) && reply.bytes.empty()) {
        reply.gap = std::chrono::milliseconds(amount(FaultKind::Gap));
        reply.gapAfter = bytes.size() / 2;
    }
    if (!bytes.empty())
        ++module.counters.replies;
    reply.bytes.insert(reply.bytes.end(), bytes.begin(), bytes.end());
}

}  // namespace m8163::sim
