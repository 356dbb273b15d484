#include "support/string_class.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tickwell {
namespace {

std::string Failure(const std::function<void()>& body) {
  try {
    body();
  } catch (const EStringClass& e) {
    return e.what();
  }
  return "no failure";
}

std::vector<std::string> Pieces(const TObjectContainer& c) {
  std::vector<std::string> out;
  for (int i = 0; i < c.Count(); ++i) out.emplace_back(c.ObjectAs<TStringClass>(i)->View());
  return out;
}

using Strings = std::vector<std::string>;

TEST(StringClassArgs, RenderingTable) {
  TStringClass s;
  EXPECT_STREQ(s.SetTo("TDDEMLManager", " : ", 5, true, 2.5), "TDDEMLManager : 5True2.5");
  EXPECT_STREQ(s.SetTo(-12, false, 'x', std::string(" y"), std::string_view("z")), "-12Falsex yz");
  EXPECT_STREQ(s.SetTo(1.5, "|", 2.0, "|", 0.0, "|", -0.25, "|", 1e20),
               "1.5|2|0|-0.25|100000000000000000000");
  // Ten decimals are kept, so smaller fractions round away.
  EXPECT_STREQ(s.SetTo(0.1234567890123, "|", 1e-11, "|", -0.0), "0.123456789|0|0");
  const char* none = nullptr;
  EXPECT_STREQ(s.SetTo("[", none, "]", 42u, std::size_t(7)), "[]427");
  EXPECT_STREQ(s.SetTo(L'w', L"wide", typeid(int)), "");
  const std::string zeros(2 * sizeof(void*), '0');
  EXPECT_EQ(s.SetTo(static_cast<const void*>(nullptr)), zeros);
  EXPECT_STREQ(
      s.SetTo(reinterpret_cast<const void*>(std::uintptr_t(0xBEEF))) + (2 * sizeof(void*) - 4),
      "BEEF");
}

TEST(StringClassArgs, ObjectsContributeTheirText) {
  TStringClass inner;
  inner.SetText("inner");
  struct Other : TObject {
  } other;
  TStringClass s;
  EXPECT_STREQ(s.SetTo("<", inner, ">", &inner, &other, other), "<inner>inner");
  s.AppendObject(&inner);
  s.AppendObject(nullptr);
  EXPECT_STREQ(s.Text(), "<inner>innerinner");
  // A string class appended to itself sees its text as it was.
  EXPECT_STREQ(s.SetText("ab"), "ab");
  EXPECT_STREQ(s.Append(s, s), "ababab");
}

TEST(StringClassArgs, AppendPrependOccursInAndSetToLeft) {
  TStringClass s;
  EXPECT_EQ(s.Text(), nullptr);
  EXPECT_STREQ(s.Append("b", 2), "b2");
  EXPECT_STREQ(s.Prepend("a", 1), "a1b2");
  EXPECT_STREQ(s.SetToLeft({"abc", 123}, 4), "abc1");
  EXPECT_STREQ(s.SetToLeft({"abc"}, 10), "abc");
  EXPECT_TRUE(s.OccursIn("xxabcxx"));
  EXPECT_FALSE(s.OccursIn("ab"));
  EXPECT_FALSE(s.OccursIn(""));
  s.SetText("");
  EXPECT_FALSE(s.OccursIn("anything"));
  // An empty argument list clears, as SetTo always starts from nothing.
  s.SetText("x");
  EXPECT_EQ(s.SetTo(), nullptr);
  EXPECT_EQ(s.Length(), 0);
  auto made = TStringClass::CreateFrom("n", 1);
  EXPECT_STREQ(made->Text(), "n1");
  TStringClass listed{"m", 2};
  EXPECT_STREQ(listed.Text(), "m2");
}

TEST(StringClassBuffer, LifecycleAssignAndClone) {
  TStringClass s;
  EXPECT_EQ(s.Text(), nullptr);
  EXPECT_EQ(s.AsString(), "");
  s.SetText(static_cast<const char*>(nullptr));
  ASSERT_NE(s.Text(), nullptr);  // an assigned string always owns a buffer
  EXPECT_STREQ(s.Text(), "");
  s.SetBlockSize(32);
  s.SetText("abc");
  TStringClass copy;
  copy.Assign(s);
  EXPECT_STREQ(copy.Text(), "abc");
  EXPECT_EQ(copy.BlockSize(), 32);
  auto clone = s.Clone();
  EXPECT_STREQ(clone->Text(), "abc");
  EXPECT_EQ(clone->BlockSize(), 32);
  s.Clear();
  EXPECT_EQ(s.Text(), nullptr);
  EXPECT_EQ(s.Length(), 0);
  EXPECT_STREQ(clone->Text(), "abc");
  s.Init();
  EXPECT_EQ(s.BlockSize(), 0);
}

TEST(StringClassBuffer, GrowthFollowsTheBlockSize) {
  TStringClass s;
  s.SetText("abc");
  EXPECT_EQ(s.Size(), 3);
  s.AppendChar('d');
  EXPECT_EQ(s.Size(), 4);
  TStringClass b;
  b.SetBlockSize(10);
  b.SetText("a");
  EXPECT_EQ(b.Size(), 10);
  b.AppendText("bcdefghij");
  EXPECT_EQ(b.Size(), 10);
  b.AppendChar('k');
  EXPECT_EQ(b.Size(), 20);
  b.AppendString(std::string(25, 'x'));  // a shortfall above the block size is taken as it is
  EXPECT_EQ(b.Size(), 36);
  b.Reset();
  EXPECT_EQ(b.Length(), 0);
  EXPECT_STREQ(b.Text(), "");
}

TEST(StringClassBuffer, LimitsFailAndKeepTheText) {
  TStringClass s;
  s.SetText(std::string(65534, 'a'));
  EXPECT_EQ(s.Length(), 65534);
  EXPECT_EQ(Failure([&] { s.AppendChar('b'); }),
            "TStringClass : AppendChar : text would exceed 65534 characters");
  EXPECT_EQ(s.Length(), 65534);
  EXPECT_EQ(s.View().back(), 'a');
  EXPECT_EQ(Failure([&] { s.AsString(); }),
            "TStringClass : AsString : text longer than 65500 characters");

  TStringClass t;
  t.SetText("keep");
  EXPECT_EQ(Failure([&] { t.SetText(std::string(65535, 'z')); }),
            "TStringClass : SetText : text would exceed 65534 characters");
  EXPECT_EQ(Failure([&] { t.Append("x", std::string(65531, 'y')); }),
            "TStringClass : Append : text would exceed 65534 characters");
  EXPECT_EQ(Failure([&] { t.SetTo(std::string(70000, 'y')); }),
            "TStringClass : SetTo : text would exceed 65534 characters");
  EXPECT_STREQ(t.Text(), "keep");
  t.SetText(std::string(65500, 'q'));
  EXPECT_EQ(t.AsString().size(), 65500u);

  // Close to the limit a large block size must not keep a short text from fitting.
  TStringClass near;
  near.SetBlockSize(100);
  near.SetText(std::string(65530, 'n'));
  near.AppendString("1234");
  EXPECT_EQ(near.Length(), 65534);
  EXPECT_LE(near.Size(), 65534);
}

TEST(StringClassBuffer, OperationsOnItsOwnText) {
  TStringClass s;
  s.SetText("abcdef");
  s.SetText(s.Text() + 2);
  EXPECT_STREQ(s.Text(), "cdef");
  s.AppendText(s.Text());
  EXPECT_STREQ(s.Text(), "cdefcdef");
  s.PrependText(s.Text() + 6);
  EXPECT_STREQ(s.Text(), "efcdefcdef");
  s.SetMid(s.Text(), 2, 3);
  EXPECT_STREQ(s.Text(), "cde");
}

TEST(StringClassConvert, Integers) {
  TStringClass s;
  std::int32_t n = 99;
  for (const char* bad : {"", "12a", "a12", "-", "+", "1 2", "42 ", "0x10", "2147483648",
                          "-2147483649", "99999999999999999999"}) {
    s.SetText(bad);
    EXPECT_FALSE(s.AsInteger(n)) << bad;
  }
  EXPECT_EQ(n, 99);  // untouched by the failures
  const std::pair<const char*, std::int32_t> good[] = {{"-7", -7},
                                                       {"+5", 5},
                                                       {" 42", 42},
                                                       {"007", 7},
                                                       {"2147483647", 2147483647},
                                                       {"-2147483648", -2147483647 - 1}};
  for (const auto& [text, value] : good) {
    s.SetText(text);
    ASSERT_TRUE(s.AsInteger(n)) << text;
    EXPECT_EQ(n, value);
  }
  std::uint16_t w = 0;
  s.SetText("70000");
  ASSERT_TRUE(s.AsWord(w));
  EXPECT_EQ(w, 4464);
  s.SetText("-1");
  ASSERT_TRUE(s.AsWord(w));
  EXPECT_EQ(w, 65535);
  s.SetText("w");
  EXPECT_FALSE(s.AsWord(w));
}

TEST(StringClassConvert, Reals) {
  TStringClass s;
  double x = -1;
  for (const char* bad :
       {"", ".", "1,5", "1e", "1e+", "e5", "inf", "nan", "0x10", "1.5 ", "--1", "1e400", "1.2.3"}) {
    s.SetText(bad);
    EXPECT_FALSE(s.AsFloat(x)) << bad;
  }
  EXPECT_EQ(x, -1);
  const std::pair<const char*, double> good[] = {
      {"2.5", 2.5},         {"-1e3", -1000}, {".5", 0.5}, {"5.", 5},
      {"+1.25E-2", 0.0125}, {" 3.25", 3.25}, {"0", 0}};
  for (const auto& [text, value] : good) {
    s.SetText(text);
    ASSERT_TRUE(s.AsFloat(x)) << text;
    EXPECT_DOUBLE_EQ(x, value);
  }
}

TEST(StringClassConvert, BooleanWordPairs) {
  TStringClass s;
  const std::pair<const char*, bool> good[] = {
      {"yes", true},  {"ON", true},   {"t", true},  {"0", false}, {"No", false}, {"y", true},
      {"off", false}, {"TRUE", true}, {"f", false}, {"1", true},  {"n", false}};
  for (const auto& [text, value] : good) {
    bool b = !value;
    s.SetText(text);
    ASSERT_TRUE(s.AsBoolean(b)) << text;
    EXPECT_EQ(b, value) << text;
  }
  bool b = true;
  for (const char* bad : {"maybe", "", "yes ", "2", "of"}) {
    s.SetText(bad);
    EXPECT_FALSE(s.AsBoolean(b)) << bad;
  }
  TStringClass never;
  EXPECT_FALSE(never.AsBoolean(b));
  EXPECT_TRUE(b);
}

TEST(StringClassNames, FileAndBaseNames) {
  TStringClass s;
  EXPECT_STREQ(s.SetFileName("C:\\dir\\prog.exe"), "prog.exe");
  EXPECT_STREQ(s.SetBaseName("C:\\dir\\prog.exe"), "prog");
  EXPECT_STREQ(s.SetFileName("C:\\dir\\"), "");
  EXPECT_STREQ(s.SetFileName("\\"), "");
  EXPECT_STREQ(s.SetFileName("C:prog.exe"), "prog.exe");
  EXPECT_STREQ(s.SetFileName("a:b\\c:d"), "c:d");  // the backslash wins over a later colon
  EXPECT_STREQ(s.SetFileName("plain"), "plain");
  EXPECT_STREQ(s.SetBaseName("a.b.c"), "a");
  EXPECT_STREQ(s.SetBaseName(".profile"), "");
  EXPECT_STREQ(s.SetFileName("C:\\", "dir\\", "x.log"), "x.log");
  EXPECT_EQ(s.SetFileName(""), nullptr);
}

TEST(StringClassExtract, DelimitedSpans) {
  TStringClass s, dest;
  std::uint16_t len = 0, start = 9;
  s.SetText("x[A][B]");
  ASSERT_TRUE(s.ExtractDelimited('[', ']', dest, false, true, len, start, 0));
  EXPECT_STREQ(dest.Text(), "A");
  EXPECT_EQ(start, 1);
  EXPECT_EQ(len, 3);
  EXPECT_STREQ(s.Text(), "x[B]");
  ASSERT_TRUE(s.ExtractDelimited('[', ']', dest, true, false, len, start, 0));
  EXPECT_STREQ(dest.Text(), "[B]");
  EXPECT_STREQ(s.Text(), "x[B]");

  s.SetText("[]");
  dest.SetText("old");
  ASSERT_TRUE(s.ExtractDelimited('[', ']', dest, false, true, len, start, 0));
  EXPECT_STREQ(dest.Text(), "");
  EXPECT_STREQ(s.Text(), "");

  s.SetText("[A");
  dest.SetText("old");
  len = 77;
  start = 5;
  EXPECT_FALSE(s.ExtractDelimited('[', ']', dest, false, true, len, start, 0));
  EXPECT_STREQ(dest.Text(), "old");
  EXPECT_STREQ(s.Text(), "[A");
  EXPECT_EQ(len, 77);
  EXPECT_EQ(start, 0);

  // No nesting: the first closing character ends the span.
  s.SetText("(a(b)c)");
  ASSERT_TRUE(s.ExtractDelimited('(', ')', dest, false, false, len, start, 0));
  EXPECT_STREQ(dest.Text(), "a(b");
  // The same character opening and closing.
  s.SetText("|one|two|");
  ASSERT_TRUE(s.ExtractDelimited('|', '|', dest, false, false, len, start, 0));
  EXPECT_STREQ(dest.Text(), "one");
  ASSERT_TRUE(s.ExtractDelimited('|', '|', dest, false, false, len, start, 1));
  EXPECT_STREQ(dest.Text(), "two");
  EXPECT_EQ(start, 4);
  EXPECT_FALSE(s.ExtractDelimited('|', '|', dest, false, false, len, start, 9));
  EXPECT_FALSE(s.ExtractDelimited('|', '|', dest, false, false, len, start, 8));
}

TEST(StringClassSplit, PiecesFlagsAndCounts) {
  TStringClass s;
  TObjectContainer* c = nullptr;
  s.SetText("1,,3,");
  EXPECT_EQ(s.Split(',', 0, c), 4);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Capacity(), 10);
  EXPECT_EQ(c->Delta(), 10);
  EXPECT_EQ(Pieces(*c), (Strings{"1", "", "3", ""}));
  delete c;

