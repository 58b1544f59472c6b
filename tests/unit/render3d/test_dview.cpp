// DVIEW control: the frame of the steps as a state machine, the view
// variables read, the helpers at their edges, the points step and the result
// file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "base/session.h"
#include "dview_fixture.h"
#include "render3d/dview_result.h"

namespace {

int count(const std::string &text, const std::string &what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(DviewTest, ViewDataIsAskedForOnceThenReadOrGivenUp) {
  DviewState = kDviewCamera, dview = 1;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(request(dview_camera, 2, 100, 100), 0);
  EXPECT_EQ(PstringNeeded, 1);
  EXPECT_EQ(count(printed(), "Reading view data"), 1);
  // The data arrives; the pointer has not moved: nothing is drawn, and no
  // command of an earlier step survives.
  acadvar_req = 0;
  Old.x = 100, Old.y = 100;
  std::strcpy(DviewCommand, "(command \"_VPOINT\" pt1)");
  EXPECT_EQ(request(dview_camera, 2, 100, 100), 1);
  EXPECT_EQ(DviewOwnProjection, 0);
  EXPECT_STREQ(DviewCommand, "");
  EXPECT_FLOAT_EQ(vp_info[1].camera[2], 250);
  EXPECT_NEAR(DviewNear, 200 - std::sqrt(3.0f) * 50, 1e-3);

  // Never answered: the 101st request is answered and withdraws the exchange.
  reset_dview();
  PstringNeeded = 0;
  DviewState = kDviewTarget, dview = 1;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(request(dview_target, 2, 100, 100), 0) << i;
  EXPECT_EQ(request(dview_target, 2, 100, 100), 1);
  EXPECT_EQ(dview + DviewState + acadvar_req + PstringNeeded, 0);
  EXPECT_EQ(count(printed(), "Reading view data"), 1);

  // A new session dropped the string requests while the exchange ran: the
  // next run asks again instead of waiting for it.
  DviewState = kDviewTarget, dview = 1;
  request(dview_target, 2, 100, 100);
  PstringNeeded = 0;
  reset_dview();
  DviewState = kDviewTarget, dview = 1;
  EXPECT_EQ(request(dview_target, 2, 100, 100), 0);
  EXPECT_EQ(PstringNeeded, 1);
  EXPECT_EQ(acadvar_req, 1);
}

TEST_F(DviewTest, ButtonsCancelPauseAndAccept) {
  // Return and Escape reach the same steps through the window's keys (the
  // integration tests type them).
  struct Input {
    int code, clock;
  };
  struct Case {
    const char *name;
    std::vector<Input> inputs;   // from the first request with the data on
    int state, paused, switched;
  };
  const Case cases[] = {
      {"cancel button", {{2, 0}, {-2, 0}}, kDviewRedraw, 0, 0},
      {"accept on the first data is not taken", {{-1, 0}}, kDviewCamera, 0, 0},
      {"accept button", {{2, 0}, {-1, 0}}, kDviewShade, 0, 0},
      {"pause, the pick again resumes", {{3, 0}, {3, 0}}, kDviewCamera, 0, 1},
      {"pause, released within the hold time", {{3, 0}, {2, 30}}, kDviewCamera, 1, 0},
      {"pause, the pick still held", {{3, 0}, {0, 31}}, kDviewCamera, 1, 0},
      {"pause, released past the hold time", {{3, 0}, {0, 0}, {2, 31}}, kDviewResult, 0, 0},
      {"pause, a clock gone back", {{3, 0}, {2, -1}}, kDviewResult, 0, 0},
      {"pause, then cancel", {{3, 0}, {-2, 0}}, kDviewRedraw, 0, 0},
  };
  for (const Case &c : cases) {
    reset_dview();
    start(kDviewCamera, dview_camera);
    switch_state = 0;
    for (const Input &in : c.inputs) {
      dview_clock = in.clock;
      EXPECT_EQ(request(dview_camera, in.code, 100, 100), 1) << c.name;
    }
    EXPECT_EQ(DviewState, c.state) << c.name;
    EXPECT_EQ(DviewPaused, c.paused) << c.name;
    EXPECT_EQ(switch_state, c.switched) << c.name;
    // Ending or not, the data was read once: nothing asked again.
    EXPECT_EQ(acadvar_req, 0) << c.name;
  }
}

TEST_F(DviewTest, ARunEndedAnyWayLeavesTheNextOneFresh) {
  // Cancelled while paused, or ended from outside (an expose repaints the
  // shaded viewport) while it had its data: the next run asks for the view
  // variables again and follows the pointer at once.
  const auto cancel_paused = [] {
    request(dview_camera, 3, 100, 100);
    request(dview_camera, -2, 100, 100);
  };
  const auto shade = [] { request(dview_shade, 2, 100, 100); };
  for (const auto &end : {+cancel_paused, +shade}) {
    reset_dview();
    start(kDviewCamera, dview_camera);
    request(dview_camera, 2, 100, 100);
    end();
    DviewState = 0, dview = 0;
    start(kDviewCamera, dview_camera);
    EXPECT_EQ(DviewPaused, 0);
    Old.x = 0, Old.y = 0;
    DviewViewChanged = 0;
    EXPECT_EQ(request(dview_camera, 2, 150, 120), 1);
    EXPECT_EQ(DviewViewChanged, 1);
  }
}

TEST_F(DviewTest, ViewVariablesTooLargeForTheViewKeepItFinite) {
  const auto finite = [] {
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        if (!std::isfinite(DviewMatrix[i][j]) || !std::isfinite(ProjectionMatrix[i][j])) return false;
    return true;
  };
  ViewportRecord &vp = vp_info[1];
  for (int (*step)(Packet &) : {dview_camera, dview_target, dview_twist}) {
    for (float &f : vp.view_dir) f = 1e30f;   // its length overflows a float
    reset_dview();
    start(kDviewCamera, step);
    Old.x = 0, Old.y = 0;
    request(step, 2, 150, 120);
    EXPECT_TRUE(finite());
  }
  // Points so far apart that no view can be built: ended as a pan.
  for (int i = 0; i < 3; ++i) TargetPoint[i] = 1e20f, CameraPoint[i] = -1e20f;
  reset_dview();
  start(kDviewPoints, dview_point);
  vp.flags &= ~kVpShaded;
  EXPECT_EQ(request(dview_point, 2, 100, 100), 1);
  EXPECT_EQ(dview + DviewViewChanged + (vp.flags & kVpShaded), 0);
  EXPECT_TRUE(finite());
}

TEST_F(DviewTest, AnUnfinishedRedrawGoesOnWithoutMoving) {
  add_faces(60);   // three pages
  cfr.word(kWordTimeSlice) = 0;   // no time for a slice: still a page a request
  dview_clock = 0;
  start(kDviewCamera, dview_camera, 10, 60);
  const int expected[] = {kReplayRunning, kReplayRunning, kReplayFinished, kReplayFinished};
  for (int state : expected) {
    request(dview_camera, 2, 150, 120);
    EXPECT_EQ(redraw_list.state, state);
  }
  request(dview_camera, 2, 160, 120);   // a move starts again
  EXPECT_EQ(redraw_list.state, kReplayRunning);
}

TEST_F(DviewTest, TheDistanceStepNeedsPerspective) {
  start(kDviewDistance, dview_distance);
  EXPECT_EQ(request(dview_distance, 2, 120, 100), 1);
  EXPECT_EQ(dview + DviewState, 0);
  EXPECT_NE(printed().find("Please enable perspective mode in DVIEW."), std::string::npos);
}

TEST_F(DviewTest, ViewDataAndHelpersAtTheirEdges) {
  struct Angles {
    float dir[3], azimuth, elevation;
  };
  const Angles angles[] = {{{0, 300, 0}, 900, 0},       {{0, -300, 0}, -900, 0}, {{-300, 0, 0}, -1800, 0},
                           {{300, 0, 0}, 0, 0},         {{-300, 300, 0}, 1350, 0},
                           {{0, 0, 0}, -900, 900}};   // no direction: looking down
  ViewportRecord &vp = vp_info[1];
  for (const Angles &a : angles) {
    std::memcpy(vp.view_dir, a.dir, sizeof a.dir);
    ReadViewData(vp);
    EXPECT_NEAR(DviewStartAzimuth, a.azimuth, 1e-3) << a.dir[0] << "," << a.dir[1];
    EXPECT_NEAR(DviewStartElevation, a.elevation, 1e-3) << a.dir[0] << "," << a.dir[1];
  }
  // Without perspective the camera is moved out to the extents' diagonal; a
  // target left at the origin follows the view centre.
  EXPECT_NEAR(vp.camera_distance, std::sqrt(3.0f) * 100, 1e-3);
  std::memset(vp.target, 0, sizeof vp.target);
  vp.view_centre[0] = 20, vp.view_centre[1] = 30;
  ReadViewData(vp);
  EXPECT_TRUE(vp.target[0] == 20 && vp.target[1] == 30 && vp.target[2] == 50);

  ViewportRecord wide{};
  wide.x1 = 0, wide.x2 = 999, wide.y1 = 10, wide.y2 = 509;
  const int pointers[][2] = {{0, 10}, {999, 509}, {500, 260}, {-40, 9000}};
  const float units[][2] = {{-1, -1}, {0.998f, 0.996f}, {0, 0}, {-1, 0.996f}};
  for (int i = 0; i < 4; ++i) {
    float ux, uy;
    PointerToUnit(pointers[i][0], pointers[i][1], wide, &ux, &uy);
    EXPECT_FLOAT_EQ(ux, units[i][0]) << i;
    EXPECT_FLOAT_EQ(uy, units[i][1]) << i;
  }

  EXPECT_NEAR(DviewLimitedFovy(fovy2lenslength(100), 2.0f), 89.0f, 1e-3);
  EXPECT_FLOAT_EQ(DviewAspect(vp), static_cast<float>(vp.width) / static_cast<float>(vp.height));
  vp.fovy = 0;
  EXPECT_FLOAT_EQ(DviewFieldOfView(vp), lenslength2fovy(50));
  EXPECT_TRUE(std::isfinite(DviewLimitedFovy(std::nanf(""), 1.0f)));
}

TEST_F(DviewTest, PointsEndWithTheirViewOrAsPanWithoutADirection) {
  ViewportRecord &vp = vp_info[1];
  for (int i = 0; i < 3; ++i) TargetPoint[i] = CameraPoint[i] = 50;
  start(kDviewPoints, dview_point);
  vp.flags &= ~kVpShaded;
  EXPECT_EQ(request(dview_point, 2, 100, 100), 1);
  EXPECT_EQ(dview + (vp.flags & kVpShaded) + DviewViewChanged, 0);

  CameraPoint[1] = -250;
  start(kDviewPoints, dview_point);
  EXPECT_EQ(request(dview_point, 2, 100, 100), 1);
  EXPECT_EQ(dview + DviewState, 0);
  EXPECT_NE(vp.flags & kVpShaded, 0);
  EXPECT_EQ(DviewNeedViewData, 1);
  // The projection is fitted to these points, not to an earlier camera.
  EXPECT_NEAR(DviewNear, 300 - std::sqrt(3.0f) * 50, 1e-3);
  Matrix expected;
  view_of(Vector{0, -300, 0}, Vector{50, -250, 50}, expected);
  expect_matrix(expected, "points");
}

TEST_F(DviewTest, TheResultFileByteForByte) {
  char saved_tmp[sizeof tmpdir];
  std::memcpy(saved_tmp, tmpdir, sizeof tmpdir);
  char dir[] = "/tmp/dview-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/gl_dview.lsp";
  const auto file = [&] {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
  };
  const auto result = [&](const char *directory) {
    std::snprintf(tmpdir, sizeof tmpdir, "%s", directory);
    DviewState = kDviewResult, dview = 1, PstringNeeded = DviewCmd = 0;
    midentity(ViewingMatrix);
    EXPECT_EQ(request(dview_pstring, 0, 100, 100), 1);
    EXPECT_EQ(dview, 0);
    EXPECT_EQ(std::memcmp(ViewingMatrix, DviewMatrix, sizeof(Matrix)), 0);   // the view stays
  };
  const std::string expected =
      "(defun gl_dview ( / a l pt1 pt2 pt3 s w)\n (setq s (getvar \"CMDECHO\"))\n (setvar \"CMDECHO\" 0)\n"
      " (setq a (getvar \"AUNITS\"))\n (setq l (getvar \"LUNITS\"))\n (setq w (getvar \"WORLDVIEW\"))\n"
      " (setvar \"AUNITS\" 0)\n (setvar \"LUNITS\" 2)\n (setvar \"WORLDVIEW\" 1)\n"
      " (command \"_DVIEW\" \"\" \"_CA\" \"12.5\" \"-30\" \"\")\n"
      " (setvar \"WORLDVIEW\" w)\n (setvar \"AUNITS\" a)\n (setvar \"LUNITS\" l)\n (setvar \"CMDECHO\" s)\n"
      ") (gl_dview)\n";

  // Ended before any movement: a blank command line. A second result
  // overwrites the first.
  const std::string here = std::string(dir) + "/";
  result(here.c_str());
  EXPECT_NE(file().find("\n \n"), std::string::npos);
  std::strcpy(DviewCommand, "(command \"_DVIEW\" \"\" \"_CA\" \"12.5\" \"-30\" \"\")");
  mtranslate(1, 2, 3, DviewMatrix);
  result(here.c_str());
  EXPECT_EQ(file(), expected);
  EXPECT_TRUE(DviewState == kDviewResult && DviewCmd == 1 && PstringNeeded == 1);
  // A repaint of the shaded viewport before the load is typed keeps it.
  request(dview_shade, 2, 100, 100);
  EXPECT_EQ(DviewState, kDviewResult);
  // Three string requests only count; the fourth types the load.
  for (int i = 0; i < 4; ++i) {
    TestPacket t(47, 264, {1, 0});
    pstring(t.p);
    EXPECT_EQ(std::string(t.p.text(8)), i < 3 ? "" : "(load \"" + here + "gl_dview.lsp\")\n") << i;
  }
  EXPECT_EQ(DviewState, kDviewResultTyped);
  EXPECT_EQ(PstringNeeded, 0);
  DviewState = kDviewResult;

  // A directory that cannot be written: no result, the old file kept.
  result((here + "missing/").c_str());
  EXPECT_TRUE(DviewState == 0 && PstringNeeded == 0);
  EXPECT_EQ(file(), expected);

  std::remove(path.c_str());
  rmdir(dir);
  std::memcpy(tmpdir, saved_tmp, sizeof tmpdir);
}

}  // namespace
