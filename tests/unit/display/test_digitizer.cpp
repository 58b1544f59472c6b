// The pen and tablet packets of the digitizer.
#include <gtest/gtest.h>

#include <cstring>

#include "display/digitizer.h"
#include "support/test_packet.h"

namespace {

TEST(Digitizer, PenAndTabletPackets) {
  reset_digitizer_words();
  for (int opcode : {16, 107}) {
    TestPacket pen(opcode, 4);
    pen.p.put_i16(2, 99);
    EXPECT_EQ(opcode == 16 ? prpen(pen.p) : prpen_42(pen.p), 1);
    EXPECT_EQ(pen.p.i16(2), 0);
  }
  TestPacket tab(42, 4);
  EXPECT_EQ(ptabcfg(tab.p), 0);

  TestPacket named(106, 120);
  std::memcpy(named.bytes + 92, "Tablet", 7);
  EXPECT_EQ(ptabcfg_42(named.p), 0);
  EXPECT_EQ(tablet_in_use, 1);
  TestPacket unnamed(106, 120);
  ptabcfg_42(unnamed.p);
  EXPECT_EQ(tablet_in_use, 0);
  // A name beyond the packet's end is not read, whatever the buffer holds.
  TestPacket cut(106, 92);
  std::memcpy(cut.bytes + 92, "Tablet", 7);
  ptabcfg_42(cut.p);
  EXPECT_EQ(tablet_in_use, 0);
  reset_digitizer_words();
}

}  // namespace
