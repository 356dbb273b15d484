#include <gtest/gtest.h>

#include "dde/tables/ddeml_names.h"
#include "dde/tables/error_codes.h"
#include "dde/tables/format_names.h"
#include "platform/clipboard_format.h"
#include "platform/ddeml.h"

namespace tickwell {
namespace {

TEST(ManagerErrorTextTest, FixedTextsAndUnknownCodes) {
  EXPECT_EQ(ManagerErrorText(1), "Ok");
  EXPECT_EQ(ManagerErrorText(0), "False");
  EXPECT_EQ(ManagerErrorText(-1),
            "DDE server detected a null service string in XTyp_Connect action");
  EXPECT_EQ(ManagerErrorText(-30), "Cannot find conversation object on mngr list");
  EXPECT_EQ(ManagerErrorText(-38),
            "Server related method called by Tarvo component only set for CLIENT scope");
  EXPECT_EQ(ManagerErrorText(-40), "Item has transactiosn left to complete");
  EXPECT_EQ(ManagerErrorText(-41),
            "Re-entrancy problem : cannot start a new transaction until procesing on the current "
            "is completed");
  EXPECT_EQ(ManagerErrorText(-44),
            "NetDDE method called when the NetworkDDE property is set to FALSE");
  EXPECT_EQ(ManagerErrorText(-46), "Asynchronous Request failed - server returned NULL data");
  EXPECT_EQ(ManagerErrorText(-47), "Unknown (-47)");
  EXPECT_EQ(ManagerErrorText(2), "Unknown (2)");
  EXPECT_EQ(ManagerErrorText(-2147483647 - 1), "Unknown (-2147483648)");
}

TEST(XTypNameTest, NamesEveryTransactionTypeByItsLow16Bits) {
  const std::pair<unsigned, const char*> names[] = {
      {platform::kXtypAdvStart, "XTYP_ADVSTART"},
      {platform::kXtypConnect, "XTYP_CONNECT"},
      {platform::kXtypAdvReq, "XTYP_ADVREQ"},
      {platform::kXtypRequest, "XTYP_REQUEST"},
      {platform::kXtypWildConnect, "XTYP_WILDCONNECT"},
      {platform::kXtypAdvData, "XTYP_ADVDATA"},
      {platform::kXtypExecute, "XTYP_EXECUTE"},
      {platform::kXtypPoke, "XTYP_POKE"},
      {platform::kXtypError, "XTYP_ERROR"},
      {platform::kXtypAdvStop, "XTYP_ADVSTOP"},
      {platform::kXtypConnectConfirm, "XTYP_CONNECT_CONFIRM"},
      {platform::kXtypXactComplete, "XTYP_XACT_COMPLET"},
      {platform::kXtypRegister, "XTYP_REGISTER"},
      {platform::kXtypDisconnect, "XTYP_DISCONNECT"},
      {platform::kXtypUnregister, "XTYP_UNREGISTER"},
      {platform::kXtypMonitor, "XTYP_MONITOR"},
  };
  for (const auto& [type, name] : names) {
    EXPECT_EQ(XTypName(type), name);
    EXPECT_EQ(XTypName(type | 0x30000), name) << "high bits are not part of the type";
  }
  EXPECT_EQ(XTypName(0x8080), "XTYP_XACT_COMPLET");
  EXPECT_EQ(XTypName(0), "Unknown (0)");
  EXPECT_EQ(XTypName(0x12345), "Unknown (9029)");
}

TEST(TransTypeTest, KindsFollowTheirStoredOrder) {
  EXPECT_EQ(TransTypeOfXTyp(platform::kXtypAdvData), ttAdvData);
  EXPECT_EQ(TransTypeOfXTyp(platform::kXtypXactComplete), ttXactComplete);
  EXPECT_EQ(TransTypeOfXTyp(platform::kXtypWildConnect), ttWildConnect);
  EXPECT_EQ(TransTypeOfXTyp(platform::kXtypRequest), ttRequest);
  EXPECT_EQ(TransTypeOfXTyp(platform::kXtypError), ttNone);
  EXPECT_EQ(TransTypeOfXTyp(platform::kXtypMonitor), ttNone);
  EXPECT_EQ(TransTypeOfXTyp(0), ttNone);
  // The ordinals are what the asynchronous-response event hands to applications.
  EXPECT_EQ(static_cast<int>(ttAdvData), 1);
  EXPECT_EQ(static_cast<int>(ttXactComplete), 8);
  EXPECT_EQ(static_cast<int>(ttWildConnect), 14);
}

TEST(DdemlErrorNameTest, ReadsAndClearsTheInstancesPendingError) {
  EXPECT_EQ(DdemlErrorCodeName(platform::kDmlErrAdvAckTimeout), "DMLERR_ADVACKTIMEOUT");
  EXPECT_EQ(DdemlErrorCodeName(platform::kDmlErrNoConvEstablished), "DMLERR_NO_CONV_ESTABLISHED");
  EXPECT_EQ(DdemlErrorCodeName(platform::kDmlErrUnfoundQueueId), "DMLERR_UNFOUND_QUEUE_ID");
  EXPECT_EQ(DdemlErrorCodeName(0x4012), "Unknown (16402)");

  platform::DdeInstance instance = 0;
  ASSERT_EQ(
      platform::DdeInitialize(
          instance,
          [](unsigned, unsigned, platform::Hconv, platform::Hsz, platform::Hsz, platform::HddeData,
             std::uintptr_t, std::uintptr_t) -> platform::HddeData { return 0; },
          platform::kAppCmdClientOnly),
      platform::kDmlErrNoError);
  EXPECT_EQ(DdemlErrorName(instance), "Unknown (0)");

  // Nobody offers this service, so the connect fails and leaves an error behind.
  platform::Hsz service = platform::DdeCreateStringHandle(instance, "TickwellNoSuchService");
  platform::Hsz topic = platform::DdeCreateStringHandle(instance, "Nothing");
  EXPECT_EQ(platform::DdeConnect(instance, service, topic), 0u);
  EXPECT_EQ(DdemlErrorName(instance), "DMLERR_NO_CONV_ESTABLISHED");
  EXPECT_EQ(DdemlErrorName(instance), "Unknown (0)") << "reading the error clears it";
  platform::DdeFreeStringHandle(instance, service);
  platform::DdeFreeStringHandle(instance, topic);
  platform::DdeUninitialize(instance);
}

TEST(FormatNamesTest, StandardThenRegisteredNames) {
  EXPECT_EQ(StandardFormatName(platform::kCfText), "Text");
  EXPECT_EQ(StandardFormatName(platform::kCfOemText), "OEMText");
  EXPECT_EQ(StandardFormatName(platform::kCfWave), "Wave");
  EXPECT_EQ(StandardFormatName(0), "");
  // Every format the system defines has a name, those after Wave and the display ones too.
  EXPECT_EQ(StandardFormatName(platform::kCfUnicodeText), "UnicodeText");
  EXPECT_EQ(StandardFormatName(17), "DIBV5");
  EXPECT_EQ(StandardFormatName(18), "");
  EXPECT_EQ(StandardFormatName(0x81), "DspText");
  EXPECT_EQ(StandardFormatName(0x8E), "DspEnhMetaFile");
  EXPECT_EQ(StandardFormatName(0x84), "");

  EXPECT_EQ(ClipFormatName(1), "Text");
  EXPECT_EQ(ClipFormatName(0), "");
  EXPECT_EQ(ClipFormatName(platform::kCfUnicodeText), "UnicodeText");
  const unsigned custom = platform::RegisterClipboardFormat("Tickwell Test Format");
  ASSERT_NE(custom, 0u);
  EXPECT_EQ(ClipFormatName(custom), "Tickwell Test Format");
}

TEST(FormatNamesTest, XlTableIsRegisteredAtStartUp) {
  ASSERT_NE(XlTableFormat, 0u);
  EXPECT_EQ(ClipFormatName(XlTableFormat), "XlTable");
  EXPECT_EQ(platform::RegisterClipboardFormat("xltable"), XlTableFormat);
}

}  // namespace
}  // namespace tickwell
