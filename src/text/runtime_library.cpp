#include "text/runtime_library.h"

#include <dlfcn.h>

namespace tallivo {

bool RuntimeLibrary::Open(const char* soname) {
    soname_ = soname;
    // RTLD_LOCAL: its symbols stay out of the way of the libraries linked at start.
    handle_ = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = ::dlerror();
        error_ = why ? why : soname_ + " could not be opened";
    }
    return handle_ != nullptr;
}

void* RuntimeLibrary::Symbol(const char* name) {
    void* symbol = handle_ ? ::dlsym(handle_, name) : nullptr;
    if (!symbol) error_ = soname_ + " has no " + name;
    return symbol;
}

}  // namespace tallivo
