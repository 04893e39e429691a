#pragma once

#include <string>

namespace tallivo {

// Appends one code point as UTF-8; the caller has checked that it is one.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace tallivo
