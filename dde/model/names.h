// Names held as DDEML string handles. TDDEMLAtom is the one place that makes, frees, reads and
// compares string handles; TDDEMLBase is the common base of services, topics and items.
//
// Lookups by name are on the path of every published value, so each atom keeps beside its handle
// a comparison key: the name folded to upper case (ASCII letters only), set when the handle is
// made. Sorted lists compare keys, never asking DDEML. The text itself is read back from DDEML,
// so what reads back is what DDEML holds for the handle.
//
// A name without an instance (the instance has ended, or has not started) has no handle. The
// atom then keeps its text, and a key marked as held by no instance: lookups made without an
// instance find it by name, lookups of a running instance never do, and the next instance to
// name it again makes its handle.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "platform/ddeml.h"
#include "support/object.h"

namespace tickwell {

// The length of the handle's text without terminator; 0 for handle 0.
int QueryNameLength(platform::DdeInstance instance, platform::Hsz handle);
// The handle's text; empty for handle 0 or when DDEML cannot read it.
std::string QueryName(platform::DdeInstance instance, platform::Hsz handle);

// Names are compared with ASCII letters folded to upper case, other bytes as unsigned codes.
inline char FoldNameChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string NameKey(std::string_view name);
int CompareNames(std::string_view a, std::string_view b);
// Equality alone, inline: every published value is compared with the one it replaces.
inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  // Equal bytes fold alike: the words that match are passed over whole.
  for (std::uint64_t x = 0, y = 0; i + 8 <= a.size(); i += 8) {
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  for (; i < a.size(); ++i)
    if (a[i] != b[i] && FoldNameChar(a[i]) != FoldNameChar(b[i])) return false;
  return true;
}

class TDDEMLAtom : public TObject {
 public:
  TDDEMLAtom() = default;
  ~TDDEMLAtom() override;
  TDDEMLAtom(const TDDEMLAtom&) = delete;
  TDDEMLAtom& operator=(const TDDEMLAtom&) = delete;

  // An atom that already has an instance keeps it; the old handle is freed first; an empty name
  // (or one DDEML refuses) leaves no handle. Without an instance the name is kept unheld.
  void SetName(platform::DdeInstance instance, std::string_view name);
  void SetNameString(platform::DdeInstance instance, std::string_view name) {
    SetName(instance, name);
  }
  // Frees the handle (once) and forgets the instance and the name.
  void Release();
  // The instance ends: frees the handle and forgets the instance, keeping the name unheld.
  void ReleaseKeepingName();
  // Makes the handle of a name kept unheld in instance; nothing for an atom that has a handle.
  void NameAgain(platform::DdeInstance instance);
  bool Unheld() const { return handle_ == 0 && unheld_ != nullptr; }
  // The handle's text, or the name kept unheld.
  std::string ReadName() const;
  bool SameHandle(platform::Hsz other) const;

  platform::DdeInstance InstanceId() const { return instance_; }
  platform::Hsz Handle() const { return handle_; }
  // The comparison key: empty when there is no name, UnheldKey(name) while it is kept unheld.
  const std::string& Key() const { return key_; }

  // How often any atom of the process has let a name go (freed or replaced its handle, or
  // ended): while this stays the same, every service, topic and item is still there and still
  // the one its name finds.
  static std::uint64_t NamesLetGo() { return namesLetGo_.load(std::memory_order_relaxed); }

 private:
  // Managers may live on several threads; each only compares the count with one it read before.
  static inline std::atomic<std::uint64_t> namesLetGo_{0};

  platform::DdeInstance instance_ = 0;
  platform::Hsz handle_ = 0;
  std::string key_;
  std::unique_ptr<std::string> unheld_;  // the name while it has no handle
};

class TDDEMLBase : public TObject {
 public:
  TDDEMLBase() { InitObjects(); }
  ~TDDEMLBase() override { DoneObjects(); }
  TDDEMLBase(const TDDEMLBase&) = delete;
  TDDEMLBase& operator=(const TDDEMLBase&) = delete;

  // The instance ends: the handle is freed, the name kept unheld.
  virtual void ReleaseHandles() { atom_->ReleaseKeepingName(); }
  // A new instance names what was kept unheld.
  virtual void NameAgain(platform::DdeInstance instance) { atom_->NameAgain(instance); }
  void SetName(platform::DdeInstance instance, std::string_view name) {
    atom_->SetNameString(instance, name);
  }

  platform::Hsz Handle() const { return atom_->Handle(); }
  platform::DdeInstance InstanceId() const { return atom_->InstanceId(); }
  std::string ReadName() const { return atom_->ReadName(); }
  bool SameHandle(platform::Hsz other) const { return atom_->SameHandle(other); }
  const std::string& Key() const { return atom_->Key(); }
  const TDDEMLAtom& Atom() const { return *atom_; }

 private:
  // The owned atom is made before any derived part and freed after it. It lives in the object's
  // own storage: every lookup and post reads the name, and one place in memory is quicker to
  // reach than two.
  void InitObjects() { atom_ = new (atomStorage_) TDDEMLAtom; }
  void DoneObjects() {
    if (atom_) atom_->~TDDEMLAtom();
    atom_ = nullptr;
  }

  TDDEMLAtom* atom_ = nullptr;
  alignas(TDDEMLAtom) unsigned char atomStorage_[sizeof(TDDEMLAtom)];
};

// The key a lookup by name searches for: what the name would read back as once made into a
// handle of the instance; without an instance, the key of the name kept unheld. A text DDEML
// cannot hold as a name gives the empty key, which matches only objects without a name.
std::string LookupKey(platform::DdeInstance instance, std::string_view name);
// The key of a name kept without a handle: a zero byte, which no name holds, before its key.
std::string UnheldKey(std::string_view name);

}  // namespace tickwell
