// String requests: the order they are served in, both reply layouts, the
// windows converted to world units, the exchange of view variables and the
// sync packet.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "support/capture_stderr.h"
#include "support/test_packet.h"
#include "tool_fixture.h"

namespace {

class StringInput : public ToolTest {
 protected:
  // A string request of the client for viewport 1.
  static TestPacket request(int flags = 0, std::size_t length = 264) {
    TestPacket t(47, length, {1, flags});
    return t;
  }
  // The reply's text and flags as the level puts them.
  static std::string text_of(const TestPacket &t) {
    const int level = static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]);
    return std::string(t.p.text(level == 7 || level == 8 ? 8 : 4));
  }
  std::string serve(int flags = 0) {
    TestPacket t = request(flags);
    EXPECT_EQ(pstring(t.p), 1);
    last_flags = t.p.u16(6);
    return text_of(t);
  }
  int last_flags = -1;
};

TEST_F(StringInput, PendingRequestsGoOneAPacketInTheirOrder) {
  // Set in the opposite order: the pan, the clean-up, the redraw, the
  // Birdseye zoom.
  newxl = 0, newyl = 100, newxh = 500, newyh = kRange;
  dlist_pan = CleanSelect = RedrawSelect = 1;
  brx1 = 0, bry1 = 10, brx2 = 500, bry2 = 600;
  BirdseyeState = 0x20;
  PstringNeeded = 4;

  // A low edge on the range's edge moves one unit in, the high edge stays.
  EXPECT_EQ(serve(), "'ZOOM $0 1.0000000 10.0000000 500.0000000 600.0000000 ");
  EXPECT_EQ(last_flags, kStringFlagsDriver);
  EXPECT_EQ(BirdseyeState, 0x21);
  EXPECT_EQ(pkzoom_xh, 500);
  EXPECT_EQ(serve(), "'REDRAW\n");
  EXPECT_EQ(CleanDisplayList, 0);
  EXPECT_EQ(serve(), "'REDRAW\n");
  EXPECT_EQ(CleanDisplayList, 1);
  // A pan pulls both edges that lie on the range's edges inwards.
  EXPECT_EQ(serve(), "'ZOOM $0 1.0000000 100.0000000 500.0000000 999.0000000 ");
  EXPECT_EQ(pkzoom_yh, kRange);
  EXPECT_EQ(PstringNeeded, 0);
  EXPECT_EQ(serve(), "");
  EXPECT_EQ(last_flags, 0);
}

TEST_F(StringInput, ZoomRequestsTypeTheirWindows) {
  struct Case {
    int request;
    const char *text;
    int pk_xh;
  };
  // View 100..600 of a range of 1000 over the extents 0..1001: logical
  // units are world units in the view form of 2 and 3.
  vp_info[1].extents[3] = vp_info[1].extents[4] = kRange + 1;
  const Case cases[] = {
      {1, "'ZOOM $0 0.5005000 0.5005000 1000.4995117 1000.4995117 ", 32766},
      {2, "'ZOOM $1 100.0000000 100.0000000 600.0000000 600.0000000 ", 600},
      {3, "'ZOOM $2 100.0000000 100.0000000 600.0000000 600.0000000 ", 600},
  };
  for (const Case &c : cases) {
    ZoomRequest = c.request;
    PstringNeeded = 1;
    EXPECT_EQ(serve(), c.text) << c.request;
    EXPECT_EQ(pkzoom_xh, c.pk_xh);
    EXPECT_EQ(ZoomRequest, 0);
  }
}

