// Whether a DDE server answers a service name, found out as any client would: by opening a
// conversation on it. The question is asked from a DDE instance of its own, made for it and ended
// after it, so it needs nothing of the caller's DDE; a name the caller has yet to register is
// answered only by others.
#pragma once

#include <initializer_list>
#include <string_view>

namespace tickwell {

// Whether some server takes a conversation on Service with one of Topics, tried in order. False
// for an empty name (that would ask every server), and when no DDE instance could be made.
bool ServiceAnswers(std::string_view Service, std::initializer_list<std::string_view> Topics);

}  // namespace tickwell
