// The root of every object that the owning collections hold. Collections free what they own
// through this base, so it only needs a virtual destructor.
#pragma once

namespace tickwell {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;
};

}  // namespace tickwell
