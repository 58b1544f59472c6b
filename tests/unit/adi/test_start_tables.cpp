// The start-up tables: dispatch slots, special keys and fallback resources.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "adi/dispatch.h"
#include "adi/handlers.h"
#include "adi/main_loop.h"

namespace {

TEST(DispatchTables, SlotsCarryTheirHandlers) {
  EXPECT_EQ(DS_funcs[0], &pnop);
  EXPECT_EQ(DS_funcs[1], &pinit);
  EXPECT_EQ(DS_funcs[5], &pvec);
  EXPECT_EQ(DS_funcs[37], &pdigtize);
  EXPECT_EQ(DS_funcs[64], &pkill);
  EXPECT_EQ(DS_funcs[105], &pdigtize_42);
  EXPECT_EQ(DS_funcs[113], &pextents);
  EXPECT_EQ(DS_funcs[114], &pnop);
  EXPECT_EQ(DS_funcs[115], &pnop);
  for (int op : {41, 48, 71, 78}) EXPECT_EQ(DS_funcs[op], &pnop) << op;
  EXPECT_EQ(RD_funcs[0], &rdinit);
  EXPECT_EQ(RD_funcs[2005 - 2001], &rdresize);
  for (int op = 2017; op <= 2054; ++op) EXPECT_EQ(RD_funcs[op - 2001], &pnop) << op;
  EXPECT_EQ(RD_funcs[2055 - 2001], &plang);
  EXPECT_EQ(RD_funcs[2062 - 2001], &rpshowcfg);
}

TEST(SpecialKeys, FunctionAndCursorKeysMapToTheDriversCodes) {
  EXPECT_EQ(special_key_code(XK_F1), 0x1001);
  EXPECT_EQ(special_key_code(XK_F2), 4);
  EXPECT_EQ(special_key_code(XK_F9), 14);
  EXPECT_EQ(special_key_code(XK_F12), 12);
  EXPECT_EQ(special_key_code(XK_F10), -1);
  EXPECT_EQ(special_key_code(XK_F11), -1);
  EXPECT_EQ(special_key_code(XK_BackSpace), 8);
  EXPECT_EQ(special_key_code(XK_KP_Home), 0x1006);
  EXPECT_EQ(special_key_code(XK_Up), 0x1004);
  EXPECT_EQ(special_key_code(XK_KP_Next), 0x1009);
  EXPECT_EQ(special_key_code(XK_Delete), 0x100b);
  EXPECT_EQ(special_key_code(XK_a), 0);
  EXPECT_EQ(special_key_code(XK_Return), 0);
}

TEST(FallbackResources, SeventyThreeLinesInOrder) {
  int n = 0;
  while (fallback_resources[n] != nullptr) ++n;
  EXPECT_EQ(n, kFallbackResourceCount);
  EXPECT_STREQ(fallback_resources[0], "AutoCAD-Graph.geometry:\t800x600+200+0");
  EXPECT_STREQ(fallback_resources[24], "*XmDrawingArea.background:\t#608189");
  EXPECT_STREQ(fallback_resources[72], "*mappingDelay:\t10");
  for (int i = 0; i < n; ++i) EXPECT_NE(std::strchr(fallback_resources[i], ':'), nullptr) << i;
}

}  // namespace
