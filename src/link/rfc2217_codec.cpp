#include "link/rfc2217_codec.h"

namespace m8163 {
namespace {

using namespace telnet;

// The options this client takes on, on its own side and on the server's.
bool supported(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPortOption;
}

void appendVerb(Rfc2217Codec::Bytes& out, std::uint8_t verb, std::uint8_t option) {
    out.push_back(kIac);
    out.push_back(verb);
    out.push_back(option);
}

}  // namespace

Rfc2217Codec::Bytes Rfc2217Codec::greeting() {
    Bytes out;
    for (std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        appendVerb(out, kWill, option);
        us_[option].asked = true;
        appendVerb(out, kDo, option);
        them_[option].asked = true;
    }
    appendVerb(out, kWill, kComPortOption);
    us_[kComPortOption].asked = true;
    return out;
}

void Rfc2217Codec::escape(const std::uint8_t* data, std::size_t size, Bytes& out) {
    out.reserve(out.size() + size);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(data[i]);
        if (data[i] == kIac)
            out.push_back(kIac);
    }
}

Rfc2217Codec::Bytes Rfc2217Codec::command(std::uint8_t code, const Bytes& value) {
    Bytes out = {kIac, kSb, kComPortOption, code};
    escape(value.data(), value.size(), out);
    out.insert(out.end(), {kIac, kSe});
    return out;
}

// The rate goes high byte first, as the option's commands carry numbers.
Rfc2217Codec::Bytes Rfc2217Codec::setBaudRate(std::uint32_t bitRate) {
    return command(
        comport::kSetBaudRate,
        {static_cast<std::uint8_t>(bitRate >> 24), static_cast<std::uint8_t>(bitRate >> 16),
         static_cast<std::uint8_t>(bitRate >> 8), static_cast<std::uint8_t>(bitRate)});
}

Rfc2217Codec::Bytes Rfc2217Codec::setParity(Parity parity) {
    // The option's codes: 1 none, 2 odd, 3 even.
    std::uint8_t value = 1;
    if (parity == Parity::Odd)
        value = 2;
    else if (parity == Parity::Even)
        value = 3;
    return command(comport::kSetParity, {value});
}

void Rfc2217Codec::receive(const std::uint8_t* bytes, std::size_t size, Bytes& data,
                           Bytes& answers) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = bytes[i];
        switch (state_) {
            case State::Data:
                if (b == kIac)
                    state_ = State::Iac;
                else
                    data.push_back(b);
                break;
            case State::Iac:
                if (b == kIac) {
                    data.push_back(b);
                    state_ = State::Data;
                } else if (b == kSb) {
                    state_ = State::SubOption;
                } else if (b >= kWill && b <= kDont) {
                    verb_ = b;
                    state_ = State::Verb;
                } else {
                    state_ = State::Data;  // NOP, go-ahead and the like: nothing to do
                }
                break;
            case State::Verb:
                negotiate(verb_, b, answers);
                state_ = State::Data;
                break;
            case State::SubOption:
                subOption_ = b;
                sub_.clear();
                state_ = State::SubData;
                break;
            case State::SubData:
                if (b == kIac)
                    state_ = State::SubIac;
                else
                    sub_.push_back(b);
                break;
            case State::SubIac:
                if (b == kIac) {
                    sub_.push_back(b);
                    state_ = State::SubData;
                } else {
                    // IAC SE ends it; any other command ends it as well, and
                    // is then taken as the command it is.
                    endSubNegotiation();
                    state_ = State::Iac;
                    if (b == kSe)
                        state_ = State::Data;
                    else
                        --i;
                }
                break;
        }
    }
}

// Answers only what changes an option's state, so that two sides that
// agree never echo each other's answers back and forth.
void Rfc2217Codec::negotiate(std::uint8_t verb, std::uint8_t option, Bytes& answers) {
    OptionState& mine = us_[option];
    OptionState& theirs = them_[option];
    switch (verb) {
        case kDo:
            if (!supported(option)) {
                appendVerb(answers, kWont, option);
                break;
            }
            if (!mine.on && !mine.asked)
                appendVerb(answers, kWill, option);
            mine.on = true;
            mine.asked = false;
            if (option == kComPortOption)
                agreement_ = ComPortAgreement::Accepted;
            break;
        case kDont:
            if (mine.on)
                appendVerb(answers, kWont, option);
            mine.on = false;
            mine.asked = false;
            if (option == kComPortOption)
                agreement_ = ComPortAgreement::Refused;
            break;
        case kWill:
            if (!supported(option)) {
                appendVerb(answers, kDont, option);
                break;
            }
            if (!theirs.on && !theirs.asked)
                appendVerb(answers, kDo, option);
            theirs.on = true;
            theirs.asked = false;
            break;
        case kWont:
            if (theirs.on)
                appendVerb(answers, kDont, option);
            theirs.on = false;
            theirs.asked = false;
            break;
        default:
            break;
    }
}

void Rfc2217Codec::endSubNegotiation() {
    if (subOption_ != kComPortOption || sub_.empty() || sub_[0] <= comport::kServerReply)
        return;
    const std::uint8_t code = static_cast<std::uint8_t>(sub_[0] - comport::kServerReply);
    ++replies_[code];
    lastReply_[code].assign(sub_.begin() + 1, sub_.end());
    if (code == comport::kNotifyLineState && sub_.size() > 1) {
        lineErrors_ |= sub_[1] & (comport::kLineOverrun | comport::kLineParity |
                                  comport::kLineFraming | comport::kLineBreak);
    }
}

std::uint8_t Rfc2217Codec::takeLineErrors() {
    const std::uint8_t errors = lineErrors_;
    lineErrors_ = 0;
    return errors;
}

}  // namespace m8163
