#include "support/list_error.h"

#include <iterator>

namespace tickwell {

namespace {

constexpr const char* kTexts[] = {
    "OK",
    "Container Index param less than zero",
    "Container Index param greater than count",
    "Container empty",
    "New capacity param less than count",
    "GlobalAlloc failed",
    "GlobalReAlloc failed",
    "GlobalLock failed",
    "Index exceeds predefined capacity",
    "Item add failed on sort",
    "Item insert into sorted container",
    "Add failed with Duplicate item",
    "Invalid Idx in start/end range",
    "Invalid NewCount",
    "Unknown Error inside SortInPlace",
    "Unknown error inside Search",
};

std::string Compose(int code, const std::optional<long long>& index) {
  std::string text = ListErrorText(code);
  if (index) text += " : Index = " + std::to_string(*index);
  return text;
}

}  // namespace

const char* ListErrorText(int code) {
  if (code < 0 || code >= static_cast<int>(std::size(kTexts))) return "";
  return kTexts[code];
}

EListError::EListError(int code, std::optional<long long> index)
    : std::runtime_error(Compose(code, index)), code_(code), index_(index) {}

EListError::EListError(const std::string& message) : std::runtime_error(message) {}

}  // namespace tickwell
