#include "print/cups_library.h"

#include <mutex>

#include "text/runtime_library.h"

namespace tallivo {

const CupsLibrary* OpenCupsLibrary(std::string* error) {
    static std::once_flag once;
    static CupsLibrary library;
    static const CupsLibrary* opened = nullptr;
    static std::string failure;
    std::call_once(once, [] {
        // The soname the CUPS 2 client library has kept since 2.0. Never closed: Qt's own CUPS
        // plugin may hold the same library.
        RuntimeLibrary cups;
        CupsLibrary& l = library;
        const bool found =
            cups.Open("libcups.so.2") && cups.Find("cupsAddOption", &l.addOption) &&
            cups.Find("cupsCancelJob2", &l.cancelJob2) &&
            cups.Find("cupsDoRequest", &l.doRequest) &&
            cups.Find("cupsFreeOptions", &l.freeOptions) &&
            cups.Find("cupsLastErrorString", &l.lastErrorString) &&
            cups.Find("cupsPrintFile2", &l.printFile2) && cups.Find("cupsUser", &l.user) &&
            cups.Find("httpAssembleURIf", &l.httpAssembleURIf) &&
            cups.Find("ippAddString", &l.ippAddString) &&
            cups.Find("ippAddStrings", &l.ippAddStrings) && cups.Find("ippDelete", &l.ippDelete) &&
            cups.Find("ippFindAttribute", &l.ippFindAttribute) &&
            cups.Find("ippGetCount", &l.ippGetCount) &&
            cups.Find("ippGetInteger", &l.ippGetInteger) &&
            cups.Find("ippGetStatusCode", &l.ippGetStatusCode) &&
            cups.Find("ippGetString", &l.ippGetString) &&
            cups.Find("ippNewRequest", &l.ippNewRequest);
        if (found)
            opened = &library;
        else
            failure = cups.error();
    });
    if (!opened && error) *error = failure;
    return opened;
}

}  // namespace tallivo
