#pragma once

#include "tallivo_version.h"

namespace tallivo {

// The vendor's web address, opened by the Visit command and shown in the about text.
inline constexpr char kWebAddress[] = "http://www.tallivo.example.com/";

}  // namespace tallivo
