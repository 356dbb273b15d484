// The share record in the system's layout. Wine's library answers every call with
// NDDE_NOT_IMPLEMENTED, so the records are checked here against buffers packed the way the
// documentation describes the share database's answers.
#include "platform/win32/netdde_record.h"

#include <gtest/gtest.h>

#include <cstring>

namespace platform::win32 {
namespace {

// The length of a list of strings, any of them empty, with the final empty string.
std::size_t ListLength(const char* list, int strings) {
  std::size_t n = 0;
  for (int i = 0; i < strings; ++i) n += std::strlen(list + n) + 1;
  return n + 1;
}

// An answer as the share database packs it: the record, then the strings its pointers refer to.
std::vector<BYTE> Answer(PackedShareInfo& packed) {
  ShareInfoA raw;
  std::memcpy(&raw, packed.Bytes(), sizeof raw);
  const std::size_t name = std::strlen(raw.lpszShareName) + 1;
  const std::size_t pairs = ListLength(raw.lpszAppTopicList, 3);
  const std::size_t items = ListLength(raw.lpszItemList, raw.cNumItems);
  std::vector<BYTE> buffer(sizeof raw + name + pairs + items);
  BYTE* at = buffer.data() + sizeof raw;
  auto place = [&](LPSTR& field, std::size_t n) {
    std::memcpy(at, field, n);
    field = reinterpret_cast<LPSTR>(at);
    at += n;
  };
  place(raw.lpszShareName, name);
  place(raw.lpszAppTopicList, pairs);
  place(raw.lpszItemList, items);
  std::memcpy(buffer.data(), &raw, sizeof raw);
  return buffer;
}

NetDdeShareInfo Sample() {
  NetDdeShareInfo info;
  info.share_name = "Tickwell$";
  info.static_pair = "MT5|EURUSD";
  info.shared_flag = 1;
  info.cmd_show = 7;
  info.modify_id[1] = 9;
  info.items = {"BID", "ASK"};
  return info;
}

TEST(NetDdeRecord, PacksTheDocumentedListsAndUnpacksTheAnswer) {
  PackedShareInfo packed(Sample());
  ASSERT_EQ(packed.Size(), sizeof(ShareInfoA));
  ShareInfoA raw;
  std::memcpy(&raw, packed.Bytes(), sizeof raw);
  EXPECT_EQ(raw.lRevision, 1);
  EXPECT_EQ(raw.lShareType, kShareTypeStatic);
  EXPECT_EQ(std::string(raw.lpszAppTopicList, 14), std::string("\0\0MT5|EURUSD\0\0", 14));
  EXPECT_EQ(raw.cNumItems, 2);
  EXPECT_EQ(std::string(raw.lpszItemList, 9), std::string("BID\0ASK\0\0", 9));

  NetDdeShareInfo got;
  ASSERT_TRUE(UnpackShareInfo(Answer(packed), got));
  EXPECT_EQ(got.share_name, "Tickwell$");
  EXPECT_EQ(got.old_pair, "");
  EXPECT_EQ(got.static_pair, "MT5|EURUSD");
  EXPECT_EQ(got.shared_flag, 1);
  EXPECT_EQ(got.cmd_show, 7);
  EXPECT_EQ(got.modify_id[1], 9);
  EXPECT_EQ(got.items, (std::vector<std::string>{"BID", "ASK"}));
}

TEST(NetDdeRecord, AnAnswerPointingOutsideItselfIsRefused) {
  PackedShareInfo packed(Sample());
  const std::vector<BYTE> good = Answer(packed);
  NetDdeShareInfo kept;
  kept.share_name = "kept";

  EXPECT_FALSE(UnpackShareInfo(std::vector<BYTE>(good.begin(), good.begin() + 8), kept));
  std::vector<BYTE> outside = good;
  ShareInfoA raw;
  std::memcpy(&raw, outside.data(), sizeof raw);
  static char elsewhere[] = "elsewhere";
  raw.lpszShareName = elsewhere;
  std::memcpy(outside.data(), &raw, sizeof raw);
  EXPECT_FALSE(UnpackShareInfo(outside, kept));
  // The item list cut before its end.
  EXPECT_FALSE(UnpackShareInfo(std::vector<BYTE>(good.begin(), good.end() - 3), kept));
  EXPECT_EQ(kept.share_name, "kept");

  std::vector<std::string> names{"kept"};
  const char list[] = "A$\0B$\0";
  EXPECT_TRUE(UnpackNameList(std::vector<BYTE>(list, list + sizeof list), names));
  EXPECT_EQ(names, (std::vector<std::string>{"A$", "B$"}));
  EXPECT_FALSE(UnpackNameList(std::vector<BYTE>(list, list + 4), names));
  EXPECT_EQ(names.size(), 2u);
}

}  // namespace
}  // namespace platform::win32