  TObjectContainer skip;
  EXPECT_EQ(s.Split(',', TStringClass::splitSkipEmpty, skip), 2);
  EXPECT_EQ(Pieces(skip), (Strings{"1", "3"}));
  // The result counts what the container held before.
  s.SetText("a;b");
  EXPECT_EQ(s.Split(';', 0, skip), 4);

  const std::pair<const char*, Strings> plain[] = {
      {"", {}}, {",", {"", ""}}, {"a", {"a"}}, {",a", {"", "a"}}, {"a,b,c", {"a", "b", "c"}}};
  for (const auto& [text, expected] : plain) {
    TObjectContainer out;
    s.SetText(text);
    s.Split(',', 0, out);
    EXPECT_EQ(Pieces(out), expected) << text;
  }
  TObjectContainer* fresh = nullptr;
  TStringClass empty;
  EXPECT_EQ(empty.Split(',', 0, fresh), 0);
  ASSERT_NE(fresh, nullptr);  // created even when nothing is added
  delete fresh;
}

TEST(StringClassSplit, QuotingFlags) {
  TStringClass s;
  s.SetText("a,\"b\",");
  TObjectContainer quoted;
  s.Split(',', TStringClass::splitDoubleQuote, quoted);
  EXPECT_EQ(Pieces(quoted), (Strings{"\"a\"", "\"b\"", "\""}));
  s.SetText("\"a\",\",'c'");
  TObjectContainer unquoted;
  s.Split(',', TStringClass::splitUnDoubleQuote, unquoted);
  EXPECT_EQ(Pieces(unquoted), (Strings{"a", "\"", "'c'"}));
  TObjectContainer single;
  s.Split(',', TStringClass::splitUnSingleQuote, single);
  EXPECT_EQ(Pieces(single), (Strings{"\"a\"", "\"", "c"}));
  TObjectContainer singleOn;
  s.SetText("x");
  s.Split(',', TStringClass::splitSingleQuote, singleOn);
  EXPECT_EQ(Pieces(singleOn), (Strings{"'x'"}));
  // Quoting applies only to the exact flag values.
  s.SetText("\"a\",,b");
  TObjectContainer mixed;
  s.Split(',', TStringClass::splitUnDoubleQuote | TStringClass::splitSkipEmpty, mixed);
  EXPECT_EQ(Pieces(mixed), (Strings{"\"a\"", "b"}));
}

