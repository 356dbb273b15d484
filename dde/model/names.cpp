#include "dde/model/names.h"

#include "dde/diagnostics/failed_call.h"

namespace tickwell {
namespace {

// DDEML names are atoms: at most 255 characters, and the empty text names nothing.
constexpr std::size_t kMaxNameLength = 255;

}  // namespace

int QueryNameLength(platform::DdeInstance instance, platform::Hsz handle) {
  return static_cast<int>(QueryName(instance, handle).size());
}

std::string QueryName(platform::DdeInstance instance, platform::Hsz handle) {
  if (handle == 0) return {};
  std::string name = platform::DdeQueryString(instance, handle);
  // A handle always names something: an empty answer is a failed call.
  if (name.empty()) TraceFailedDdeCall("DdeQueryString", instance);
  return name;
}

std::string NameKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = FoldNameChar(c);
  return key;
}

int CompareNames(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;  // equal bytes fold alike
    const auto x = static_cast<unsigned char>(FoldNameChar(a[i]));
    const auto y = static_cast<unsigned char>(FoldNameChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string LookupKey(platform::DdeInstance instance, std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return {};
  return instance == 0 ? UnheldKey(name) : NameKey(name);
}

std::string UnheldKey(std::string_view name) {
  std::string key(name.size() + 1, '\0');
  for (std::size_t i = 0; i < name.size(); ++i) key[i + 1] = FoldNameChar(name[i]);
  return key;
}

TDDEMLAtom::~TDDEMLAtom() { Release(); }

void TDDEMLAtom::SetName(platform::DdeInstance instance, std::string_view name) {
  if (instance_ == 0) instance_ = instance;
  if (handle_ != 0 || !key_.empty()) namesLetGo_.fetch_add(1, std::memory_order_relaxed);
  if (handle_ != 0 && !platform::DdeFreeStringHandle(instance_, handle_))
    TraceFailedDdeCall("DdeFreeStringHandle", instance_);
  handle_ = 0;
  key_.clear();
  unheld_.reset();
  if (name.empty()) return;
  if (instance_ == 0) {
    if (name.size() > kMaxNameLength) return;
    unheld_ = std::make_unique<std::string>(name);
    key_ = UnheldKey(name);
    return;
  }
  handle_ = platform::DdeCreateStringHandle(instance_, std::string(name));
  if (handle_ != 0)
    key_ = NameKey(name);
  else
    TraceFailedDdeCall("DdeCreateStringHandle", instance_);
}

void TDDEMLAtom::Release() {
  namesLetGo_.fetch_add(1, std::memory_order_relaxed);
  // A handle of an instance that has already stopped fails to free without harm.
  if (handle_ != 0 && !platform::DdeFreeStringHandle(instance_, handle_))
    TraceFailedDdeCall("DdeFreeStringHandle", instance_);
  handle_ = 0;
  instance_ = 0;
  key_.clear();
  unheld_.reset();
}

void TDDEMLAtom::ReleaseKeepingName() {
  std::string name = ReadName();
  Release();
  if (!name.empty()) SetName(0, name);
}

void TDDEMLAtom::NameAgain(platform::DdeInstance instance) {
  if (!Unheld() || instance == 0) return;
  const std::string name = *unheld_;
  SetName(instance, name);
}

std::string TDDEMLAtom::ReadName() const {
  if (handle_ == 0) return unheld_ ? *unheld_ : std::string();
  return QueryName(instance_, handle_);
}

bool TDDEMLAtom::SameHandle(platform::Hsz other) const {
  return platform::DdeCmpStringHandles(handle_, other) == 0;
}

}  // namespace tickwell
