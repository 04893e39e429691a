#include "cli/json_writer.h"

#include <cstdio>

namespace tallivo {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = 0;
    unsigned int min = 0, cp = 0;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view s) {
    out += '"';
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            const size_t n = Utf8SequenceLength(s, i);
            if (n == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
            } else {
                out.append(s.data() + i, n);
                i += n;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
}

void JsonWriter::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_.empty()) {
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
}

void JsonWriter::BeginObject() {
    Separate();
    out_ += '{';
    first_.push_back(true);
}

void JsonWriter::EndObject() {
    out_ += '}';
    if (!first_.empty()) first_.pop_back();
}

void JsonWriter::BeginArray() {
    Separate();
    out_ += '[';
    first_.push_back(true);
}

void JsonWriter::EndArray() {
    out_ += ']';
    if (!first_.empty()) first_.pop_back();
}

void JsonWriter::Key(std::string_view key) {
    Separate();
    AppendJsonString(out_, key);
    out_ += ':';
    afterKey_ = true;
}

void JsonWriter::String(std::string_view utf8) {
    Separate();
    AppendJsonString(out_, utf8);
}

void JsonWriter::Int(long long v) {
    Separate();
    out_ += std::to_string(v);
}

void JsonWriter::Bool(bool v) {
    Separate();
    out_ += v ? "true" : "false";
}

void JsonWriter::Null() {
    Separate();
    out_ += "null";
}

void JsonWriter::Clear() {
    out_.clear();
    first_.clear();
    afterKey_ = false;
}

}  // namespace tallivo