int CompareTexts(const void* a, const void* b) {
  return std::strcmp(static_cast<const TStringClass*>(TObjectContainer::SlotObject(a))->Text(),
                     static_cast<const TStringClass*>(TObjectContainer::SlotObject(b))->Text());
}

TEST(StringClassSplit, SortedContainerDropsDuplicatesWithoutLeaking) {
  TObjectContainer sorted;
  sorted.SetOnCompare(CompareTexts);
  sorted.SetSortOrder(soAscending);
  TStringClass s;
  s.SetText("b,a,b,c,a");
  EXPECT_EQ(s.Split(',', 0, sorted), 3);
  EXPECT_EQ(Pieces(sorted), (Strings{"a", "b", "c"}));
  sorted.SetDuplicates(dupError);
  EXPECT_EQ(Failure([&] { s.Split(',', 0, sorted); }), "TStringClass : Split : unexpected failure");
}

TEST(StringClassSearch, CharactersAndSubstrings) {
  TStringClass s;
  std::uint16_t pos = 77;
  EXPECT_FALSE(s.FindCharPos('a', pos));
  EXPECT_EQ(s.FindChar('a'), nullptr);
  EXPECT_FALSE(s.StartsWith('a'));
  EXPECT_FALSE(s.EndsWith('a'));
  EXPECT_EQ(s.Pos("a"), nullptr);
  s.SetText("abcabc");
  ASSERT_TRUE(s.FindCharPos('c', pos));
  EXPECT_EQ(pos, 2);
  EXPECT_FALSE(s.FindCharPos('z', pos));
  EXPECT_EQ(pos, 2);
  ASSERT_TRUE(s.LastCharPos('a', pos));
  EXPECT_EQ(pos, 3);
  ASSERT_TRUE(s.FindCharFrom('a', 1, pos));
  EXPECT_EQ(pos, 3);
  EXPECT_FALSE(s.FindCharFrom('a', 6, pos));
  EXPECT_EQ(s.FindChar('b'), s.Text() + 1);
  EXPECT_EQ(s.FindLastChar('b'), s.Text() + 4);
  EXPECT_EQ(s.Pos("ca"), s.Text() + 2);
  EXPECT_EQ(s.Pos(""), nullptr);
  EXPECT_EQ(s.Pos(nullptr), nullptr);
  EXPECT_EQ(s.Pos("cc"), nullptr);
  EXPECT_TRUE(s.StartsWith('a'));
  EXPECT_TRUE(s.EndsWith('c'));
  EXPECT_EQ(s.CharAt(5), 'c');
  EXPECT_EQ(Failure([&] { s.CharAt(6); }),
            "TStringClass : CharAt : index beyond the end of the text");
}

