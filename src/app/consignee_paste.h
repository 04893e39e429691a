// The order list's consignees pasted or dropped as text: each one an order, and the mark that
// asks the seller to check what the recogniser doubted.
#pragma once

#include <QString>
#include <QVariant>
#include <string>
#include <vector>

#include "app/order_list_model.h"
#include "text/message_sink.h"

namespace tallivo {

// Splits the text into consignees and lists each as an order after those listed; says what was
// left out, or that no consignee was found. Returns how many were added.
int AddConsignees(OrderListModel& model, Prompter& prompter, const QString& text,
                  const std::string& source);
// The same for text files (GBK or UTF-8).
int AddConsigneeFiles(OrderListModel& model, Prompter& prompter,
                      const std::vector<std::string>& files);
// Whether a file dropped or opened holds consignees rather than an export.
bool IsConsigneeTextFile(const std::string& path);

// For an order the recogniser doubted: a warning mark (decoration) and its doubts (tool tip)
// on the consignee's cell; invalid otherwise.
QVariant ConsigneeDoubtMark(const Order& order, int role);

}  // namespace tallivo
