#include "dde/netdde/shares_list.h"

#include <memory>
#include <vector>

#include "dde/tables/error_codes.h"
#include "dde/tables/exceptions.h"
#include "platform/netdde.h"
#include "support/zstring.h"

namespace tickwell {

TNetDDEShare* TNetDDESharesList::GetShare(int index) const {
  return index >= 0 && index < ShareCount() ? shares_.ItemAs<TNetDDEShare>(index) : nullptr;
}

std::string TNetDDESharesList::GetShareName(int index) const {
  const TNetDDEShare* share = GetShare(index);
  return share ? share->ShareName : std::string();
}

TNetDDEShare* TNetDDESharesList::FindShare(std::string_view name) const {
  for (int i = 0; i < ShareCount(); ++i) {
    if (SameTextAscii(GetShare(i)->ShareName, name)) return GetShare(i);
  }
  return nullptr;
}

TNetDDEShare* TNetDDESharesList::AddShare(std::string name) {
  auto share = std::make_unique<TNetDDEShare>(std::move(name));
  shares_.Add(share.get());
  return share.release();
}

void TNetDDESharesList::Assign(const TNetDDESharesList* source) {
  if (source == this) return;
  Clear();
  if (source == nullptr) return;
  for (int i = 0; i < source->ShareCount(); ++i) AddShare("")->Assign(*source->GetShare(i));
}

int TNetDDESharesList::EnumShareNames(TStringList* list) {
  if (list) list->Clear();
  std::vector<std::string> names;
  if (platform::NetDdeShareEnum(names) != platform::kNddeNoError) return 0;
  if (list) {
    for (std::string& name : names) list->Add(std::move(name));
  }
  return static_cast<int>(names.size());
}

int TNetDDESharesList::LoadFromSystem(TNetDDESharesList& target) {
  TStringList names;
  if (EnumShareNames(&names) == 0) return 0;
  target.Clear();
  for (const std::string& name : names.Items()) target.AddShare(name)->ReadFromSystem();
  return target.ShareCount();
}

int TNetDDESharesList::CreateAll() {
  int failed = 0;
  for (int i = 0; i < ShareCount(); ++i) {
    if (!GetShare(i)->WriteToSystem()) ++failed;
  }
  return failed;
}

bool TNetDDESharesList::SharesMatch() const {
  if (ShareCount() == 0) return true;
  TNetDDESharesList installed;
  LoadFromSystem(installed);
  for (int i = 0; i < ShareCount(); ++i) {
    const TNetDDEShare* own = GetShare(i);
    if (!own->SameAs(installed.FindShare(own->ShareName))) return false;
  }
  return true;
}

int TNetDDESharesList::ProcessShares(TShareProcessType how, bool mayCreate) {
  switch (how) {
    case sptNone:
      break;
    case sptSharesMustMatch:
      if (!SharesMatch()) throw ETarvoShareDefError(ManagerErrorText(-42));
      break;
    case sptAutoCreateShares:
      if (!mayCreate) throw ETarvoScopeError(ManagerErrorText(-44));
      return CreateAll();
  }
  return 0;
}

void TNetDDESharesList::WriteData(TValueWriter& writer) const {
  writer.WriteListBegin();
  writer.WriteInteger(ShareCount());
  for (int i = 0; i < ShareCount(); ++i) GetShare(i)->WriteData(writer);
  writer.WriteListEnd();
}

void TNetDDESharesList::ReadData(TValueReader& reader) {
  TNetDDESharesList read;
  reader.ReadListBegin();
  const std::size_t at = reader.Position();
  const std::int32_t count = reader.ReadInteger();
  if (count < 0) throw EStreamError("Negative share count", at);
  for (std::int32_t i = 0; i < count; ++i) read.AddShare("")->ReadData(reader);
  reader.ReadListEnd();
  Assign(&read);
}

}  // namespace tickwell
