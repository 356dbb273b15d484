// TDDEMLObjectList: a plain list of object references that owns its objects. The list
// operations (Add, Get, IndexOf, Delete, Count) behave as on any pointer list; the owning
// operations free objects and never raise for a bad index or an absent object.
#pragma once

#include <vector>

#include "support/object.h"

namespace tickwell {

class TDDEMLObjectList : public TObject {
 public:
  TDDEMLObjectList() = default;
  ~TDDEMLObjectList() override;
  TDDEMLObjectList(const TDDEMLObjectList&) = delete;
  TDDEMLObjectList& operator=(const TDDEMLObjectList&) = delete;

  // Pointer-list operations. Get, Put, Insert and Delete raise EListError
  // "List index out of bounds (n)" for an index outside the list; none of them frees anything.
  int Add(TObject* obj);
  void Insert(int index, TObject* obj);
  TObject* Get(int index) const;
  void Put(int index, TObject* obj);
  int IndexOf(const TObject* obj) const;
  void Delete(int index);
  // Removes the first entry holding obj without freeing it; the index it had, or -1.
  int Remove(const TObject* obj);
  // Drops every entry without freeing.
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }

  template <typename T>
  T* ItemAs(int index) const {
    return static_cast<T*>(Get(index));
  }

  // Owning operations.
  void FreeAndDelete(int index);
  void ClearAndFree();
  void RemoveAndFree(TObject* obj);

 private:
  void CheckBounds(int index, int limit) const;

  std::vector<TObject*> items_;
};

}  // namespace tickwell
