// The manager's stored lists, as a window's description carries them in braces: the first byte
// picks the execute command list "CmdList" or the service list "ServicesList", the rest is the
// stored bytes. A refused list leaves the list unchanged; a list taken reads back the same.
#include "dde/model/commands.h"
#include "dde/model/service_list.h"
#include "fuzz/stored_list_check.h"

namespace {

using namespace tickwell;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> bytes(data + 1, size - 1);
  if (data[0] & 1) {
    TDDEMLServicesList services;
    services.Add("MT5");
    services.SetServiceEnabled("MT5", true);
    services.Add("Other");
    tickwell::fuzz::CheckStoredList(services, bytes);
    for (int i = 0; i < services.ServiceCount(); ++i)
      for (int j = i + 1; j < services.ServiceCount(); ++j)
        FUZZ_CHECK(services.FindService(services.ServiceName(j)) == services.Items(j),
                   "a service name is listed twice");
  } else {
    TDDEMLCmdsList commands;
    commands.AddCmd("Open", "Ns", true);
    commands.AddCmd("Close", "", false);
    tickwell::fuzz::CheckStoredList(commands, bytes);
  }
  return 0;
}
