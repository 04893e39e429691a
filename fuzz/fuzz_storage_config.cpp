// "Config.pcf" as any file may hold it.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/config_file.h"

using namespace tallivo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ConfigLoad load = ParseConfig(bytes);
    if (load.ok != load.message.empty()) std::abort();
    if (load.ok) {
        ConfigLoad again = ParseConfig(FormatConfig(load.config));
        if (!again.ok || again.config.freight_bill_sn != load.config.freight_bill_sn ||
            again.config.invoice_sn != load.config.invoice_sn ||
            again.config.source_site != load.config.source_site ||
            again.config.default_freight_bill != load.config.default_freight_bill ||
            again.config.default_invoice != load.config.default_invoice) {
            std::abort();
        }
    }
    return 0;
}
