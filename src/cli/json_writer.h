// A small streaming JSON writer: keys and strings in UTF-8, commas placed for the caller.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(std::string_view key);
    void String(std::string_view utf8);
    void Int(long long v);
    void Bool(bool v);
    void Null();

    const std::string& Text() const { return out_; }
    void Clear();

private:
    void Separate();
    std::string out_;
    std::vector<bool> first_;  // per open container: nothing written in it yet
    bool afterKey_ = false;
};

// Escapes a UTF-8 text for a JSON string; bytes that are not UTF-8 become U+FFFD.
void AppendJsonString(std::string& out, std::string_view utf8);

}  // namespace tallivo
