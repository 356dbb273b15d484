#include "platform/win32/wine_name_compare.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace platform::win32 {
namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// The quick answer must be the linguistic comparison's on every name it decides: names alike
// but for case, punctuation, spaces and digits, each against each.
TEST(WineNameCompare, DecidesPrintableNamesAsTheLinguisticComparisonDoes) {
  std::vector<std::wstring> names = {
      L"EURUSD", L"eurusd", L"EurUsd", L"EURUSD.ecn", L"EURUSD.", L"EUR-USD", L"EURUSD-",
      L"EUR'USD", L"EUR USD", L"EURUSD ", L"BID", L"bid", L"B-ID", L"co-op", L"coop", L"CO-OP",
      L"#12", L"#012", L"12", L"a_b", L"a~b", L"a`b", L"A B", L"[x]", L"{x}", L"x!", L"x?", L"@Z",
      L"@z", L"^Z", L"^z"};
  // Every name of up to three characters from a few that a comparison might treat alike.
  const std::wstring alphabet = L"aA-' .1";
  std::vector<std::wstring> short_names{L""};
  for (std::size_t from = 0, length = 0; length < 3; ++length) {
    const std::size_t to = short_names.size();
    for (std::size_t i = from; i < to; ++i)
      for (wchar_t c : alphabet) short_names.push_back(short_names[i] + c);
    from = to;
  }
  names.insert(names.end(), short_names.begin(), short_names.end());
  int disagreements = 0;
  for (const std::wstring& a : names) {
    for (const std::wstring& b : names) {
      const int quick = AsciiNamesEqual(a.c_str(), b.c_str());
      ASSERT_NE(quick, -1) << Narrow(a) << " / " << Narrow(b);
      const bool equal = ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
      if ((quick == 1) != equal && ++disagreements <= 10)
        ADD_FAILURE() << "\"" << Narrow(a) << "\" and \"" << Narrow(b) << "\": quick says "
                      << (quick == 1 ? "equal" : "different");
    }
  }
  EXPECT_EQ(disagreements, 0);
}

TEST(WineNameCompare, LeavesNamesBeyondPrintableAsciiToTheLinguisticComparison) {
  // A soft hyphen weighs nothing, control characters may not, accents are another letter or not.
  EXPECT_EQ(AsciiNamesEqual(L"ab", L"a\u00ADb"), -1);
  EXPECT_EQ(AsciiNamesEqual(L"a\u00ADb", L"ab"), -1);
  EXPECT_EQ(AsciiNamesEqual(L"a\x01" L"b", L"ab"), -1);
  EXPECT_EQ(AsciiNamesEqual(L"ab", L"ab\x7F"), -1);
  EXPECT_EQ(AsciiNamesEqual(L"caf\u00E9", L"CAFE"), -1);
  EXPECT_EQ(AsciiNamesEqual(L"", L""), 1);
  EXPECT_EQ(AsciiNamesEqual(L"EURUSD", L"eurusd"), 1);
  EXPECT_EQ(AsciiNamesEqual(L"EURUSD", L"EURUSD."), 0);
}

}  // namespace
}  // namespace platform::win32
