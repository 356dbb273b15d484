// What a DDE client finds out about the quote services without knowing them: the System topic's
// items (Topics, SysItems, Status, Formats, Help) and each topic's TopicItemList and Formats.
// Their texts are computed when a client asks, from the topics and values the services hold at
// that moment, and stored into the items the manager then answers.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dde/manager/manager.h"

namespace tickwell {

class TSystemItems {
 public:
  // The System topic's items, as the DDE convention names them: lists are tab-separated.
  static constexpr char kSysItems[] =
      "SysItems\tTopics\tStatus\tFormats\tHelp\tTopicItemList\tTerminals";
  // Nothing ever keeps the quote services from answering.
  static constexpr char kStatus[] = "Ready";
  // Every value is text, handed out as 8-bit or UTF-16 text as the client asks.
  static constexpr char kFormats[] = "TEXT\tUNICODETEXT";

  // QuoteService has a topic per symbol and an item per field (=MT5|EURUSD!BID); FieldService
  // has MetaTrader 4's layout, a topic per field and an item per symbol (=MT4|BID!EURUSD), and
  // is empty when that layout is not served.
  TSystemItems(std::string QuoteService = {}, std::string FieldService = {});

  // Sets the manager's System and topic information events so that they answer these texts.
  // Handlers the manager had before keep running, ahead of these. Attaching again only changes
  // the services' names.
  void Attach(TDDEMLManager& Manager, std::string QuoteService, std::string FieldService);
  // Which services have MetaTrader 4's layout (each terminal has one); without it, FieldService.
  void SetFieldServices(std::function<bool(std::string_view)> IsFieldService);

  // The topics of the service that a client can read values from, then "System". The field
  // service always has its fields; any service has the topics that hold a value.
  std::string TopicsText(const TDDEMLManager& Manager, std::string_view Service) const;
  // The items of the topic that hold a value: the fields of a symbol, the symbols of a field.
  std::string TopicItemsText(const TDDEMLManager& Manager, std::string_view Service,
                             std::string_view Topic) const;
  // One paragraph on the services, their items and the formula that links a cell.
  std::string HelpText() const;
  // Whether the item is one of the information items every topic answers (TopicItemList,
  // Formats) rather than a value.
  static bool IsInfoItem(std::string_view Item);

 private:
  struct Names {
    std::string Quotes;
    std::string Fields;
    std::function<bool(std::string_view)> IsField;
  };
  bool IsFieldService(std::string_view Service) const;
  // Shared with the handlers set on the manager, so they outlive neither side's names.
  std::shared_ptr<Names> names_;
  bool attached_ = false;
};

}  // namespace tickwell
