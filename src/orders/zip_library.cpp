#include "orders/zip_library.h"

#include "text/runtime_library.h"

namespace tallivo {

const ZipLibrary* OpenZipLibrary(std::string* error) {
    // The soname of the libzip built against, found at configure time: it changes between
    // releases.
    return OpenOnce<ZipLibrary>(
        TALLIVO_LIBZIP_SONAME,
        [](RuntimeLibrary& zip, ZipLibrary& l) {
            return zip.Find("zip_discard", &l.discard) && zip.Find("zip_fclose", &l.fclose) &&
                   zip.Find("zip_fopen", &l.fopen) && zip.Find("zip_fread", &l.fread) &&
                   zip.Find("zip_get_error", &l.getError) &&
                   zip.Find("zip_error_code_zip", &l.errorCodeZip) &&
                   zip.Find("zip_name_locate", &l.nameLocate) && zip.Find("zip_open", &l.open);
        },
        error);
}

}  // namespace tallivo