TEST_F(StringInput, RequestFlagsAndLevelsShapeTheReply) {
  // Flags 4: nothing is consumed.
  RedrawSelect = 1, PstringNeeded = 1;
  EXPECT_EQ(serve(4), "");
  EXPECT_EQ(PstringNeeded, 1);
  // Level 6: the text starts at 4 and no flags are written.
  Pkinit.field[kPkinitLevel] = 6;
  TestPacket t = request();
  pstring(t.p);
  EXPECT_EQ(std::string(t.p.text(4)), "'REDRAW\n");
  Pkinit.field[kPkinitLevel] = 8;

  // Flags 2: a Birdseye zoom and a zoom are consumed without text, a redraw is typed.
  BirdseyeState = 0x20, ZoomRequest = 1, RedrawSelect = 1, PstringNeeded = 3;
  EXPECT_EQ(serve(2), "");
  EXPECT_EQ(BirdseyeState, 0x22);
  EXPECT_EQ(serve(2), "'REDRAW\n");
  EXPECT_EQ(serve(2), "");
  EXPECT_EQ(ZoomRequest, 0);
  EXPECT_EQ(PstringNeeded, 0);
}

TEST_F(StringInput, ARequestTooShortForItsTextLeavesItPending) {
  RedrawSelect = 1, PstringNeeded = 1;
  TestPacket shortened = request(0, 12);
  pstring(shortened.p);
  EXPECT_EQ(shortened.p.u16(6), 0);
  EXPECT_EQ(shortened.bytes[12], 0);  // nothing past the request
  EXPECT_EQ(RedrawSelect, 1);
  EXPECT_EQ(PstringNeeded, 1);
  EXPECT_EQ(serve(), "'REDRAW\n");
}

TEST_F(StringInput, LispLoadStringsAreQuotedAndBounded) {
  char saved[sizeof driver_path];
  std::memcpy(saved, driver_path, sizeof saved);
  char text[kStringMax];
  int flags = 0;
  std::strcpy(driver_path, "/opt/a\"b\\c/");
  ASSERT_EQ(BuildLispLoadString(text, &flags), 1);
  EXPECT_STREQ(text, "(load \"/opt/a\\\"b\\\\c/gl_lisp\")\n");
  EXPECT_EQ(WaitForPSYNC, 1);
  // A path that does not fit, or holds a line end, is never typed; the
  // exchange ends instead of waiting for it.
  for (const std::string &path : {std::string(300, 'd') + "/", std::string("/a\nb/")}) {
    std::snprintf(driver_path, sizeof driver_path, "%s", path.c_str());
    EXPECT_EQ(BuildLispLoadString(text, &flags), 0);
    acadvar_req = 1, PstringNeeded = 1, WaitForPSYNC = 0;
    EXPECT_EQ(serve(), "");
    EXPECT_EQ(acadvar_req, 0);
    EXPECT_EQ(PstringNeeded, 0);
  }
  std::memcpy(driver_path, saved, sizeof saved);
}

class Exchange : public StringInput {
 protected:
  std::string dir;
  char saved_tmpdir[sizeof tmpdir] = {};
  void SetUp() override {
    StringInput::SetUp();
    char tmpl[] = "/tmp/kova-sysvar-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    std::memcpy(saved_tmpdir, tmpdir, sizeof tmpdir);
    std::snprintf(tmpdir, sizeof tmpdir, "%s/", dir.c_str());
  }
  void TearDown() override {
    std::remove((dir + "/@sysvar.dat").c_str());
    rmdir(dir.c_str());
    std::memcpy(tmpdir, saved_tmpdir, sizeof tmpdir);
    StringInput::TearDown();
  }
  void sync() {
    TestPacket s(23, 12, {0, 0, 1, 0, 0});
    psync(s.p);
  }
};

constexpr char kGoodFile[] =
    "BACKZ = 1.5\nEXTMAX = 10,20,30\nEXTMIN = -1,-2,-3\nFRONTZ = 2\nLENSLENGTH = 50\nTARGET = 1,2,3\n"
    "UCSORG = 0,0,0\nUCSXDIR = 1,0,0\nUCSYDIR = 0,1,0\nVIEWCTR = 5,6,0\nVIEWDIR = 0,0,1\nVIEWMODE = 1\n"
    "VIEWSIZE = 9\nVIEWTWIST = 0.25\nVSMAX = 100,100,0\nVSMIN = -100,-100,0\nWORLDUCS = 1\n";

