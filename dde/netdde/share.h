// One network DDE share definition: the service and topic a share name makes reachable from
// other computers, with the access details of the share database's 16-bit form. The definition
// is stored with the manager and can be compared with, read from, written to and deleted from
// the shares installed on this computer.
#pragma once

#include <cstdint>
#include <string>

#include "dde/netdde/share_item.h"
#include "platform/netdde.h"
#include "support/component_stream.h"

namespace tickwell {

class TNetDDEShare : public TObject {
 public:
  TNetDDEShare() = default;
  explicit TNetDDEShare(std::string shareName) : ShareName(std::move(shareName)) {}
  TNetDDEShare(const TNetDDEShare&) = delete;
  TNetDDEShare& operator=(const TNetDDEShare&) = delete;

  // Copies the stored fields, both access entries and the extra items.
  void Assign(const TNetDDEShare& source);
  // False for null. Compares the names, passwords and item name without regard to ASCII case,
  // the access entries, and the extra items: as many, each with a namesake of the same mask.
  bool SameAs(const TNetDDEShare* other) const;
  // "AppName|TopicName".
  std::string AppTopicList() const { return AppName + "|" + TopicName; }

  // The share database of this computer. Each returns false when the library refuses or is
  // unavailable; LastError then holds its answer. The 32-bit share information carries no
  // passwords, permission masks or item name: those fields are neither written nor read.
  bool ExistsOnSystem();
  // False for an empty ShareName. Fills the name, application, topic, flags and modification
  // identifiers, and the extra items from the share's item list (with empty masks).
  bool ReadFromSystem();
  // Changes the installed share of that name, or adds it when there is none.
  bool WriteToSystem();
  bool DeleteFromSystem();
  unsigned LastError() const { return last_error_; }

  // The stored form of one share (inside the list "FList"). Reading raises EStreamError for
  // malformed input and then leaves the share as it was.
  void WriteData(TValueWriter& writer) const;
  void ReadData(TValueReader& reader);

  std::string ShareName;
  std::string AppName;
  std::string TopicName;
  std::string Password1;
  std::string Password2;
  TNetDDEShareItem Access1;
  TNetDDEShareItem Access2;
  std::string ItemName;
  TNetDDEExtraItemsList ExtraItems;
  // Read from the share database, not stored.
  std::int32_t ModifyId[2] = {0, 0};
  std::int32_t CmdShow = 0;
  std::int32_t StartApp = 0;
  // A definition is shared with other computers unless told otherwise: a share the database
  // holds unshared answers only local clients, which is not what a share is defined for.
  std::int32_t SharedFlag = 1;
  std::int32_t ServiceFlag = 0;

 private:
  platform::NetDdeShareInfo SystemInfo() const;
  bool Outcome(unsigned result);

  unsigned last_error_ = platform::kNddeNoError;
};

}  // namespace tickwell