TEST(StringClassEdit, CuttingTrimmingAndQuoting) {
  TStringClass s;
  s.SetText("abcdef");
  EXPECT_STREQ(s.Delete(1, 2), "adef");
  EXPECT_STREQ(s.Delete(2, 100), "ad");
  EXPECT_STREQ(s.Delete(5, 1), "ad");
  s.SetText("  \tx y ");
  EXPECT_STREQ(s.TrimLeft(), "x y ");
  s.SetText("   ");
  EXPECT_STREQ(s.TrimLeft(), "");
  for (const auto& [in, out] :
       {std::pair{"1.500", "1.5"},
        {"2.000", "2"},
        {"100", "100"},
        {"0.0", "0"},
        {"10", "10"},
        {"-20.50", "-20.5"},
        {"100.", "100"},
        {".000", "0"},
        {"-.0", "-0"},
        {".250", ".25"},
        // Exponents and other texts are not plain decimals: their zeros are digits, not padding.
        {"1.0e10", "1.0e10"},
        {"1.0E+20", "1.0E+20"},
        {"2.50e0", "2.50e0"},
        {"v1.0", "v1.0"},
        {"1.0.0", "1.0.0"},
        {" 1.0", " 1.0"},
        {".", "."},
        {"-", "-"}}) {
    s.SetText(in);
    EXPECT_STREQ(s.TrimZeros(), out) << in;
  }
  s.SetText("");
  EXPECT_STREQ(s.DoubleQuote(), "\"");
  s.SetText("a");
  EXPECT_STREQ(s.DoubleQuote(), "\"a\"");
  EXPECT_STREQ(s.DoubleQuote(), "\"a\"");
  s.SetText("\"a");
  EXPECT_STREQ(s.DoubleQuote(), "\"a\"");
  EXPECT_STREQ(s.UnDoubleQuote(), "a");
  EXPECT_STREQ(s.UnDoubleQuote(), "a");
  s.SetText("");
  EXPECT_STREQ(s.SingleQuote(), "'");
  EXPECT_STREQ(s.UnSingleQuote(), "");
  s.SetText("'it'");
  EXPECT_STREQ(s.UnSingleQuote(), "it");
  s.SetText("ab\xe4z");
  EXPECT_STREQ(s.MakeUpper(), "AB\xe4Z");
}

