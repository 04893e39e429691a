#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "storage/storage_result.h"

namespace tallivo {

// What a column of an export can stand for: the keywords, the address parts an export may
// split the address into, and the goods grid's columns.
enum class OrderField {
    kTrade,  // order number, also the goods rows' trade number
    kConsignee,
    kMobile,
    kTelephone,
    kAddress,
    kProvince,
    kCity,
    kDistrict,
    kStreet,
    kDetail,
    kPostCode,
    kBuyer,
    kSeller,
    kDelivery,
    kSite,
    kGoodsName,
    kQuantity,
    kUnitPrice,
    kPostage,
    kDiscount,   // added to the amount as it stands
    kReduction,  // a positive sum taken off: written into the grid as a negative discount
    kAmount,
};
constexpr int kOrderFieldCount = 22;

// The key in a profile file ("consignee", "post code" as "postcode", ...); nullopt for an
// unknown key.
const char* OrderFieldKey(OrderField field);
std::optional<OrderField> OrderFieldFromKey(const std::string& key);

// How one platform's export (or one seller's own file) names its columns. Profiles are JSON:
//   {"name": "...", "site": "淘宝网", "goodsList": false,
//    "columns": {"consignee": ["收货人姓名", "收货人"], ...},
//    "required": ["trade", "consignee"],
//    "header": [...]}                     // saved user profiles only
// Texts are UTF-8.
struct OrderProfile {
    std::string name;
    // The keyword {交易网站} for every order, unless a column gives it.
    std::string site;
    // A goods list: rows joined to the orders of another file by order number.
    bool goodsList = false;
    // Header names each field is found under, first match wins.
    std::map<OrderField, std::vector<std::string>> columns;
    // Fields whose columns must all be present for the profile to recognise a header.
    std::vector<OrderField> required;
    // A user profile is reused for files with exactly this header (any column order).
    std::vector<std::string> header;
    // The file it was loaded from.
    std::string path;
};

// The profile in `json`; nullopt with a GBK reason in `error`.
std::optional<OrderProfile> ParseProfile(const std::string& json, std::string* error);
std::string ProfileToJson(const OrderProfile& profile);

// The profiles in the "profiles" folders below `folders` (the installation's content folder,
// then the program folder), each folder once. Files that cannot be read are reported (GBK) and
// left out.
struct ProfileSet {
    std::vector<OrderProfile> profiles;
    std::vector<std::string> messages;
};
ProfileSet LoadProfiles(const std::vector<std::string>& folders);

// "<folder>/profiles".
std::string ProfilesFolder(const std::string& folder);

// Saves a user profile as "<programFolder>/profiles/<name>.json". A shipped profile of that
// file name is never replaced.
StorageResult SaveUserProfile(const std::string& programFolder, const OrderProfile& profile);

// The profile for a header: a user profile made for the same header first, then the profile
// whose required columns are all there and which finds the most fields; null for none, and
// null when two or more find as many: file order decides nothing, `tied` (when given) lists
// them. A required address is there as one column or as the detail of split ones.
const OrderProfile* MatchProfile(const std::vector<OrderProfile>& profiles,
                                 const std::vector<std::string>& header,
                                 std::vector<const OrderProfile*>* tied = nullptr);

// A profile file's text: regular files only, and no more than `maxBytes` whatever the file
// system says of its size (a device or /proc file reads as 0 bytes long). nullopt with a GBK
// reason in `error`.
std::optional<std::string> ReadProfileFile(const std::string& path, std::string* error,
                                           std::int64_t maxBytes = 1 << 20);

// Column index of each field of `profile` in `header`, -1 where absent.
std::vector<int> MapColumns(const OrderProfile& profile, const std::vector<std::string>& header);

}  // namespace tallivo