TEST_F(Exchange, TheFileIsReadAfterOneRequestAndFourSyncs) {
  acadvar_req = 1, PstringNeeded = 1;
  EXPECT_EQ(serve().substr(0, 7), "(load \"");
  EXPECT_EQ(serve(), "");  // waits for the sync
  for (int step = 3; step <= 5; ++step) {
    sync();
    serve();
    EXPECT_EQ(acadvar_req, step);
  }
  sync();
  // Not there yet: a progress dot, and the next sync tries again.
  serve();
  EXPECT_EQ(printed(), ".");
  EXPECT_EQ(WaitForPSYNC, 1);
  EXPECT_EQ(PstringNeeded, 1);
  std::ofstream(dir + "/@sysvar.dat") << kGoodFile;
  sync();
  serve();
  EXPECT_EQ(printed(), "\bdone.\r\n");
  EXPECT_EQ(acadvar_req, 0);
  EXPECT_EQ(PstringNeeded, 0);
  EXPECT_NE(access((dir + "/@sysvar.dat").c_str(), F_OK), 0);
  const ViewportRecord &vp = vp_info[1];
  EXPECT_FLOAT_EQ(vp.back_z, 1.5f);
  EXPECT_FLOAT_EQ(vp.ext_min[2], -3.0f);
  EXPECT_EQ(vp.viewmode, 1);
  EXPECT_FLOAT_EQ(vp.view_twist, 0.25f);
  EXPECT_FLOAT_EQ(vp.vs_min[0], -100.0f);
}

// What is no regular file under the name is said and ends the exchange, the
// values as they were and the node left; a huge file is read no further than
// its seventeen lines go, said once, and then taken away as any other.
TEST_F(Exchange, NoFileEndsTheExchangeAndAHugeFileIsReadOnlyAsFarAsItsLines) {
  const std::string path = dir + "/@sysvar.dat";
  enum { kFifo, kDirectory, kHuge };
  const struct {
    int kind;
    std::string said;
    float back_z;
  } cases[] = {
      {kFifo, "cannot read " + path + ": not a regular file", 7},
      {kDirectory, "cannot read " + path + ": " + std::strerror(EISDIR), 7},
      {kHuge, path + ": only its first 4352 bytes were read", 2.5f},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.said);
    if (c.kind == kFifo) {
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    } else if (c.kind == kDirectory) {
      ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    } else {
      std::ofstream(path) << "BACKZ = 2.5\n";
      ASSERT_EQ(truncate(path.c_str(), off_t{1} << 30), 0);  // 1 GiB, sparse
    }
    vp_info[1].back_z = 7;
    acadvar_req = 5, PstringNeeded = 1, WaitForPSYNC = 0;
    EXPECT_EQ(stderr_of([&] { serve(); }), "WARNING: rcKovaGL: " + c.said + "\n");
    EXPECT_EQ(acadvar_req, 0);
    EXPECT_EQ(PstringNeeded, 0);
    EXPECT_FLOAT_EQ(vp_info[1].back_z, c.back_z);
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st) == 0, c.kind != kHuge);
    EXPECT_TRUE(c.kind != kFifo || S_ISFIFO(st.st_mode));
    std::remove(path.c_str());
  }
  printed();
}

