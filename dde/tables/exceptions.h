// The DDE library's exception classes. Each carries only its message, which for a manager error
// code is that code's text (ManagerErrorText).
#pragma once

#include <stdexcept>

namespace tickwell {

// General library failures: a data-format conflict, a failed shutdown of the DDEML instance,
// invalid table data.
class ETarvoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An operation the manager's scope or network DDE setting does not allow.
class ETarvoScopeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Stored share definitions that do not match the shares installed on the computer.
class ETarvoShareDefError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tickwell
