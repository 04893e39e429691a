#include "print/cups_library.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>

namespace tallivo {

namespace {

// The soname the CUPS 2 client library has kept since 2.0.
constexpr char kCupsSoname[] = "libcups.so.2";

template <typename Function>
bool Find(void* handle, const char* name, Function* out, std::string* failure) {
    void* symbol = ::dlsym(handle, name);
    if (!symbol) {
        *failure = std::string(kCupsSoname) + " has no " + name;
        return false;
    }
    static_assert(sizeof(Function) == sizeof(symbol));
    std::memcpy(out, &symbol, sizeof symbol);
    return true;
}

}  // namespace

const CupsLibrary* OpenCupsLibrary(std::string* error) {
    static std::once_flag once;
    static CupsLibrary library;
    static const CupsLibrary* opened = nullptr;
    static std::string failure;
    std::call_once(once, [] {
        // Never closed: Qt's own CUPS plugin may hold the same library.
        void* handle = ::dlopen(kCupsSoname, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            failure = why ? why : kCupsSoname;
            return;
        }
        CupsLibrary& l = library;
        std::string* f = &failure;
        const bool found = Find(handle, "cupsAddOption", &l.addOption, f) &&
                           Find(handle, "cupsCancelJob2", &l.cancelJob2, f) &&
                           Find(handle, "cupsDoRequest", &l.doRequest, f) &&
                           Find(handle, "cupsFreeOptions", &l.freeOptions, f) &&
                           Find(handle, "cupsLastErrorString", &l.lastErrorString, f) &&
                           Find(handle, "cupsPrintFile2", &l.printFile2, f) &&
                           Find(handle, "cupsUser", &l.user, f) &&
                           Find(handle, "httpAssembleURIf", &l.httpAssembleURIf, f) &&
                           Find(handle, "ippAddString", &l.ippAddString, f) &&
                           Find(handle, "ippAddStrings", &l.ippAddStrings, f) &&
                           Find(handle, "ippDelete", &l.ippDelete, f) &&
                           Find(handle, "ippFindAttribute", &l.ippFindAttribute, f) &&
                           Find(handle, "ippGetCount", &l.ippGetCount, f) &&
                           Find(handle, "ippGetInteger", &l.ippGetInteger, f) &&
                           Find(handle, "ippGetStatusCode", &l.ippGetStatusCode, f) &&
                           Find(handle, "ippGetString", &l.ippGetString, f) &&
                           Find(handle, "ippNewRequest", &l.ippNewRequest, f);
        if (found) opened = &library;
    });
    if (!opened && error) *error = failure;
    return opened;
}

}  // namespace tallivo
