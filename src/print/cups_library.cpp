#include "print/cups_library.h"

#include "text/runtime_library.h"

namespace tallivo {

const CupsLibrary* OpenCupsLibrary(std::string* error) {
    // The soname the CUPS 2 client library has kept since 2.0. Never closed: Qt's own CUPS plugin
    // may hold the same library.
    return OpenOnce<CupsLibrary>(
        "libcups.so.2",
        [](RuntimeLibrary& cups, CupsLibrary& l) {
            return cups.Find("cupsAddOption", &l.addOption) &&
                   cups.Find("cupsCancelJob2", &l.cancelJob2) &&
                   cups.Find("cupsDoRequest", &l.doRequest) &&
                   cups.Find("cupsFreeOptions", &l.freeOptions) &&
                   cups.Find("cupsLastErrorString", &l.lastErrorString) &&
                   cups.Find("cupsPrintFile2", &l.printFile2) && cups.Find("cupsUser", &l.user) &&
                   cups.Find("httpAssembleURIf", &l.httpAssembleURIf) &&
                   cups.Find("ippAddString", &l.ippAddString) &&
                   cups.Find("ippAddStrings", &l.ippAddStrings) &&
                   cups.Find("ippDelete", &l.ippDelete) &&
                   cups.Find("ippFindAttribute", &l.ippFindAttribute) &&
                   cups.Find("ippGetCount", &l.ippGetCount) &&
                   cups.Find("ippGetInteger", &l.ippGetInteger) &&
                   cups.Find("ippGetStatusCode", &l.ippGetStatusCode) &&
                   cups.Find("ippGetString", &l.ippGetString) &&
                   cups.Find("ippNewRequest", &l.ippNewRequest);
        },
        error);
}

}  // namespace tallivo