TEST_F(Exchange, ALineThatDoesNotMatchEndsTheReading) {
  const std::string path = dir + "/@sysvar.dat";
  ViewportRecord &vp = vp_info[1];
  vp.front_z = 7;
  vp.target[0] = 7;
  // The third line is not EXTMIN; a number that is none stops as well.
  for (const char *file : {"BACKZ = 3\nEXTMAX = 1,2,3\nEXTMIN: 4,5,6\nFRONTZ = 2\n",
                           "BACKZ = 3\nEXTMAX = 1,2,3\nEXTMIN = 4,nan,6\nFRONTZ = 2\n"}) {
    std::ofstream(path) << file;
    std::FILE *f = std::fopen(path.c_str(), "r");
    EXPECT_EQ(ReadSysvarFile(f, vp), 2);
    std::fclose(f);
    EXPECT_FLOAT_EQ(vp.ext_max[2], 3.0f);
    EXPECT_FLOAT_EQ(vp.front_z, 7.0f);
  }
  // A line longer than the reader's buffer is consumed whole.
  std::ofstream(path) << "BACKZ = 4" << std::string(400, ' ') << "\nEXTMAX = 8,8,8\n";
  std::FILE *f = std::fopen(path.c_str(), "r");
  EXPECT_EQ(ReadSysvarFile(f, vp), 2);
  std::fclose(f);
  EXPECT_FLOAT_EQ(vp.ext_max[0], 8.0f);
}

TEST_F(Exchange, TheShippedLispWritesTheLinesTheReaderTakes) {
  std::stringstream lisp;
  lisp << std::ifstream(KOVA_SOURCE_DIR "/support/gl_lisp").rdbuf();
  // Each line the file writes, in its order, as the Lisp would write it.
  const std::string text = lisp.str();
  const std::regex line("\\(gl_sysvar_line file \"([A-Z]+)\" \\((gl_sysvar_point|gl_sysvar_real|itoa) ");
  std::string written;
  int lines = 0;
  for (auto m = std::sregex_iterator(text.begin(), text.end(), line); m != std::sregex_iterator(); ++m, ++lines) {
    const std::string kind = (*m)[2];
    const char *value = kind == "gl_sysvar_point" ? "-1.50000000,2.00000000,0.00000000"
                        : kind == "itoa"            ? "1"
                                                    : "2.50000000";
    written += (*m)[1].str() + " = " + value + "\n";
  }
  const std::string path = dir + "/@sysvar.dat";
  std::ofstream(path) << written;
  std::FILE *f = std::fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ReadSysvarFile(f, vp_info[1]), 17);
  EXPECT_EQ(lines, 17);
  std::fclose(f);
  EXPECT_FLOAT_EQ(vp_info[1].vs_min[0], -1.5f);
}

TEST_F(StringInput, SyncCodesSetTheRegenerationState) {
  struct Case {
    int code, during_regen, stable, modified;
  };
  const Case cases[] = {{1, 1, 0, 5}, {2, 1, 0, 5},  {3, 0, 0, 5},  {4, 0, 0, 5},  {-1, 0, 1, 0},
                        {-2, 0, 1, 5}, {-3, 0, 1, 0}, {-4, 0, 1, 5}, {100, 0, 0, 5}};
  for (const Case &c : cases) {
    DuringRegen = 0, product_stable = 0, dlist_modified = 5;
    vp_info[1].flags = kVpExtentsKnown;
    vp_info[0].flags = 0;
    BirdseyeState = 0x22, DviewState = 16, WaitForPSYNC = 1;
    CurrentPmark[kPmarkState] = 7;
    TestPacket s(23, 12, {0, 0, 1, 0, c.code});
    EXPECT_EQ(psync(s.p), 1);
    EXPECT_EQ(DuringRegen, c.during_regen) << c.code;
    EXPECT_EQ(product_stable, c.stable) << c.code;
    EXPECT_EQ(dlist_modified, c.modified) << c.code;
    // Only -3 marks the redrawn viewports drawn, and never viewport 0.
    EXPECT_EQ((vp_info[1].flags & kVpListDrawn) != 0, c.code == -3) << c.code;
    EXPECT_EQ(vp_info[0].flags & kVpListDrawn, 0);
    EXPECT_EQ(BirdseyeState, 0);
    EXPECT_EQ(DviewState, 0);
    EXPECT_EQ(WaitForPSYNC, 0);
    EXPECT_EQ(CurrentPmark[kPmarkState], 0);
  }
}

}  // namespace
