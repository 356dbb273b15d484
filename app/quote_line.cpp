#include "app/quote_line.h"

#include <algorithm>
#include <iterator>

#include "support/date_time.h"

namespace tickwell {
namespace {

// What each of a line's first six places holds, as a missing one is named.
constexpr const char* kPlaceNames[] = {"symbol",     "bid price", "ask price",
                                       "last price", "time",      "volume"};
constexpr std::size_t kRequiredPlaces = std::size(kPlaceNames);

// Whether Text is a decimal number as a terminal writes one: digits with at most one point,
// after a minus when Signed allows it ("1.08501", "-37.5", "15", ".5"). No exponent, thousands
// separator, decimal comma, plus sign or space.
bool IsDecimalNumber(std::string_view Text, bool Signed) {
  if (Signed && !Text.empty() && Text.front() == '-') Text.remove_prefix(1);
  bool digit = false, point = false;
  for (const char c : Text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

// The places that hold numbers, and whether a minus is allowed: some instruments trade below
// zero, no volume does. The time is a number of its own kind.
struct NumberPlace {
  std::size_t index;
  const char* name;
  bool is_signed;
};
constexpr NumberPlace kNumberPlaces[] = {{1, "bid", true},     {2, "ask", true},  {3, "last", true},
                                         {5, "volume", false}, {6, "high", true}, {7, "low", true}};
constexpr std::size_t kTimePlace = 4;

// What is wrong with the first number place in [From, To) that does not hold a number; empty
// when none. An empty place there is an absent high or low: the required ones are filled.
std::string NotANumber(const TQuoteFields& Fields, std::size_t From, std::size_t To) {
  for (const NumberPlace& place : kNumberPlaces) {
    const std::string_view value = Fields[place.index];
    if (place.index < From || place.index >= To || value.empty()) continue;
    if (!IsDecimalNumber(value, place.is_signed))
      return std::string("the ") + place.name + " is not a number: " + std::string(value);
  }
  return {};
}

}  // namespace

std::string CheckQuoteLine(std::string_view Text, TQuoteFields& Fields, std::int32_t& Time,
                           std::string& Detail) {
  if (Text.empty()) return "the line is empty";
  // A client reads text up to its first zero byte: a price holding one would reach every
  // spreadsheet cut short, as another number.
  if (Text.find('\0') != std::string_view::npos) return "the line holds a zero byte";
  // Not a line of places at all: naming its second place as missing would send the user
  // looking for a price.
  if (Text.find(';') == std::string_view::npos) return "the line has no ';' separators";
  // Places are cut at every ";", so an empty one is seen where it is instead of shifting the
  // values after it into the wrong items.
  std::size_t at = 0;
  Fields = {};
  for (std::size_t i = 0; i < kRequiredPlaces; ++i) {
    if (at > Text.size()) return std::string("the ") + kPlaceNames[i] + " is missing";
    const std::size_t end = std::min(Text.find(';', at), Text.size());
    Fields[i] = Text.substr(at, end - at);
    if (Fields[i].empty()) return std::string("the ") + kPlaceNames[i] + " is missing";
    at = end + 1;
  }
  // The day's high and low follow when the terminal has them.
  for (std::size_t i = kRequiredPlaces; i < Fields.size() && at <= Text.size(); ++i) {
    const std::size_t end = std::min(Text.find(';', at), Text.size());
    Fields[i] = Text.substr(at, end - at);
    at = end + 1;
  }
  // Every linked cell would take what is there as its value: "1,09996" or "abc" reaches a
  // spreadsheet as text, not as a price. The places are checked in the line's order.
  if (std::string problem = NotANumber(Fields, 0, kTimePlace); !problem.empty()) return problem;
  // The integer reader also takes blanks, a plus and hexadecimal ("$10", "0x10"): a time written
  // so is no time the terminal sends, and would reach every cell as another moment.
  const std::string_view time = Fields[kTimePlace];
  const bool decimal = IsDecimalNumber(time, true) && time.find('.') == std::string_view::npos;
  try {
    if (!decimal) throw EConvertError("'" + std::string(time) + "' is not a valid integer value");
    Time = StrToInt(std::string(time));
  } catch (const EConvertError& e) {
    Detail = e.what();
    return "the time is not a whole number of seconds since 1970";
  }
  return NotANumber(Fields, kTimePlace + 1, Fields.size());
}

}  // namespace tickwell
