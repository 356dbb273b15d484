#include "dde/netdde/share.h"

#include "support/zstring.h"

namespace tickwell {

void TNetDDEShare::Assign(const TNetDDEShare& source) {
  if (&source == this) return;
  ShareName = source.ShareName;
  AppName = source.AppName;
  TopicName = source.TopicName;
  Password1 = source.Password1;
  Password2 = source.Password2;
  Access1.Assign(source.Access1);
  Access2.Assign(source.Access2);
  ItemName = source.ItemName;
  ExtraItems.Assign(source.ExtraItems);
}

bool TNetDDEShare::SameAs(const TNetDDEShare* other) const {
  if (other == nullptr) return false;
  if (!SameTextAscii(ShareName, other->ShareName) || !SameTextAscii(AppName, other->AppName) ||
      !SameTextAscii(TopicName, other->TopicName) || !SameTextAscii(Password1, other->Password1) ||
      !SameTextAscii(Password2, other->Password2) || !SameTextAscii(ItemName, other->ItemName) ||
      !Access1.SameAs(other->Access1) || !Access2.SameAs(other->Access2) ||
      ExtraItems.Count() != other->ExtraItems.Count()) {
    return false;
  }
  for (int i = 0; i < ExtraItems.Count(); ++i) {
    const TNetDDEShareItem* own = ExtraItems.Items(i);
    const TNetDDEShareItem* namesake = other->ExtraItems.Find(own->ShareItem);
    if (namesake == nullptr || namesake->Permissions != own->Permissions) return false;
  }
  return true;
}

bool TNetDDEShare::Outcome(unsigned result) {
  last_error_ = result;
  return result == platform::kNddeNoError;
}

platform::NetDdeShareInfo TNetDDEShare::SystemInfo() const {
  platform::NetDdeShareInfo info;
  info.share_name = ShareName;
  info.share_type = platform::kShareTypeStatic;
  info.static_pair = AppTopicList();
  info.shared_flag = SharedFlag;
  info.service_flag = ServiceFlag;
  info.start_app_flag = StartApp;
  info.cmd_show = CmdShow;
  info.modify_id[0] = ModifyId[0];
  info.modify_id[1] = ModifyId[1];
  return info;
}

bool TNetDDEShare::ExistsOnSystem() {
  platform::NetDdeShareInfo info;
  return Outcome(platform::NetDdeShareGetInfo(ShareName, info));
}

bool TNetDDEShare::ReadFromSystem() {
  if (ShareName.empty()) return Outcome(platform::kNddeInvalidShare);
  platform::NetDdeShareInfo info;
  if (!Outcome(platform::NetDdeShareGetInfo(ShareName, info))) return false;
  if (!info.share_name.empty()) ShareName = info.share_name;
  // The static pair is the one this class writes; "app|topic", the topic up to a further bar.
  const std::string& pair = info.static_pair;
  const std::size_t bar = pair.find('|');
  AppName = pair.substr(0, bar);
  TopicName = bar == std::string::npos ? std::string() : pair.substr(bar + 1);
  TopicName = TopicName.substr(0, TopicName.find('|'));
  SharedFlag = info.shared_flag;
  ServiceFlag = info.service_flag;
  StartApp = info.start_app_flag;
  CmdShow = info.cmd_show;
  ModifyId[0] = info.modify_id[0];
  ModifyId[1] = info.modify_id[1];
  ExtraItems.ClearAndFree();
  for (const std::string& item : info.items) ExtraItems.Append(item, 0);
  return true;
}

bool TNetDDEShare::WriteToSystem() {
  if (ShareName.empty()) return Outcome(platform::kNddeInvalidShare);
  const platform::NetDdeShareInfo info = SystemInfo();
  // A share that exists but cannot be read (its access list refuses us, say) is not deleted
  // first: the add then fails and the installed share stays as it was.
  if (ExistsOnSystem()) return Outcome(platform::NetDdeShareSetInfo(ShareName, info));
  return Outcome(platform::NetDdeShareAdd(info));
}

bool TNetDDEShare::DeleteFromSystem() { return Outcome(platform::NetDdeShareDel(ShareName)); }

void TNetDDEShare::WriteData(TValueWriter& writer) const {
  writer.WriteString(ShareName);
  writer.WriteString(AppName);
  writer.WriteString(TopicName);
  writer.WriteString(Password1);
  writer.WriteString(Password2);
  writer.WriteInteger(Access1.Permissions);
  writer.WriteInteger(Access2.Permissions);
  writer.WriteString(ItemName);
  writer.WriteInteger(ExtraItems.Count());
  for (int i = 0; i < ExtraItems.Count(); ++i) {
    writer.WriteString(ExtraItems.Items(i)->ShareItem);
    writer.WriteInteger(ExtraItems.Items(i)->Permissions);
  }
}

void TNetDDEShare::ReadData(TValueReader& reader) {
  TNetDDEShare read;
  read.ShareName = reader.ReadString();
  read.AppName = reader.ReadString();
  read.TopicName = reader.ReadString();
  read.Password1 = reader.ReadString();
  read.Password2 = reader.ReadString();
  read.Access1.Permissions = reader.ReadInteger();
  read.Access2.Permissions = reader.ReadInteger();
  read.ItemName = reader.ReadString();
  const std::size_t at = reader.Position();
  const std::int32_t count = reader.ReadInteger();
  if (count < 0) throw EStreamError("Negative share item count", at);
  for (std::int32_t i = 0; i < count; ++i) {
    std::string item = reader.ReadString();
    read.ExtraItems.Append(std::move(item), reader.ReadInteger());
  }
  Assign(read);
}

}  // namespace tickwell