TEST(StringClassEdit, PartsOfOtherTexts) {
  TStringClass s;
  EXPECT_STREQ(s.SetLeft("abcdef", 3), "abc");
  EXPECT_STREQ(s.SetLeft("ab", 9), "ab");
  EXPECT_EQ(s.SetLeft("", 2), nullptr);
  EXPECT_STREQ(s.SetFrom("abcdef", 4), "ef");
  EXPECT_EQ(s.SetFrom("abc", 3), nullptr);
  EXPECT_STREQ(s.SetMid("abcdef", 1, 2), "bc");
  EXPECT_STREQ(s.SetMid("abcdef", 4, 9), "ef");
  EXPECT_STREQ(s.AppendLeft("xyz", 2), "efxy");
  EXPECT_STREQ(s.AppendLeft(nullptr, 2), "efxy");
  EXPECT_STREQ(s.AppendMid("12345", 3, 5), "efxy45");
  EXPECT_STREQ(s.AppendMid("12345", 5, 1), "efxy45");
  EXPECT_STREQ(s.AppendInteger(-3), "efxy45-3");
  EXPECT_STREQ(s.AppendFloat(0.75), "efxy45-30.75");
  EXPECT_STREQ(s.PrependText(">"), ">efxy45-30.75");
  EXPECT_EQ(std::strlen(s.SetPointer(nullptr)), 2 * sizeof(void*));
  TStringClass fresh;
  EXPECT_STREQ(fresh.AppendText(""), "");  // appending to a new string assigns it
}

