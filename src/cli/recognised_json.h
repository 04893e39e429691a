// What tallivo-cli says about free-form shipping info.
#pragma once

#include <string>
#include <vector>

#include "cli/json_writer.h"
#include "orders/shipping_recogniser.h"

namespace tallivo {

class FormsWorkspace;

// The key "recognised" and its object: every field (empty when not found), the written address
// and the doubts.
void WriteRecognisedJson(JsonWriter& json, const ShippingInfo& info);

// The doubts about the workspace's input text, UTF-8, when it recognised something; when it
// found nothing the run has already said so.
std::vector<std::string> RecognisedDoubts(const FormsWorkspace& ws);

}  // namespace tallivo
