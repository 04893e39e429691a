// A template the command line names by file instead of by its name in a store.
#pragma once

#include <optional>
#include <string>

#include "storage/storage_result.h"
#include "storage/template_store.h"

namespace tallivo {

struct TemplateSource {
    std::string record;                       // template record, or a whole document file
    std::optional<std::string> embeddedJpeg;  // the picture of a .pff exchange file
    bool isInvoiceDocument = false;           // record is a whole .pin file, grid included
};

// ok and a source: usable, perhaps with a message about damage after what was read. No source:
// the file could not be used, and the message says why. usage: the file is of the other form.
struct TemplateSourceRead : StorageResult {
    std::optional<TemplateSource> source;
    bool wrongForm = false;
};

// Whether the path names a template file by its extension (.pff, .pif, .pfb, .pin).
bool IsTemplateFileName(const std::string& path);

// Reads an exchange file or a document of `kind` as a template source.
TemplateSourceRead ReadTemplateSource(FormKind kind, const std::string& path);

}  // namespace tallivo
