// A container of named DDE objects (services, topics or items), kept in ascending order of their
// names compared without regard to ASCII case. It owns the objects.
#pragma once

#include <string>

#include "dde/model/names.h"
#include "support/containers.h"

namespace tickwell {

class TNameContainer : public TObjectContainer {
 public:
  TNameContainer() { SetSortOrder(soAscending); }

  int Compare(const void* item1, const void* item2) override;

  // The index of the first object whose key equals key, or -1 (a binary search).
  int FindKey(const std::string& key) const;
  // The same, trying first the index it was found at before (-1 for none): containers that list
  // the same names hold each at the same index.
  int FindKey(const std::string& key, int hint) const;
  // Inserts after any object of the same key; returns the index.
  int AddNamed(TDDEMLBase* obj);

  TDDEMLBase* Named(int index) const { return static_cast<TDDEMLBase*>(GetObject(index)); }

 private:
  // The first index whose key is not below key (an upper bound when after is set).
  int Bound(const std::string& key, bool after) const;
};

}  // namespace tickwell
