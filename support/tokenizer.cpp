#include "support/tokenizer.h"

#include "support/char_tables.h"

namespace tickwell {

TStringList& TStringManager::Tokenize(const std::string& text, TStringList& list,
                                      const TCharSet& separators) const {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    while (i < n && separators.Contains(text[i])) ++i;
    const size_t start = i;
    while (i < n && !separators.Contains(text[i])) ++i;
    if (i > start) list.Add(text.substr(start, i - start));
  }
  return list;
}

std::unique_ptr<TStringList> TStringManager::Tokenize(const std::string& text,
                                                      const TCharSet& separators) const {
  auto list = std::make_unique<TStringList>();
  Tokenize(text, *list, separators);
  return list;
}

const TStringManager& StringManager() {
  // The tables are built first, as at program start; the tokenizer itself needs none of them.
  static const TStringManager* manager = [] {
    CharTables();
    return new TStringManager();
  }();
  return *manager;
}

}  // namespace tickwell
