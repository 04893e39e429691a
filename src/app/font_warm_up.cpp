#include "app/font_warm_up.h"

#include <system_error>

#include "richtext/template_fonts.h"

namespace tallivo {

FontWarmUp::FontWarmUp() {
#ifdef TALLIVO_HAVE_FONTCONFIG
    // The configuration is built once per process and published atomically; Qt's own first call
    // then finds it in place, with the templates' family names.
    try {
        thread_ = std::thread([] { AddTemplateFontNames(); });
    } catch (const std::system_error&) {
        // No thread to spare: Qt reads the configuration itself, as without us.
    }
#endif
}

FontWarmUp::~FontWarmUp() {
    Wait();
}

void FontWarmUp::Wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace tallivo
