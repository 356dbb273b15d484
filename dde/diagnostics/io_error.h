// A file or printer operation that failed; the message names what and why.
#pragma once

#include <stdexcept>

namespace tickwell {

class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tickwell
