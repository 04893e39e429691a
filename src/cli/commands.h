// The two commands of tallivo-cli; each returns the exit status.
#pragma once

#include <QTextDocument>
#include <string>

#include "cli/cli_options.h"
#include "cli/json_writer.h"
#include "print/page_geometry.h"

namespace tallivo {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int RunFill(const FillOptions& options, const std::string& programFolder);
int RunShow(const ShowOptions& options);
int RunHistory(const HistoryOptions& options, const std::string& programFolder);

// Rich text as plain UTF-8, paragraphs joined by "\n".
std::string PlainTextUtf8(const QTextDocument& document);
std::string RtfPlainTextUtf8(const std::string& rtf);

// A field box as both commands show it.
void WriteBoxJson(JsonWriter& json, const FieldBoxGeometry& box, const std::string& textUtf8);

}  // namespace tallivo
