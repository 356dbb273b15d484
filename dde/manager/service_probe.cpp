#include "dde/manager/service_probe.h"

#include <string>

#include "platform/ddeml.h"

namespace tickwell {

bool ServiceAnswers(std::string_view Service, std::initializer_list<std::string_view> Topics) {
  if (Service.empty()) return false;
  platform::DdeInstance instance = 0;
  // A client only, which serves nothing: what DDEML tells it needs no answer.
  const auto ignore = [](unsigned, unsigned, platform::Hconv, platform::Hsz, platform::Hsz,
                         platform::HddeData, std::uintptr_t,
                         std::uintptr_t) -> platform::HddeData { return 0; };
  if (platform::DdeInitialize(instance, ignore, platform::kAppCmdClientOnly) != 0) return false;
  const platform::Hsz service = platform::DdeCreateStringHandle(instance, std::string(Service));
  bool answered = false;
  for (std::string_view name : Topics) {
    const platform::Hsz topic = platform::DdeCreateStringHandle(instance, std::string(name));
    const platform::Hconv conv =
        service != 0 && topic != 0 ? platform::DdeConnect(instance, service, topic) : 0;
    if (topic != 0) platform::DdeFreeStringHandle(instance, topic);
    if (conv != 0) {
      platform::DdeDisconnect(conv);
      answered = true;
      break;
    }
  }
  if (service != 0) platform::DdeFreeStringHandle(instance, service);
  platform::DdeUninitialize(instance);
  return answered;
}

}  // namespace tickwell
