#include "orders/zip_library.h"

#include <mutex>

#include "text/runtime_library.h"

namespace tallivo {

const ZipLibrary* OpenZipLibrary(std::string* error) {
    static std::once_flag once;
    static ZipLibrary library;
    static const ZipLibrary* opened = nullptr;
    static std::string failure;
    std::call_once(once, [] {
        // The soname of the libzip built against, found at configure time: it changes between
        // releases.
        RuntimeLibrary zip;
        ZipLibrary& l = library;
        const bool found = zip.Open(TALLIVO_LIBZIP_SONAME) && zip.Find("zip_discard", &l.discard) &&
                           zip.Find("zip_fclose", &l.fclose) && zip.Find("zip_fopen", &l.fopen) &&
                           zip.Find("zip_fread", &l.fread) &&
                           zip.Find("zip_name_locate", &l.nameLocate) &&
                           zip.Find("zip_open", &l.open);
        if (found)
            opened = &library;
        else
            failure = zip.error();
    });
    if (!opened && error) *error = failure;
    return opened;
}

}  // namespace tallivo
