#include "cli/fill_orders.h"

#include <cstdio>
#include <filesystem>

#include "cli/cli_io.h"
#include "cli/commands.h"
#include "cli/fill_consignees.h"
#include "session/order_batch.h"
#include "storage/file_io.h"
#include "text/gbk_codec.h"

namespace tallivo {

namespace {

std::optional<OrderProfile> ChosenProfile(const std::string& wanted,
                                          const std::vector<OrderProfile>& profiles) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(wanted, ec)) {
        std::string error;
        const std::optional<std::string> json = ReadProfileFile(wanted, &error);
        std::optional<OrderProfile> profile;
        if (json) profile = ParseProfile(*json, &error);
        if (!profile) std::fprintf(stderr, "%s: %s\n", wanted.c_str(), GbkToUtf8(error).c_str());
        return profile;
    }
    for (const OrderProfile& p : profiles) {
        const std::string stem = std::filesystem::path(p.path).stem().string();
        if (p.name == wanted || stem == wanted) return p;
    }
    std::fprintf(stderr, "%s: no such profile file or profile name\n", wanted.c_str());
    return std::nullopt;
}

}  // namespace

std::optional<int> LoadFillOrders(const FillOptions& o, const std::string& programFolder,
                                  std::vector<Order>* orders, bool* partly) {
    // Text files hold consignees; they follow the exports' orders.
    std::vector<std::string> texts;
    for (const std::string& file : o.orderFiles)
        if (IsConsigneeFile(file)) texts.push_back(file);
    if (texts.size() == o.orderFiles.size()) return LoadConsigneeFiles(texts, orders, partly);
    if (!texts.empty()) {
        FillOptions exports = o;
        exports.orderFiles.clear();
        for (const std::string& file : o.orderFiles)
            if (!IsConsigneeFile(file)) exports.orderFiles.push_back(file);
        if (const std::optional<int> stop = LoadFillOrders(exports, programFolder, orders, partly))
            return stop;
        return LoadConsigneeFiles(texts, orders, partly);
    }
    const ProfileSet set = OrderProfiles(programFolder);
    for (const std::string& m : set.messages) PrintMessage(m);
    std::optional<OrderProfile> forced;
    if (!o.profile.empty()) {
        forced = ChosenProfile(o.profile, set.profiles);
        if (!forced) return kExitFailure;
    }
    OrdersRead read = ReadOrders(o.orderFiles, set.profiles, forced ? &*forced : nullptr);
    for (const std::string& m : read.messages) PrintMessage(m);
    // Filling the others would leave a gap in the run the user would not notice.
    for (const OrdersRead::Unrecognised& u : read.unrecognised) {
        const std::string header = HeaderText(u.header);
        if (!u.tied.empty()) {
            std::string names;
            for (const std::string& name : u.tied) names += (names.empty() ? "" : ", ") + name;
            std::fprintf(stderr,
                         "%s: the header fits the profiles %s equally well; give --profile "
                         "NAME|FILE\n",
                         u.file.c_str(), names.c_str());
            continue;
        }
        std::fprintf(stderr,
                     "%s: no profile recognises the header \"%s\"; give --profile NAME|FILE\n",
                     u.file.c_str(), header.c_str());
    }
    if (!read.unrecognised.empty()) return kExitFailure;
    if (!read.ok) {
        std::fprintf(stderr, "tallivo-cli: no order could be read\n");
        return kExitFailure;
    }
    *partly = !read.messages.empty();
    *orders = std::move(read.orders);
    return std::nullopt;
}

}  // namespace tallivo
