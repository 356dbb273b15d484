#include "dde/model/service_list.h"

#include <memory>
#include <vector>

namespace tickwell {

int TDDEMLServicesList::Bound(std::string_view name) const {
  int lo = 0;
  int hi = services_.Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (CompareNames(Items(mid)->Name, name) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

TDDEMLService* TDDEMLServicesList::Append(std::string_view name) {
  auto* service = new TDDEMLService;
  service->Name.assign(name);
  service->OnServiceError = [this](TObject&, int code, const std::string& text) {
    if (OnServiceError) OnServiceError(*this, code, text);
  };
  services_.Insert(Bound(name), service);
  return service;
}

void TDDEMLServicesList::Assign(const TDDEMLServicesList& source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.ServiceCount(); ++i)
    Append(source.Items(i)->Name)->Assign(*source.Items(i));
}

void TDDEMLServicesList::Add(std::string_view name) {
  if (!ServiceExists(name)) Append(name);
}

void TDDEMLServicesList::RemoveTopics() {
  for (int i = 0; i < ServiceCount(); ++i) Items(i)->RemoveTopics();
}

void TDDEMLServicesList::ReleaseHandles() {
  for (int i = 0; i < ServiceCount(); ++i) Items(i)->ReleaseHandles();
}

void TDDEMLServicesList::SetServiceEnabled(std::string_view name, bool value) {
  if (TDDEMLService* service = FindService(name)) service->Enabled = value;
}

TDDEMLService* TDDEMLServicesList::FindServiceByHandle(platform::Hsz handle) const {
  for (int i = 0; i < ServiceCount(); ++i)
    if (Items(i)->SameHandle(handle)) return Items(i);
  return nullptr;
}

TDDEMLService* TDDEMLServicesList::FindService(std::string_view name) const {
  const int at = Bound(name);
  return (at < ServiceCount() && SameName(Items(at)->Name, name)) ? Items(at) : nullptr;
}

std::string TDDEMLServicesList::ServiceName(int index) const {
  const TDDEMLService* service = Items(index);
  return service ? service->Name : std::string();
}

bool TDDEMLServicesList::RegisterAll(platform::DdeInstance instance, bool doRegister) {
  bool result = true;
  int enabled = 0;
  for (int i = 0; result && i < ServiceCount(); ++i) {
    TDDEMLService* service = Items(i);
    if (service && service->Enabled) {
      ++enabled;
      result = service->Register(instance, doRegister);
    }
  }
  if (result && enabled == 0) {
    if (OnServiceError) OnServiceError(*this, -10, "");
    result = false;
  }
  return result;
}

void TDDEMLServicesList::WriteData(TValueWriter& writer) const {
  writer.WriteListBegin();
  for (int i = 0; i < ServiceCount(); ++i) {
    const TDDEMLService* service = Items(i);
    writer.WriteString(service->Name);
    writer.WriteBoolean(service->Enabled);
    writer.WriteInteger(service->ServiceStrings.Count());
    for (const std::string& s : service->ServiceStrings.Items()) writer.WriteString(s);
  }
  writer.WriteListEnd();
}

void TDDEMLServicesList::ReadData(TValueReader& reader) {
  struct Entry {
    std::string name;
    bool enabled;
    TStringList strings;
  };
  std::vector<Entry> read;
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    Entry e;
    e.name = reader.ReadString();
    e.enabled = reader.ReadBoolean();
    const std::int32_t count = reader.ReadInteger();
    if (count < 0) throw EStreamError("Negative service string count", reader.Position());
    for (std::int32_t k = 0; k < count; ++k) e.strings.Add(reader.ReadString());
    read.push_back(std::move(e));
  }
  reader.ReadListEnd();

  Clear();
  for (Entry& e : read) {
    // Stored lists written by hand may repeat a name; the first entry wins, as Add would have it.
    if (ServiceExists(e.name)) continue;
    TDDEMLService* service = Append(e.name);
    service->Enabled = e.enabled;
    service->ServiceStrings = std::move(e.strings);
  }
}

}  // namespace tickwell
