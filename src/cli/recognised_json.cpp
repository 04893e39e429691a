#include "cli/recognised_json.h"

#include "forms/workspace.h"

namespace tallivo {

void WriteRecognisedJson(JsonWriter& json, const ShippingInfo& info) {
    json.Key("recognised");
    json.BeginObject();
    const std::pair<const char*, QString> fields[] = {
        {"name", info.name},         {"mobile", info.mobile},     {"telephone", info.telephone},
        {"postcode", info.postcode}, {"province", info.province}, {"city", info.city},
        {"district", info.district}, {"detail", info.detail},     {"address", info.Address()}};
    for (const auto& [key, value] : fields) {
        json.Key(key);
        json.String(value.toStdString());
    }
    json.Key("doubts");
    json.BeginArray();
    for (const QString& doubt : info.doubts) json.String(doubt.toStdString());
    json.EndArray();
    json.EndObject();
}

std::vector<std::string> RecognisedDoubts(const FormsWorkspace& ws) {
    std::vector<std::string> doubts;
    const ShippingInfo& info = ws.RecognisedShippingInfo();
    if (!FoundAnything(info)) return doubts;
    for (const QString& doubt : info.doubts) doubts.push_back(doubt.toStdString());
    return doubts;
}

}  // namespace tallivo
