// The tumble demonstration: its phases and a frame drawn over three
// requests, shown only when it is complete.
#include <gtest/gtest.h>

#include <cmath>

#include "dview_fixture.h"
#include "render3d/tumble.h"

namespace {

TEST_F(DviewTest, TumbleFramesSpanSlicesAndTurnAboutTheCentre) {
  add_faces(60);   // three pages, a page a slice
  tumble_speed = 90;
  ModelCtr[0] = ModelCtr[1] = ModelCtr[2] = 50;
  TumbleDemo(1);
  EXPECT_TRUE(tumble == 1 && TumbleFrameDue == 1 && PdigitizeNeeded == 1);
  for (int phase : TumblePhase) EXPECT_TRUE(phase >= 0 && phase < 3600);
  // 90 degrees about y only: the other phases reach 0.
  TumblePhase[0] = 900, TumblePhase[1] = 3597, TumblePhase[2] = 3595;
  for (int request = 1; request <= 3; ++request) {
    TumbleDemo(2);
    EXPECT_EQ(tumble, request < 3 ? 1 : 2) << request;   // shown after the third
    EXPECT_EQ(TumbleFrameDue, request < 3 ? 0 : 1) << request;
  }
  EXPECT_EQ(TumblePhase[0], 901);
  EXPECT_EQ(TumblePhase[1], 0);
  EXPECT_EQ(TumblePhase[2], 0);
  Vector c, p;
  vtransform(Vector{50, 50, 50}, TumbleMatrix, c);
  vtransform(Vector{150, 50, 50}, TumbleMatrix, p);
  EXPECT_NEAR(c.x, 50, 1e-3);
  EXPECT_NEAR(p.x, 50, 0.1);
  EXPECT_NEAR(std::fabs(p.z - 50), 100, 0.1);
  TumblePhase[2] = 3599;
  TumbleDemo(2);
  EXPECT_EQ(TumblePhase[2], 4);
  TumbleDemo(3);
  EXPECT_TRUE(tumble == 0 && TumbleFrameDue == 1);
  // Its faces discarded (a new session, a new drawing) in the middle of a
  // frame: it stops.
  TumbleDemo(1);
  TumbleDemo(2);
  reset_dview();
  EXPECT_TRUE(tumble == 0 && TumbleFrameDue == 1);
  tumble_speed = 1;
}

}  // namespace
