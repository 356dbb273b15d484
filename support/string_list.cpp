#include "support/string_list.h"

namespace tickwell {

const std::string& TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return items_[static_cast<size_t>(index)];
}

}  // namespace tickwell
