// What the history stores of a text: a server refuses a NUL and index entries past a few
// kilobytes, and one such record must never stop the others. Lookups bound their keys the same
// way, so a bounded record is still found.
#pragma once

#include <QString>
#include <string>

namespace tallivo {

// Characters kept of a trade number, and of the longest text (the address).
constexpr int kMostTradeChars = 100;
constexpr int kMostAddressChars = 1000;
constexpr int kMostTextChars = 200;

// The GBK text as stored: NULs dropped, cut to `most` characters without splitting a pair.
QString StoredText(const std::string& gbk, int most = kMostTextChars);
QString StoredTrade(const std::string& gbk);

}  // namespace tallivo
