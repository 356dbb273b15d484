// EListError: the error raised by the owning lists and the containers. Container errors carry a
// number from a fixed table of texts and, where an index is involved, " : Index = " and the index.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace tickwell {

// Container error numbers; the numbers and their texts are fixed.
enum TListErrorCode : int {
  leOk = 0,
  leIndexBelowZero = 1,
  leIndexBeyondCount = 2,
  leEmpty = 3,
  leCapacityBelowCount = 4,
  leAllocFailed = 5,
  leReAllocFailed = 6,
  leLockFailed = 7,
  leIndexBeyondCapacity = 8,
  leSortAddFailed = 9,
  leSortedInsert = 10,
  leDuplicate = 11,
  leInvalidRange = 12,
  leInvalidNewCount = 13,
  leSortFailed = 14,
  leSearchFailed = 15,
};

// The text of an error number; an unknown number gives an empty text.
const char* ListErrorText(int code);

class EListError : public std::runtime_error {
 public:
  // A container error: the table text, with " : Index = " and the index when one is given.
  explicit EListError(int code, std::optional<long long> index = std::nullopt);
  // A plain list error with a ready message (the pointer list's bounds errors).
  explicit EListError(const std::string& message);

  // The table number, or -1 for a plain list error.
  int Code() const { return code_; }
  const std::optional<long long>& Index() const { return index_; }

 private:
  int code_ = -1;
  std::optional<long long> index_;
};

}  // namespace tickwell
