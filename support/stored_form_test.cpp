#include "support/stored_form.h"

#include <gtest/gtest.h>

#include "support/component.h"

namespace tickwell {
namespace {

TEST(StoredForm, ReadsNestedObjectsAndEveryKindOfValue) {
  const TStoredObject form = ReadStoredForm(
      "object MainForm: TMainForm\n"
      "  Caption = 'it''s'#13#10'two' +\n"
      "    ' lines'\n"
      "  Left = -5\n"
      "  Ratio = 2.5E1\n"
      "  Shown = True\n"
      "  Options = [a, b]\n"
      "  None = []\n"
      "  Data = {01 0a\n"
      "          FF}\n"
      "  object Inner: TThing\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(form.name, "MainForm");
  EXPECT_EQ(form.class_name, "TMainForm");
  ASSERT_EQ(form.properties.size(), 7u);
  EXPECT_EQ(form.properties[0].value.AsText("Caption"), "it's\r\ntwo lines");
  EXPECT_EQ(form.properties[1].value.AsInteger("Left"), -5);
  EXPECT_DOUBLE_EQ(form.properties[2].value.AsReal("Ratio"), 25.0);
  EXPECT_TRUE(form.properties[3].value.AsBoolean("Shown"));
  EXPECT_EQ(form.properties[4].value.set, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(form.properties[5].value.set.empty());
  EXPECT_EQ(form.properties[6].value.bytes, (std::vector<std::uint8_t>{0x01, 0x0A, 0xFF}));
  ASSERT_EQ(form.children.size(), 1u);
  EXPECT_EQ(form.children[0].line, 11);
  // Kinds are checked on use.
  EXPECT_THROW(form.properties[1].value.AsText("Left"), EStoredFormError);
  EXPECT_THROW(form.properties[0].value.AsChar("Caption"), EStoredFormError);
  EXPECT_THROW(form.properties[3].value.AsInteger("Shown"), EStoredFormError);
}

TEST(StoredForm, MalformedTextNamesItsLine) {
  const struct {
    const char* text;
    int line;
  } bad[] = {
      {"object A: T\n  X = 'open\nend\n", 2},
      {"object A: T\n  X = {0}\nend\n", 2},
      {"object A: T\n  X = {0G}\nend\n", 2},
      {"object A: T\n  X = 1\n  X = 2\nend\n", 3},
      {"object A: T\n  X = 99999999999999999999\nend\n", 2},
      {"object A: T\n  X = #300\nend\n", 2},
      {"object A: T\n  X = [a,\nend\n", 2},
      {"object A: T\n  object B: T\n  end\n", 4},
      {"object A: T\nend\nmore\n", 3},
      {"object A T\nend\n", 1},
      {"", 1},
  };
  for (const auto& b : bad) {
    try {
      ReadStoredForm(b.text);
      ADD_FAILURE() << "read: " << b.text;
    } catch (const EStoredFormError& e) {
      EXPECT_EQ(e.Line(), b.line) << b.text << " -> " << e.what();
    }
  }
}

struct Probe : TComponent {
  explicit Probe(std::vector<std::string>* log, bool refuse = false) : log(log), refuse(refuse) {}
  ~Probe() override { log->push_back("free " + Name()); }
  void Notification(TComponent& c, TOperation op) override {
    if (refuse && op == opInsert && &c != this) throw std::runtime_error("no");
    TComponent::Notification(c, op);
  }
  void InsertRefused() override { log->push_back("refused"); }
  std::vector<std::string>* log;
  bool refuse;
};

TEST(Component, OwnersFreeLastMadeFirstAndARefusedComponentIsNotKept) {
  std::vector<std::string> log;
  {
    TComponent owner;
    owner.CreateComponent<Probe>(&log, true)->SetName("a");
    EXPECT_THROW(owner.CreateComponent<Probe>(&log), std::runtime_error);
    EXPECT_EQ(log, (std::vector<std::string>{"refused", "free "}));
    owner.Components(0)->SetName("A");
    EXPECT_EQ(owner.FindComponent("a"), owner.Components(0));
    EXPECT_EQ(owner.FindComponent("b"), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
    log.clear();
  }
  EXPECT_EQ(log, std::vector<std::string>{"free A"});
}

}  // namespace
}  // namespace tickwell
