// Free-form shipping info as the third source of a form's values: what the recogniser found goes
// into the forms through the keywords a page's values go through.
#pragma once

#include <string>

#include "capture/capture_host.h"
#include "forms/form_values.h"
#include "orders/shipping_recogniser.h"

namespace tallivo {

// The recognised fields as GBK values; a field not found stays missing, so its keyword stays in
// the form. No buyer, seller, carrier or goods: shipping info names none.
FormValues ShippingInfoValues(const ShippingInfo& info);

// Whether the recogniser found any field at all.
bool FoundAnything(const ShippingInfo& info);

// The doubts for the seller, one a line (GBK); empty when there are none.
std::string ShippingInfoDoubtsMessage(const ShippingInfo& info);

// Find next with these values: on the freight bill the first box, in list order, that holds a
// keyword with a value; on the invoice the text from the search start. The earliest such keyword
// is selected and its value offered. False when there is none left.
bool FindValuedKeyword(CaptureHost& host, const FormValues& values);

}  // namespace tallivo
