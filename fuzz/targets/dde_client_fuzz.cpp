// A DDE client's transactions against the program while quote lines arrive: connects (to quote
// topics in both layouts, the System topic, any name), requests, pokes, executes, advise starts
// (hot, warm, with acknowledgement) and stops, disconnects, in text, Unicode, XlTable, bitmap, DIB
// and any other format, with lines fed and DDE switched off and on between them. A request of a
// text item answers the item's text in the conversation's service; after the input the program
// still serves a new line to a new client; once the program and the clients are gone nothing is
// left: no string handle, data handle, conversation or window.
#include <memory>

#include "fuzz/fuzz_check.h"
#include "fuzz/model_counts.h"
#include "fuzz/session.h"

namespace {

using namespace tickwell;
using namespace tickwell::fuzz;

// Symbols (MT5's topics, MetaTrader 4's items), two of MetaTrader 4's topics, the System topic.
std::string PickTopic(Input& in) {
  static const char* const topics[] = {"EURUSD", "GBPUSD", "System", "eurusd", "BID", "QUOTE"};
  const std::uint8_t b = in.Byte();
  return b < 240 ? topics[b % 6] : in.Text(40);
}

std::string PickService(Input& in) {
  const std::uint8_t b = in.Byte();
  if (b % 16 == 0) return in.Text(20);
  return b % 4 == 1 ? "MT4" : "MT5";
}

std::string PickItem(Input& in) {
  static const char* const items[] = {"BID",     "ASK",      "LAST",    "TIME",
                                      "VOLUME",  "QUOTE",    "Topics",  "SysItems",
                                      "Formats", "Help",     "TopicItemList", "R1C1:R2C2",
                                      "Status",  "ReturnMessage"};
  const std::uint8_t b = in.Byte();
  return b < 224 ? items[b % 14] : in.Text(40);
}

unsigned PickFormat(Input& in) {
  static const unsigned xltable = platform::RegisterClipboardFormat("XlTable");
  const unsigned formats[] = {platform::kCfText, platform::kCfUnicodeText, xltable, 2, 8, 0, 7};
  const std::uint8_t b = in.Byte();
  return b < 224 ? formats[b % 7] : in.Word();
}

std::vector<std::uint8_t> Bytes(Input& in) {
  const std::string t = in.Text();
  return std::vector<std::uint8_t>(t.begin(), t.end());
}

std::string FuzzLine(Input& in) {
  std::string line = (in.Byte() & 1) ? "EURUSD" : "GBPUSD";
  const int fields = in.Byte() % 8;
  for (int i = 0; i < fields; ++i) line += ";" + in.Text(12);
  return line;
}

void Session(Input& in, Tickwell& app) {
  Client client;
  FUZZ_CHECK(client.Started(), "the client could not start");
  for (int step = 0; step < 48 && !in.Empty(); ++step) {
    switch (in.Byte() % 10) {
      case 0: {
        const std::string topic = PickTopic(in);
        client.Connect(topic, PickService(in));
        break;
      }
      case 1: {
        const std::string topic = PickTopic(in), item = PickItem(in);
        const unsigned format = PickFormat(in);
        const Client::Outcome out = client.Transact(topic, item, platform::kXtypRequest, format);
        // The conversation may be with MetaTrader 4's layout, or any service the server has.
        const TDDEMLItem* served = app.Manager().FindItem(client.Service(topic), topic, item);
        // A client reads text up to its terminating zero, so a zero inside the text ends it.
        if (out.ok && format == platform::kCfText && topic != "System" && served &&
            served->DataFormat() == platform::kCfText)
          FUZZ_CHECK(Client::Decode(out.data, format) == served->Text().substr(0, served->Text().find('\0')),
                     "a request of " + client.Service(topic) + "|" + topic + "!" + item +
                         " answered '" +
                         Client::Decode(out.data, format) + "', its text is '" + served->Text() +
                         "'");
        break;
      }
      case 2: {
        const std::string topic = PickTopic(in), item = PickItem(in);
        const unsigned format = PickFormat(in);
        client.Transact(topic, item, platform::kXtypPoke, format, Bytes(in));
        break;
      }
      case 3: {
        const std::string topic = PickTopic(in);
        const unsigned format = PickFormat(in);
        client.Transact(topic, "", platform::kXtypExecute, format, Bytes(in));
        break;
      }
      case 4: {
        const std::string topic = PickTopic(in), item = PickItem(in);
        const unsigned format = PickFormat(in);
        const unsigned flags = in.Byte() & (platform::kXtypfNoData | platform::kXtypfAckReq);
        client.Transact(topic, item, platform::kXtypAdvStart | flags, format);
        break;
      }
      case 5: {
        const std::string topic = PickTopic(in), item = PickItem(in);
        client.Transact(topic, item, platform::kXtypAdvStop, PickFormat(in));
        break;
      }
      case 6:
        client.Disconnect(PickTopic(in));
        break;
      case 7:
        app.Feed(FuzzLine(in));
        break;
      case 8:
        app.ToggleDde();
        if (!app.DdeOn()) client.Forget();
        break;
      case 9:
        Pump();
        break;
    }
  }
  client.DisconnectAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ModelCounts empty = ModelCounts::Now();
  {
    Tickwell app;
    Input in(data, size);
    Session(in, app);
    // The program goes on: a new line reaches a new client.
    if (!app.DdeOn()) app.ToggleDde();
    const std::string line = "EURUSD;1.1;1.2;1.15;1700000000;7";
    app.Feed(line);
    Client reader;
    FUZZ_CHECK(reader.Connect("EURUSD") != 0, "a new client cannot connect after the input");
    const Client::Outcome q =
        reader.Transact("EURUSD", "QUOTE", platform::kXtypRequest, platform::kCfText);
    FUZZ_CHECK(q.ok && Client::Decode(q.data, platform::kCfText) == line,
               "a new client does not read the new line");
    reader.DisconnectAll();
  }
  Pump();
  const ModelCounts after = ModelCounts::Now();
  FUZZ_CHECK(after == empty, "left behind: " + after.Text() + " (before: " + empty.Text() + ")");
  return 0;
}
