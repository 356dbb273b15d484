// Network DDE share records: the stored share list "FList" in any bytes, then each share taken
// written to the model's share database and read back. A refused list leaves the list unchanged;
// a list taken reads back the same; a share the database took reads back with its application
// and topic.
#include "dde/netdde/shares_list.h"
#include "fuzz/stored_list_check.h"
#include "platform/sim/sim_netdde.h"

namespace {

using namespace tickwell;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TNetDDESharesList shares;
  TNetDDEShare* first = shares.AddShare("Quotes");
  first->AppName = "MT5";
  first->TopicName = "EURUSD";
  first->ExtraItems.Append("BID", 7);
  if (!tickwell::fuzz::CheckStoredList(shares, std::span<const std::uint8_t>(data, size)))
    return 0;
  platform::sim::ResetNetDde();
  for (int i = 0; i < shares.ShareCount(); ++i) {
    TNetDDEShare* share = shares.GetShare(i);
    if (!share->WriteToSystem()) continue;
    TNetDDEShare back(share->ShareName);
    FUZZ_CHECK(back.ReadFromSystem(), "a share just written does not read");
    if (share->AppName.find('|') == std::string::npos &&
        share->TopicName.find('|') == std::string::npos) {
      FUZZ_CHECK(back.AppName == share->AppName && back.TopicName == share->TopicName,
                 "a share reads back with another application or topic");
    }
  }
  platform::sim::ResetNetDde();
  return 0;
}
