// The face list against an off-screen context: pages and their sizes, the
// redraw's state, Draw3d's outlines, materials and faces seen from behind.
#include "face_fixture.h"

#include "display/colour_tables.h"
#include "display/redraw.h"

namespace {

TEST_F(FaceTest, PagesKeepTheSizeTheyWereMadeWith) {
  FACE_redraw(kRenderFlat);   // an empty list finishes at once
  EXPECT_EQ(redraw_list.state, kReplayFinished);

  const FaceRecord r = face({{2, 2}, {3, 3}, {2, 4}});
  store(r);
  EXPECT_EQ(dpage_count, 1);
  EXPECT_EQ(dentity_count, 1);
  for (int i = 1; i < 26; ++i) store(r);
  EXPECT_EQ(dpage_count, 1);
  // A larger word 100 now does not let more into the page made before.
  cfr.word(kWordPageSize) = 8192;
  store(r);
  EXPECT_EQ(dpage_count, 2);
  EXPECT_EQ(FACE_ListHead->records, 26u);
  for (int i = 1; i < 53; ++i) store(r);
  EXPECT_EQ(dpage_count, 2);
  // Too small a word 100 still gives pages that hold a record.
  cfr.word(kWordPageSize) = 8;
  store(r);
  store(r);
  EXPECT_EQ(dpage_count, 4);
  EXPECT_EQ(dentity_count, 26 + 53 + 2);

  // The redraw walks every page, one a call.
  FACE_redraw_all(kRenderFlat);
  EXPECT_EQ(redraw_list.state, kReplayFinished);
  EXPECT_EQ(kgl_read_normal(2, 3), kWhite);
  Free_FACE_List();
  EXPECT_EQ(dpage_count, 0);
  EXPECT_EQ(dentity_count, 0);
  EXPECT_EQ(FACE_ListHead, nullptr);
}

TEST_F(FaceTest, OutlinesDrawTheEdgesWhoseBitsAreClear) {
  FaceRecord q = face({{5, 5}, {25, 5}, {25, 25}, {5, 25}});
  q.flags = 2 | 8;   // edges 0 (bottom) and 2 (top) hidden
  Draw3d(kRenderPlainOutline, &q);
  EXPECT_EQ(kgl_read_normal(15, 5), 0u);
  EXPECT_EQ(kgl_read_normal(25, 15), kWhite);
  EXPECT_EQ(kgl_read_normal(15, 25), 0u);
  EXPECT_EQ(kgl_read_normal(5, 15), kWhite);
  q.flags = 0;
  logicop(KGL_LO_XOR);
  Draw3d(kRenderPlainOutline, &q);   // one closed line: each corner once
  logicop(KGL_LO_SRC);
  EXPECT_EQ(kgl_read_normal(15, 5), kWhite);
  EXPECT_EQ(kgl_read_normal(25, 15), 0u);
  EXPECT_EQ(kgl_read_normal(5, 5), 0u);   // drawn by edge 3 before
  // A line record with bit 2 set is not drawn.
  FaceRecord l = face({{30, 30}, {40, 30}});
  l.flags = 2;
  Draw3d(kRenderPlainOutline, &l);
  EXPECT_EQ(kgl_read_normal(35, 30), 0u);
}

TEST_F(FaceTest, LitRecordsBindTheirMaterialOnceAndNeverLightPointsOrLines) {
  lmdef(KGL_DEFMATERIAL, 7, 0, nullptr);   // diffuse 0.8
  lmdef(KGL_DEFLIGHT, 1, 0, nullptr);      // from +z
  lmbind(KGL_LIGHT0, 1);
  FaceRecord r = face({{2, 2}, {20, 2}, {2, 20}});
  r.flags = kFaceLit | kFaceMaterial;
  r.material = 7;
  r.colour[1] = r.colour[2] = 0;   // red when not lit
  r.normal[2] = 1;
  Draw3d(kRenderFlat, &r);
  EXPECT_EQ(kgl_read_normal(4, 4), 0xFFCCCCCCu);   // 0.8 of white

  // Remembered as bound: the same material again is not bound again, so
  // with the library's binding taken away behind its back the record shows
  // its own colour, not the colour left from before.
  lmbind(KGL_MATERIAL, 0);
  const float green[3] = {0, 1, 0};
  c3f(green);
  Draw3d(kRenderFlat, &r);
  EXPECT_EQ(kgl_read_normal(4, 4), 0xFF0000FFu);

  // A line record unbinds it; the face binds it again and is lit.
  const FaceRecord line = face({{30, 30}, {40, 30}});
  Draw3d(kRenderPlainOutline, &line);
  EXPECT_EQ(kgl_read_normal(35, 30), kWhite);
  Draw3d(kRenderFlat, &r);
  EXPECT_EQ(kgl_read_normal(4, 4), 0xFFCCCCCCu);
  // The outline of hidden-line drawing is not lit either.
  Draw3d(kRenderHidden, &r);
  EXPECT_EQ(kgl_read_normal(2, 10), 0xFF0000FFu);
  lmbind(KGL_LIGHT0, 0);
}

TEST_F(FaceTest, TwoSidedModesLightTheBackOfAFaceSeenFromBehind) {
  lmdef(KGL_DEFMATERIAL, 8, 0, nullptr);
  lmdef(KGL_DEFLIGHT, 1, 0, nullptr);
  lmbind(KGL_LIGHT0, 1);
  // Clockwise on the screen with its normal away from the light: the front
  // is culled, the back drawn with the normal turned towards the light.
  FaceRecord r = face({{2, 2}, {2, 20}, {20, 2}});
  r.flags = kFaceLit | kFaceMaterial;
  r.material = 8;
  r.normal[2] = -1;
  for (const std::uint32_t mode : {kRenderFilledTwoSided, kRenderFlatTwoSided}) {
    clear_black();
    backface(1);
    Draw3d(mode, &r);
    backface(0);
    EXPECT_EQ(kgl_read_normal(4, 4), 0xFFCCCCCCu) << mode;
  }
  clear_black();
  Draw3d(kRenderFlat, &r);   // one side only: lit from behind, dark
  EXPECT_EQ(kgl_read_normal(4, 4), kBlack);
  lmbind(KGL_LIGHT0, 0);
}

TEST_F(FaceTest, ListRedrawsInDepthOrderWithHiddenLines) {
  // A near face over a far one, stored far last: the z-buffer keeps the near.
  FaceRecord near_face = face({{4, 4}, {30, 4}, {30, 30}, {4, 30}}, -0.5f);
  near_face.colour[2] = 0;   // yellow
  FaceRecord far_face = face({{10, 10}, {40, 10}, {40, 40}, {10, 40}}, -1.5f);
  far_face.colour[0] = 0;    // cyan
  store(near_face);
  store(far_face);
  zclear();
  FACE_redraw_all(kRenderFlat);
  EXPECT_EQ(kgl_read_normal(20, 20), 0xFF00FFFFu);
  EXPECT_EQ(kgl_read_normal(35, 35), 0xFFFFFF00u);

  // Hidden lines: the far square's edges behind the near face stay hidden.
  DisplayMap[0][0] = DisplayMap[0][1] = DisplayMap[0][2] = 0;
  clear_black();
  zclear();
  FACE_redraw_all(kRenderHidden);
  EXPECT_EQ(kgl_read_normal(20, 30), 0xFF00FFFFu);   // the near face's top edge
  EXPECT_EQ(kgl_read_normal(20, 10), kBlack);        // the far face's bottom edge, hidden
  EXPECT_EQ(kgl_read_normal(40, 20), 0xFFFFFF00u);   // its right edge, in view
  EXPECT_EQ(kgl_read_normal(20, 20), kBlack);
  MyZbuffer(0);
}

}  // namespace
