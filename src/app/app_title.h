#pragma once

#include "browser/handover_channel.h"

namespace tallivo {

// The vendor's web address, opened by the Visit command and shown in the about text.
inline constexpr char kWebAddress[] = "http://www.tallivo.example.com/";

// The application title: the main window's caption, the task-bar text and the name the single
// running copy is found by. UTF-8.
using browser::kApplicationTitle;

}  // namespace tallivo
