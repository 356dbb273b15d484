// A plain list of texts, as the window keeps its quote fields in. Reading past the end raises
// the list's index error, which the quote handler relies on to stop at a missing field.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace tickwell {

class EStringListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TStringList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  void Add(std::string text) { items_.push_back(std::move(text)); }
  void Clear() { items_.clear(); }

  // Raises EStringListError "List index out of bounds (<index>)" for an index outside the list.
  const std::string& Get(int index) const;
  const std::string& operator[](int index) const { return Get(index); }

  const std::vector<std::string>& Items() const { return items_; }

 private:
  std::vector<std::string> items_;
};

}  // namespace tickwell
