#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tallivo::testing {

// The bytes of tests/data/capture/<name> (GBK pages). Needs TALLIVO_CAPTURE_DATA.
inline std::string ReadCaptureFixture(const std::string& name) {
    std::ifstream in(std::string(TALLIVO_CAPTURE_DATA) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tallivo::testing
