// The check of one quote line from a terminal, before anything of it is published:
// "symbol;bid;ask;last;time;volume", then optionally the day's high and low of the bid.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tickwell {

// The places of a line: symbol, bid, ask, last, time, volume, then the optional high and low
// (empty when the line has none). They point into the line's text.
using TQuoteFields = std::array<std::string_view, 8>;

// Cuts the line's first eight places and checks them, in one pass and without copies. The first
// six must be filled; the prices (bid, ask, last, and the high and low when present) must be
// decimal numbers with a point, a minus allowed; the volume such a number without the minus;
// the time a whole number of seconds since 1970 in 32 bits. Places after the eighth are not looked
// at. An empty text when the line is good, else what is wrong with it in a trader's words; Detail
// then holds the conversion's own error text, if there is one.
std::string CheckQuoteLine(std::string_view Text, TQuoteFields& Fields, std::int32_t& Time,
                           std::string& Detail);

}  // namespace tickwell
