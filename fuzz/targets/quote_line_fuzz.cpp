// Quote lines through the program's real handler with DDE on and a client holding hot links on
// the symbol's six items (made at the symbol's first line and kept). The input is up to 16 lines
// separated by newlines. Each line is taken whole (all six items hold its fields, QUOTE the line
// as the receiver cut it) or not at all (every item as it was); a plain well-formed line is
// always taken; the client ends each line with every item's value; the program goes on after
// any line.
#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

#include "dde/model/topic.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/session.h"
#include "support/tokenizer.h"

namespace {

using namespace tickwell;
using namespace tickwell::fuzz;

bool Plain(const std::string& text, const char* also) {
  if (text.empty() || text.size() > 20) return false;
  for (char c : text)
    // strchr finds a zero byte too: it is the end of also.
    if (c == '\0' || (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr(also, c)))
      return false;
  return true;
}
bool Number(const std::string& text) {
  if (text.empty() || text.size() > 12 || std::count(text.begin(), text.end(), '.') > 1) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') return false;
  return std::isdigit(static_cast<unsigned char>(text.front())) != 0;
}
// Six fields a terminal sends for a real price change.
bool WellFormed(const std::string& line, const TStringList& fields) {
  if (fields.Count() != 6 || line.find(";;") != std::string::npos || line.front() == ';' ||
      line.back() == ';')
    return false;
  if (!Plain(fields[0], "._-#")) return false;
  for (int i : {1, 2, 3, 5})
    if (!Number(fields[i])) return false;
  const std::string& time = fields[4];
  return !time.empty() && time.size() <= 9 &&
         std::all_of(time.begin(), time.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The topic is found once for its six items: the program holds thousands of symbols late in a
// run, and finding them is most of what checking a line would otherwise cost.
std::vector<std::string> Values(Tickwell& app, const std::string& topic) {
  const TDDEMLService* service = app.Manager().FindService("MT5");
  const TDDEMLTopic* found = service ? service->FindTopic(topic) : nullptr;
  std::vector<std::string> v;
  for (const std::string& item : QuoteItems()) {
    const TDDEMLItem* kept = found ? found->FindItem(item) : nullptr;
    v.push_back(kept ? kept->Text() : "<none>");
  }
  return v;
}

std::string Show(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& x : v) s += "[" + x + "]";
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One program serves many inputs; a fresh one now and then keeps its symbols few. The last one
  // is left to the process's end: destroyed after the platform model's own statics, it would
  // reach into freed windows.
  // So is its client, which links a symbol's items once and keeps the links, as a spreadsheet
  // does, and is made again with the program.
  static Tickwell* app = nullptr;
  static Client* linked = nullptr;
  static std::set<std::string> linkedTopics;
  static int served = 0;
  if (!app || ++served % 500 == 0) {
    delete linked;
    delete app;
    app = new Tickwell();
    linked = new Client();
    linkedTopics.clear();
    History::Restart();
  }
  History::Add(data, size);
  Client& client = *linked;
  FUZZ_CHECK(client.Started(), "the client could not start");
  Input in(data, size);
  for (int n = 0; n < 16 && !in.Empty(); ++n) {
    const std::string sent = in.Until('\n');
    const std::string line = sent.substr(0, 255);  // what the receiver hands on
    TStringList fields;
    StringManager().Tokenize(line, fields, TCharSet{';'});
    std::string topic;
    std::vector<std::string> before;
    if (fields.Count() > 0) {
      topic = fields[0];
      if (client.Connect(topic) && linkedTopics.insert(Folded(topic)).second)
        for (const std::string& item : QuoteItems())
          FUZZ_CHECK(client.Link(topic, item), "the server refused a link on " + item);
      before = Values(*app, topic);
    }
    app->Feed(sent);
    if (topic.empty()) continue;
    const std::vector<std::string> after = Values(*app, topic);
    if (fields.Count() >= 6) {
      const std::vector<std::string> whole{fields[1], fields[2], fields[3], fields[4], fields[5], line};
      FUZZ_CHECK(after == whole || after == before,
                 "line taken in part: " + Show(before) + " -> " + Show(after));
      if (WellFormed(line, fields))
        FUZZ_CHECK(after == whole, "a well-formed line was not taken: " + Show(after));
    } else {
      FUZZ_CHECK(after == before, "a line without six fields changed items: " + Show(before) +
                                      " -> " + Show(after));
    }
    for (std::size_t i = 0; i < QuoteItems().size(); ++i)
      if (client.Conversations() > 0 && after[i] != "<none>")
        FUZZ_CHECK(Folded(client.Value(topic, QuoteItems()[i])) == Folded(after[i]),
                   "the client holds " + client.Value(topic, QuoteItems()[i]) + " for " +
                       QuoteItems()[i] + ", the server " + after[i]);
  }
  return 0;
}
