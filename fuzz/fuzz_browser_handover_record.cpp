// The single-instance channel's record reader, fed whatever a peer on the socket may send, in
// pieces whose sizes the input also chooses.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "browser/handover_record.h"

using namespace tallivo::browser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte sets the piece size, so split deliveries are explored too.
    const std::size_t piece = data[0] % 16 + 1;
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    HandoverRecordReader split;
    while (!bytes.empty()) {
        const std::string_view part = bytes.substr(0, piece);
        bytes.remove_prefix(part.size());
        split.Feed(part);
    }
    HandoverRecordReader whole;
    whole.Feed(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

    // However the bytes came, the reader reaches the same record.
    if (split.state() != whole.state()) std::abort();
    if (whole.state() == HandoverRecordReader::State::kComplete) {
        const HandoverRecord& record = whole.record();
        if (record.tag != split.record().tag || record.text != split.record().text) std::abort();
        if (record.text.find('\0') != std::string::npos) std::abort();
        if (record.text.size() >= RecordLimit(record.tag)) std::abort();
        const auto again = EncodeHandoverRecord(record.tag, record.text);
        HandoverRecordReader reread;
        if (!again || reread.Feed(*again) != HandoverRecordReader::State::kComplete ||
            reread.record().text != record.text) {
            std::abort();
        }
    }
    return 0;
}
