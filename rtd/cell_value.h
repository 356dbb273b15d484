// What a cell shows for one RTD topic, free of COM types: the DLL turns it into a VARIANT.
#pragma once

#include <string>

namespace rtd {

enum class CellKind {
  NotAvailable,  // #N/A: no quote for the symbol yet
  Number,
  Date,  // days since 1899-12-30, the fraction the time of day
  Text,
};

struct CellValue {
  CellKind kind = CellKind::NotAvailable;
  double number = 0;  // Number and Date
  std::string text;   // Text

  static CellValue NotAvailable() { return {}; }
  static CellValue OfNumber(double n) { return {CellKind::Number, n, {}}; }
  static CellValue OfDate(double d) { return {CellKind::Date, d, {}}; }
  static CellValue OfText(std::string t) { return {CellKind::Text, 0, std::move(t)}; }

  bool operator==(const CellValue&) const = default;
};

}  // namespace rtd
