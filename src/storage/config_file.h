#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "storage/storage_result.h"
#include "text/form_kind.h"

namespace tallivo {

// The first sequence number of both forms, before any Config.pcf exists.
constexpr std::int32_t kDefaultSequenceNumber = 1382401;

// The six values of "Config.pcf"; the defaults are those before any file exists.
struct Config {
    std::int32_t freightBillSn = kDefaultSequenceNumber;
    std::int32_t invoiceSn = kDefaultSequenceNumber;
    std::int32_t sourceSite = -1;          // 0 Taobao, 1 Paipai, 2 shipping info, -1 none
    std::int32_t defaultFreightBill = -1;  // template index, -1 none
    std::int32_t defaultInvoice = -1;
};

// ok tells whether `config` is to be applied; otherwise it holds the defaults and message says
// why. An index outside a box's items is the caller's to ignore.
struct ConfigLoad : StorageResult {
    Config config;
};

ConfigLoad ParseConfig(std::string_view bytes);
std::string FormatConfig(const Config& config);

// "Config.pcf" at any path, judged by its first megabyte.
ConfigLoad LoadConfigFile(const std::string& path);
ConfigLoad LoadConfig(const std::string& program_folder);
StorageResult SaveConfig(const std::string& program_folder, const Config& config);
// After pages were saved or printed, the next run or window goes on from `next`: moves the
// freight-bill or invoice number on to it, never back; the other values stay as on disk.
StorageResult AdvanceSequenceNumber(const std::string& program_folder, FormKind form,
                                    std::int32_t next);

}  // namespace tallivo
