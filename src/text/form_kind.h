#pragma once

#include <cstddef>

namespace tallivo {

// The two forms the program fills and prints. Files, the history and the command line keep
// their own spellings of it; see where each converts.
enum class FormKind { kFreightBill, kInvoice };

constexpr FormKind kFormKinds[] = {FormKind::kFreightBill, FormKind::kInvoice};

// For tables that hold one entry per form.
constexpr std::size_t FormIndex(FormKind form) {
    return form == FormKind::kInvoice ? 1 : 0;
}

// One value for each form, looked up by the form instead of kept as a pair of members.
template <typename T>
class PerForm {
public:
    T& operator[](FormKind form) { return items_[FormIndex(form)]; }
    const T& operator[](FormKind form) const { return items_[FormIndex(form)]; }

private:
    T items_[2]{};
};

}  // namespace tallivo
