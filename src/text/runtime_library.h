#pragma once

#include <cstring>
#include <mutex>
#include <string>

namespace tallivo {

// A shared library opened when a feature is first used instead of linked, so that a start that
// never needs it does not load it and everything it links. Never closed: what it handed out
// stays valid for the life of the process.
class RuntimeLibrary {
public:
    // False when the library is not there; error() says why.
    bool Open(const char* soname);

    // False when the library lacks `name`; error() says so.
    template <typename Function>
    bool Find(const char* name, Function* out) {
        void* symbol = Symbol(name);
        if (!symbol) return false;
        static_assert(sizeof(Function) == sizeof(symbol));
        std::memcpy(out, &symbol, sizeof symbol);
        return true;
    }

    const std::string& error() const { return error_; }

private:
    void* Symbol(const char* name);

    std::string soname_;
    std::string error_;
    void* handle_ = nullptr;
};

// The table of functions `fill` looks up in `soname`, opened on the first call from any thread and
// kept; null when the library or a function is missing, *error then saying why. One table per
// call site.
template <typename Table, typename Fill>
const Table* OpenOnce(const char* soname, Fill fill, std::string* error) {
    static std::once_flag once;
    static Table table;
    static const Table* opened = nullptr;
    static std::string failure;
    std::call_once(once, [&] {
        RuntimeLibrary library;
        if (library.Open(soname) && fill(library, table))
            opened = &table;
        else
            failure = library.error();
    });
    if (!opened && error) *error = failure;
    return opened;
}

}  // namespace tallivo
