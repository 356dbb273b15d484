// Where the quote book's lines go out: each outlet publishes every good line in its own way
// (DDE in MetaTrader 5's layout, in MetaTrader 4's, ...). Outlets know the book, never the window.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/quote_book.h"
#include "app/quote_line.h"

namespace tickwell {

class TQuoteOutlet {
 public:
  virtual ~TQuoteOutlet() = default;
  // The quote has a new line, already checked: Fields point into Line, Time is its time.
  virtual void Publish(TQuoteId Id, const TQuoteFields& Fields, std::string_view Line,
                       std::int32_t Time) = 0;
};

}  // namespace tickwell
