#pragma once

#include <string>

namespace tallivo {

// The outcome of a storage operation. A non-empty message is GBK text for the user, shown as it
// is; it may come with ok == true (a warning) or ok == false (the operation failed or stopped).
struct StorageResult {
    bool ok = false;
    std::string message;
};

// Shown when a buffer cannot be allocated.
const std::string& OutOfMemoryMessage();

}  // namespace tallivo
