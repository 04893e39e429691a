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
        if (!again.ok || again.config.freightBillSn != load.config.freightBillSn ||
            again.config.invoiceSn != load.config.invoiceSn ||
            again.config.sourceSite != load.config.sourceSite ||
            again.config.defaultFreightBill != load.config.defaultFreightBill ||
            again.config.defaultInvoice != load.config.defaultInvoice) {
            std::abort();
        }
    }
    return 0;
}
