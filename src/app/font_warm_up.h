#pragma once

#include <thread>

namespace tallivo {

// Reads the system's font configuration on the second core while the window's other parts are
// prepared, so that the first widget to measure text does not wait for it.
// Joins when it goes: before the window is built, and on every early return.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void Wait();

private:
    std::thread thread_;
};

}  // namespace tallivo
