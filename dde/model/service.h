// A DDE service: its registration with DDEML and its topics, sorted by name without regard to
// ASCII case. Item operations are forwarded to the right topic, and changed items reach the
// service's ProcTopicAdvise.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "dde/model/handle_index.h"
#include "dde/model/name_container.h"
#include "dde/model/topic.h"
#include "support/string_list.h"

namespace tickwell {

// Where the model's objects report protocol failures: the sender, a manager error code and a
// detail text (the code's own text is the manager's business).
using TDDEMLErrorHook = std::function<void(TObject& sender, int code, const std::string& text)>;

class TDDEMLService : public TDDEMLBase {
 public:
  TDDEMLService() = default;
  ~TDDEMLService() override { ++topicRemovals_; }

  // Counts every topic removed and every service freed, in all services: a caller holding a
  // topic across calls that may reach a client (an advise post answered in this thread) finds
  // it again when the count has moved.
  static std::uint64_t TopicRemovals() { return topicRemovals_; }

  // Copies the name, the enabled and registered flags and the service strings; not the topics.
  void Assign(const TDDEMLService& source);
  // Drops the service's handle and its topics' and items', keeping their names.
  void ReleaseHandles() override;

  // Registers (true) or unregisters the name in instance; errors -9, -11 and -12 are reported.
  // Registering names the topics and items kept from an earlier instance (or made while none
  // ran) in this one, so they are found and served again.
  bool Register(platform::DdeInstance instance, bool doRegister);

  TDDEMLTopic* FindTopic(std::string_view name) const;
  TDDEMLTopic* FindTopicByHandle(platform::Hsz handle) const;
  bool AddTopic(std::string_view name);
  bool AddTopicByHandle(platform::Hsz handle);
  TDDEMLTopic* FindOrAddTopic(std::string_view name);
  bool RemoveTopic(std::string_view name);
  void RemoveTopics();
  int TopicCount() const { return Topics_.Count(); }
  TDDEMLTopic* GetTopic(int index) const;

  TDDEMLItem* AddItem(std::string_view topic, std::string_view item);
  TDDEMLItem* FindItem(std::string_view topic, std::string_view item) const;
  bool ItemExists(std::string_view topic, std::string_view item) const {
    return FindItem(topic, item) != nullptr;
  }
  std::string ItemText(std::string_view topic, std::string_view item) const;
  platform::HddeData ItemDataHandle(std::string_view topic, std::string_view item, unsigned format);
  void AddAdvise(std::string_view topic, std::string_view item, unsigned format);
  void SetItemData(std::string_view topic, std::string_view item, unsigned format,
                   platform::HddeData data);
  void SetItemText(std::string_view topic, std::string_view item, std::string_view text);
  // The "System" topic's "Status" item says "BUSY".
  bool IsBusy() const;

  // Fires OnServiceError; true only for code 1.
  bool ReportError(int code, const std::string& text);
  // A changed item with links: handed to OnTopicAdvise, where the manager posts the advise.
  void ProcTopicAdvise(TDDEMLTopic& topic, TDDEMLItem& item);

  std::string Name;
  bool Enabled = false;
  TStringList ServiceStrings;
  bool Registered = false;
  TDDEMLErrorHook OnServiceError;
  std::function<void(TDDEMLService& sender, TDDEMLTopic& topic, TDDEMLItem& item)> OnTopicAdvise;
  // A topic about to be removed (RemoveTopic, RemoveTopics): whoever holds it lets go of it.
  std::function<void(TDDEMLService& sender, TDDEMLTopic& topic)> OnTopicRemoving;

 private:
  void NameTopicsAgain();

  static inline std::uint64_t topicRemovals_ = 0;
  // Changed only through the methods above, which keep the handle index in step.
  TNameContainer Topics_;
  THandleIndex<TDDEMLTopic> ByHandle_;
};

}  // namespace tickwell
