// Template exchange files chosen for import.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/exchange_files.h"

using namespace tallivo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (FormKind kind : {FormKind::kFreightBill, FormKind::kInvoice}) {
        ExchangeFileRead read = ParseExchangeFile(kind, bytes, "/tmp/x.pff");
        if (read.ok == !read.message.empty()) std::abort();
        if (read.record && !read.name) std::abort();
        if (read.image && !read.record) std::abort();
        if (read.ok) {
            std::string out =
                kind == FormKind::kFreightBill
                    ? FormatFreightBillExchangeFile(*read.name, *read.record, *read.image)
                    : FormatInvoiceExchangeFile(*read.name, *read.record);
            ExchangeFileRead again = ParseExchangeFile(kind, out, "/tmp/x.pff");
            if (!again.ok || again.name != read.name || again.record != read.record ||
                again.image != read.image) {
                std::abort();
            }
        }
    }
    return 0;
}
