// The manager's own error codes: 1 is success, 0 "False", -1 to -46 the recorded failures.
#pragma once

#include <string>

namespace tickwell {

// The fixed text of a manager error code; "Unknown (<code>)" for a code outside the table.
std::string ManagerErrorText(int code);

}  // namespace tickwell
