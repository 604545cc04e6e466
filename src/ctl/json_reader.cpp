#include "ctl/json_reader.h"

namespace m8163::ctl {
namespace {

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    JsonValue document() {
        JsonValue value = parse(0);
        skipBlanks();
        if (at_ != text_.size())
            fail("text after the document");
        return value;
    }

  private:
    [[noreturn]] void fail(const std::string& why) const {
        throw JsonError(why + " at byte " + std::to_string(at_ + 1));
    }

    void skipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

    void expect(char c) {
        if (peek() != c)
            fail(at_ < text_.size() ? std::string("'") + c + "' expected" : "unexpected end");
        ++at_;
    }

    bool literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word)
            return false;
        at_ += word.size();
        return true;
    }

    JsonValue parse(std::size_t depth) {
        if (depth >= kJsonMaxDepth)
            fail("nested too deeply");
        skipBlanks();
        JsonValue value;
        const char c = peek();
        if (c == '{') {
            value.kind = JsonValue::Kind::Object;
            ++at_;
            skipBlanks();
            if (peek() == '}') {
                ++at_;
                return value;
            }
            for (;;) {
                skipBlanks();
                if (peek() != '"')
                    fail("a name in quotes expected");
                std::string name = string();
                skipBlanks();
                expect(':');
                value.members[name] = parse(depth + 1);
                skipBlanks();
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect('}');
                return value;
            }
        }
        if (c == '[') {
            value.kind = JsonValue::Kind::Array;
            ++at_;
            skipBlanks();
            if (peek() == ']') {
                ++at_;
                return value;
            }
            for (;;) {
                value.items.push_back(parse(depth + 1));
                skipBlanks();
                if (peek() == ',') {
                    ++at_;
                    continue;
                }
                expect(']');
                return value;
            }
        }
        if (c == '"') {
            value.kind = JsonValue::Kind::String;
            value.text = string();
            return value;
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            value.kind = JsonValue::Kind::Number;
            value.text = number();
            return value;
        }
        if (literal("true")) {
            value.kind = JsonValue::Kind::Boolean;
            value.boolean = true;
            return value;
        }
        if (literal("false")) {
            value.kind = JsonValue::Kind::Boolean;
            return value;
        }
        if (literal("null"))
            return value;
        fail(at_ < text_.size() ? "a value expected" : "unexpected end");
    }

    bool digit() const { return peek() >= '0' && peek() <= '9'; }

    void digits() {
        if (!digit())
            fail("a digit expected");
        while (digit())
            ++at_;
    }

    std::string number() {
        const std::size_t from = at_;
        if (peek() == '-')
            ++at_;
        if (peek() == '0')
            ++at_;
        else
            digits();
        if (peek() == '.') {
            ++at_;
            digits();
        }
        if (peek() == 'e' || peek() == 'E') {
            ++at_;
            if (peek() == '+' || peek() == '-')
                ++at_;
            digits();
        }
        return std::string(text_.substr(from, at_ - from));
    }

    unsigned hex4() {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = peek();
            unsigned nibble;
            if (c >= '0' && c <= '9')
                nibble = static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                nibble = static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                nibble = static_cast<unsigned>(c - 'A' + 10);
            else
                fail("four hexadecimal digits expected after \\u");
            value = value * 16 + nibble;
            ++at_;
        }
        return value;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // The escape after a backslash, as UTF-8.
    void escape(std::string& out) {
        const char c = peek();
        ++at_;
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out += c;
                return;
            case 'b':
                out += '\b';
                return;
            case 'f':
                out += '\f';
                return;
            case 'n':
                out += '\n';
                return;
            case 'r':
                out += '\r';
                return;
            case 't':
                out += '\t';
                return;
            case 'u':
                break;
            default:
                --at_;
                fail("unknown escape");
        }
        unsigned code = hex4();
        if (code >= 0xDC00 && code <= 0xDFFF)
            fail("a lone low surrogate");
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (!literal("\\u"))
                fail("a high surrogate without its low one");
            const unsigned low = hex4();
            if (low < 0xDC00 || low > 0xDFFF)
                fail("a high surrogate without its low one");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, code);
    }

    std::string string() {
        expect('"');
        std::string out;
        for (;;) {
            if (at_ >= text_.size())
                fail("unexpected end inside a string");
            const auto byte = static_cast<unsigned char>(text_[at_]);
            if (byte == '"') {
                ++at_;
                return out;
            }
            if (byte < 0x20)
                fail("a control character inside a string");
            ++at_;
            if (byte == '\\')
                escape(out);
            else
                out += static_cast<char>(byte);
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::member(std::string_view name) const {
    if (kind != Kind::Object)
        return nullptr;
    const auto found = members.find(std::string(name));
    return found == members.end() ? nullptr : &found->second;
}

JsonValue readJson(std::string_view text) {
    return Reader(text).document();
}

}  // namespace m8163::ctl