TEST(StringClassFormat, DirectivesAndMismatches) {
  TStringClass s;
  EXPECT_STREQ(s.SetFormat("%s=%d;%5.2f|%-4s|%x|%.3d|%%", {"n", 42, 3.14159, "ab", 255, 7}),
               "n=42; 3.14|ab  |FF|007|%");
  EXPECT_STREQ(s.SetFormat("%1:s %0:s %s", {"a", "b", "c"}), "b a b");
  EXPECT_STREQ(s.SetFormat("%e|%n|%g|%u", {1500.0, 1234567.891, 0.5, -1}),
               "1.50000000000000E+003|1,234,567.89|0.5|4294967295");
  EXPECT_STREQ(s.SetFormat("%*d|%.*s", {4, 7, 2, "xyz"}), "   7|xy");
  s.SetText("keep");
  EXPECT_EQ(Failure([&] { s.SetFormat("%d", {"text"}); }),
            "TStringClass : SetFormat : format directive without a matching argument");
  EXPECT_EQ(Failure([&] { s.SetFormat("%s %s", {"one"}); }),
            "TStringClass : SetFormat : format directive without a matching argument");
  EXPECT_EQ(Failure([&] { s.SetFormat("50%", {}); }),
            "TStringClass : SetFormat : invalid format directive");
  EXPECT_EQ(Failure([&] { s.SetFormat("%q", {1}); }),
            "TStringClass : SetFormat : invalid format directive");
  EXPECT_STREQ(s.Text(), "keep");
}

TEST(StringClassFailure, MessagesAreComposedFromTheTables) {
  EXPECT_STREQ(StringClassOperationName(scoCharAt), "CharAt");
  EXPECT_STREQ(StringClassOperationName(scoSetBlockSize), "SetBlockSize");
  EXPECT_STREQ(StringClassFailureText(scfIndexBeyondEnd), "index beyond the end of the text");
  EXPECT_STREQ(StringClassOperationName(1), "unknown operation");
  EStringClass e(scoSplit, scfTooLong, "why");
  EXPECT_STREQ(e.what(), "TStringClass : Split : text would exceed 65534 characters");
  EXPECT_EQ(e.Detail(), "why");
}

}  // namespace
}  // namespace tickwell
