#include "rtd/quote_fields.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "interapp/terminal_label.h"
#include "support/date_time.h"
#include "support/zstring.h"

namespace rtd {
namespace {

struct FieldName {
  Field field;
  const char* name;
};
constexpr FieldName kFields[] = {{Field::Bid, "BID"},       {Field::Ask, "ASK"},
                                 {Field::Last, "LAST"},     {Field::Time, "TIME"},
                                 {Field::Volume, "VOLUME"}, {Field::Quote, "QUOTE"},
                                 {Field::High, "HIGH"},     {Field::Low, "LOW"}};

std::string_view Trimmed(std::string_view text) {
  if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
  return text;
}

// A whole decimal number, '.' as the separator whatever the locale, as the terminal writes it.
std::optional<double> Number(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<std::int32_t> Seconds(std::string_view text) {
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<Field> ParseField(std::string_view name) {
  for (const auto& f : kFields)
    if (tickwell::SameTextAscii(name, f.name)) return f.field;
  return std::nullopt;
}

const char* ItemName(Field field) {
  for (const auto& f : kFields)
    if (f.field == field) return f.name;
  return "";
}

CellValue ValueOf(Field field, std::string_view text) {
  text = Trimmed(text);
  if (text.empty()) return CellValue::NotAvailable();
  if (field == Field::Quote) return CellValue::OfText(std::string(text));
  if (field == Field::Time) {
    if (auto seconds = Seconds(text))
      return CellValue::OfDate(tickwell::UnixSecondsToDayNumber(*seconds));
  } else if (auto number = Number(text)) {
    return CellValue::OfNumber(*number);
  }
  return CellValue::OfText(std::string(text));
}

TopicRequest ParseTopic(const std::vector<std::string>& arguments) {
  TopicRequest request;
  if (arguments.size() > 3) {
    request.error =
        CellValue::OfText("Tickwell: use =RTD(\"Tickwell.Quotes\",,symbol,field[,terminal])");
    return request;
  }
  if (arguments.size() < 2 || Trimmed(arguments[0]).empty()) {
    request.error = CellValue::OfText("Tickwell: use =RTD(\"Tickwell.Quotes\",,symbol,field)");
    return request;
  }
  auto field = ParseField(arguments[1]);
  if (!field) {
    // The list is made from the table, so a field added there is named here too.
    std::string known;
    for (const auto& f : kFields) known += (known.empty() ? "" : ", ") + std::string(f.name);
    request.error =
        CellValue::OfText("Tickwell: unknown field \"" + arguments[1] + "\" (" + known + ")");
    return request;
  }
  if (arguments.size() == 3 && !arguments[2].empty()) {
    if (!tickwell::IsTerminalLabel(arguments[2])) {
      request.error = CellValue::OfText("Tickwell: bad terminal \"" + arguments[2] + "\" (1 to " +
                                        std::to_string(tickwell::kMaxTerminalLabel) +
                                        " letters, digits and _)");
      return request;
    }
    request.terminal = arguments[2];
  }
  request.valid = true;
  request.symbol = arguments[0];
  request.field = *field;
  return request;
}

CellValue NotRunningValue() {
  return CellValue::OfText("Tickwell is not running or its DDE is off");
}

}  // namespace rtd
