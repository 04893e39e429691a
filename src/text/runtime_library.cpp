#include "text/runtime_library.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tallivo {

#ifdef _WIN32

bool RuntimeLibrary::Open(const char* soname) {
    soname_ = soname;
    // No message box when the DLL is missing: the caller reports it.
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    handle_ = reinterpret_cast<void*>(::LoadLibraryA(soname));
    ::SetErrorMode(oldMode);
    if (!handle_) {
        error_ = soname_ + " could not be opened (error " + std::to_string(::GetLastError()) + ")";
    }
    return handle_ != nullptr;
}

void* RuntimeLibrary::Symbol(const char* name) {
    FARPROC proc = handle_ ? ::GetProcAddress(static_cast<HMODULE>(handle_), name) : nullptr;
    void* symbol = nullptr;
    static_assert(sizeof proc == sizeof symbol);
    std::memcpy(&symbol, &proc, sizeof symbol);
    if (!symbol) error_ = soname_ + " has no " + name;
    return symbol;
}

#else

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

#endif

}  // namespace tallivo
