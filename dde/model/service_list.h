// The manager's services, sorted by name without regard to ASCII case, registered and
// unregistered together, and stored with the window as the list "ServicesList".
#pragma once

#include <string>
#include <string_view>

#include "dde/model/service.h"
#include "support/component_stream.h"
#include "support/containers.h"

namespace tickwell {

class TDDEMLServicesList : public TObject {
 public:
  static constexpr const char* kStoredName = "ServicesList";

  TDDEMLServicesList() = default;
  TDDEMLServicesList(const TDDEMLServicesList&) = delete;
  TDDEMLServicesList& operator=(const TDDEMLServicesList&) = delete;

  // Replaces the services by copies of the source's (without their topics).
  void Assign(const TDDEMLServicesList& source);
  // Nothing when a service of that name exists.
  void Add(std::string_view name);
  void Clear() { services_.Clear(); }
  void ReleaseHandles();
  // Frees every service's topics and their items.
  void RemoveTopics();
  void SetServiceEnabled(std::string_view name, bool value);
  int ServiceCount() const { return services_.Count(); }
  TDDEMLService* FindServiceByHandle(platform::Hsz handle) const;
  TDDEMLService* FindService(std::string_view name) const;
  // Asked on every advise request (is the conversation's service still there): inline.
  TDDEMLService* Items(int index) const {
    if (index < 0 || index >= services_.Count()) return nullptr;
    return services_.ObjectAs<TDDEMLService>(index);
  }
  std::string ServiceName(int index) const;
  bool ServiceExists(std::string_view name) const { return FindService(name) != nullptr; }
  // Registers or unregisters every enabled service, stopping at the first failure; -10 when no
  // service is enabled.
  bool RegisterAll(platform::DdeInstance instance, bool doRegister);

  // The stored form: per service its name, enabled flag and service strings. Reading replaces
  // the services only when the whole list reads; bad input raises EStreamError and keeps them.
  void WriteData(TValueWriter& writer) const;
  void ReadData(TValueReader& reader);

  TDDEMLErrorHook OnServiceError;

 private:
  TDDEMLService* Append(std::string_view name);
  int Bound(std::string_view name) const;

  TObjectContainer services_;
};

}  // namespace tickwell
