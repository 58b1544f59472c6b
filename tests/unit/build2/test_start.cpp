// The second program's start-up tables and session records: single fonts in
// place of the first program's font sets, and the rendering client's record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "adi/handlers.h"
#include "adi/main_loop.h"
#include "base/utilities.h"
#include "support/test_packet.h"

namespace {

TEST(FallbackResources, OneHundredAndFourLinesWithSingleFonts) {
  int n = 0;
  while (fallback_resources[n] != nullptr) ++n;
  ASSERT_EQ(n, 104);
  EXPECT_EQ(kFallbackResourceCount, 104);
  EXPECT_STREQ(fallback_resources[2], "AutoCAD-Text.geometry:\t720x360+0+400");
  EXPECT_STREQ(fallback_resources[3], "*XmLabel.fontList:\t-*-courier-bold-r-normal-*-14-*-*-*-*-*-iso8859-1");
  EXPECT_STREQ(fallback_resources[16], "*MenuBar*fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1");
  EXPECT_STREQ(fallback_resources[36], "*smallFixedWidthFont:\t-*-screen-medium-r-normal--14-*-*-*-*-*-iso8859-1");
  EXPECT_STREQ(fallback_resources[37], "*foreground:\t#000000");
  EXPECT_STREQ(fallback_resources[103], "*mappingDelay:\t10");
  for (int i = 0; i < n; ++i) EXPECT_EQ(std::strstr(fallback_resources[i], "mincho"), nullptr) << i;
}

TEST(RenderingClient, ItsWhoPacketFillsTheMainRecordWithoutAnAnswer) {
  ClientRecord *saved = WhoIsCalling;
  const ClientRecord saved_main = MainApp;
  WhoIsCalling = &SecondaryApp;
  TestPacket who(2058, 1192);
  who.i16(4, 7).i16(14, 3).text(24, "render").text(56, "client");
  who.p.put_u32(1184, 0x01020304);
  EXPECT_EQ(rdwho(who.p), 0);
  EXPECT_EQ(WhoIsCalling, &MainApp);
  EXPECT_EQ(MainApp.app_id, 7);
  EXPECT_EQ(MainApp.caller_kind, 3);
  EXPECT_STREQ(MainApp.text24, "render");
  EXPECT_STREQ(MainApp.text56, "client");
  EXPECT_EQ(MainApp.word1184, 0x01020304u);
  EXPECT_EQ(MainApp.driver_pid, static_cast<std::uint32_t>(getpid()));
  EXPECT_EQ(who.p.u32(1188), 0u) << "nothing is written back";
  MainApp = saved_main;
  WhoIsCalling = saved;
}

}  // namespace
