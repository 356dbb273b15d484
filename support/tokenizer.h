// The separator tokenizer: splits a text at any character of a set, dropping empty pieces.
#pragma once

#include <bitset>
#include <initializer_list>
#include <memory>
#include <string>

#include "support/string_list.h"

namespace tickwell {

// A set of 8-bit characters, tested on the character's code 0 to 255.
class TCharSet {
 public:
  TCharSet() = default;
  TCharSet(std::initializer_list<char> chars) {
    for (char c : chars) Include(c);
  }
  void Include(char c) { bits_.set(static_cast<unsigned char>(c)); }
  bool Contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }

 private:
  std::bitset<256> bits_;
};

class TStringManager {
 public:
  // Appends the tokens of text to list (which is not cleared) and returns it. A run of
  // separators counts as one; leading and trailing separators give nothing.
  TStringList& Tokenize(const std::string& text, TStringList& list,
                        const TCharSet& separators) const;

  // The same into a new list that the caller owns.
  std::unique_ptr<TStringList> Tokenize(const std::string& text, const TCharSet& separators) const;
};

// The program's one tokenizer, created with the character tables.
const TStringManager& StringManager();

}  // namespace tickwell
