#pragma once

#include <zip.h>

#include <string>

namespace tallivo {

// The libzip functions the XLSX reader uses, from the library opened on first use. Linked
// directly, libzip brings libcrypto and libbz2 into every start of the window and the command
// line, a few milliseconds each time, for spreadsheets that are read now and then.
struct ZipLibrary {
    decltype(&::zip_discard) discard = nullptr;
    decltype(&::zip_fclose) fclose = nullptr;
    decltype(&::zip_fopen) fopen = nullptr;
    decltype(&::zip_fread) fread = nullptr;
    decltype(&::zip_get_error) getError = nullptr;
    decltype(&::zip_error_code_zip) errorCodeZip = nullptr;
    decltype(&::zip_name_locate) nameLocate = nullptr;
    decltype(&::zip_open) open = nullptr;
};

// Null when the library cannot be opened or lacks a function; *error then says why.
const ZipLibrary* OpenZipLibrary(std::string* error);

}  // namespace tallivo
