// The manager's network DDE share definitions, in the order they were added, stored with the
// window as the list "FList", and what loading the manager does with them.
#pragma once

#include <string>
#include <string_view>

#include "dde/netdde/share.h"
#include "support/component_stream.h"
#include "support/object_list.h"
#include "support/string_list.h"

namespace tickwell {

// What loading the manager does with its share list.
enum TShareProcessType { sptNone, sptAutoCreateShares, sptSharesMustMatch };

class TNetDDESharesList : public TObject {
 public:
  static constexpr const char* kStoredName = "FList";

  TNetDDESharesList() = default;
  TNetDDESharesList(const TNetDDESharesList&) = delete;
  TNetDDESharesList& operator=(const TNetDDESharesList&) = delete;

  int ShareCount() const { return shares_.Count(); }
  // Null or empty outside 0 .. ShareCount() - 1.
  TNetDDEShare* GetShare(int index) const;
  std::string GetShareName(int index) const;
  // The first share of that name without regard to ASCII case; null when none.
  TNetDDEShare* FindShare(std::string_view name) const;
  // Appends a new share of that name and returns it.
  TNetDDEShare* AddShare(std::string name);
  void Clear() { shares_.ClearAndFree(); }
  // Frees its own shares, then appends a copy of each of source's (none for null).
  void Assign(const TNetDDESharesList* source);

  // The names of the shares installed on this computer, added to list (cleared first, when
  // given); their number, 0 when the share database cannot be read.
  static int EnumShareNames(TStringList* list);
  // Replaces target's shares by those installed on this computer, each read from the database,
  // and returns their number; with none installed, or the database unreadable, target stays as
  // it was and the answer is 0.
  static int LoadFromSystem(TNetDDESharesList& target);
  // Writes every share to the database; the number that failed.
  int CreateAll();
  // True when every share here is installed with the same definition; true for an empty list.
  bool SharesMatch() const;
  // What loading does: sptSharesMustMatch raises ETarvoShareDefError (the text of -42) when the
  // shares do not match; sptAutoCreateShares raises ETarvoScopeError (the text of -44) unless
  // mayCreate, and otherwise creates them all. The number of shares that could not be created.
  int ProcessShares(TShareProcessType how, bool mayCreate);

  // The stored form: list start, the number of shares, each share's fields, list end. Reading
  // replaces the shares only when the whole list reads; bad input raises EStreamError and keeps
  // them.
  void WriteData(TValueWriter& writer) const;
  void ReadData(TValueReader& reader);

 private:
  TDDEMLObjectList shares_;
};

}  // namespace tickwell
