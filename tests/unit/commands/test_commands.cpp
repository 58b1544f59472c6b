// The driver's command interpreter: lookup, arguments and their messages,
// the settings in all three records, pans at the range's edges, the gates and
// the text-screen deferral, the log file.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "render3d/primitives.h"
#include "support/capture_stderr.h"
#include "support/scoped_env.h"
#include "support/test_packet.h"
#include "tool_fixture.h"

namespace {

class Commands : public ToolTest {
 protected:
  // The command packet's result word.
  static int command(const char *text) {
    TestPacket t(25, 6 + std::strlen(text) + 1);
    t.text(6, text);
    EXPECT_EQ(pcommand(t.p), 1);
    return t.p.i16(2);
  }
};

TEST_F(Commands, ArgumentsFollowTheNameAsTheTableSpellsIt) {
  struct Case {
    const char *text;
    const char *printed;
    int page_size;  // word 100 afterwards, in all three records
  };
  const Case cases[] = {
      {"MFL_PAGESIZE", "Current MFL_PAGESIZE: 4kB\r\n", 4096},
      {"mfl_pagesize", "Current MFL_PAGESIZE: 4kB\r\n", 4096},
      {"MFL_PAGESIZE 300", "Value is out of range: [1..256]: (300)\r\n", 4096},
      {"MFL_PAGESIZE 99999999999", "Value is out of range: [1..256]: (2147483647)\r\n", 4096},
      // Found, but the number of a name in another spelling is not read.
      {"mfl_pagesize 8", "", 4096},
      {"MFL_PAGESIZE x", "", 4096},
      {"MFL_PAGESIZE \t 8", "", 8192},
      {"MFL_PAGESIZE16", "", 16384},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(command(c.text), 1) << c.text;
    EXPECT_EQ(printed(), c.printed) << c.text;
    for (const ConfigRecord *r : {&cfr, &newcfr, &tempcfr}) EXPECT_EQ(r->word(kWordPageSize), c.page_size) << c.text;
  }
  EXPECT_EQ(CleanSelect, 1);
  EXPECT_EQ(PstringNeeded, 2);  // one clean-up a change
  command("MFL_PROMPTLINE");
  EXPECT_EQ(printed(), "Current MFL_PROMPTLINE: 3\r\n");
}

TEST_F(Commands, LookupAndWordOptions) {
  struct Case {
    const char *text;
    int result;
    std::uint32_t render, degen;
  };
  const Case cases[] = {
      {"RMODE _SMOOTH2", 1, 0x8000, 0x800000}, {"RMODE _S", 1, 0x10000, 0x800000},
      {"RMODE _flat2", 1, 0x20000, 0x800000},  {"rmode _flat2", 1, 0x8000, 0x800000},
      {"RMODE _NOPE", 1, 0x8000, 0x800000},
      {"DMODE _1P", 1, 0x8000, 0x4000000},     {"DMODE", 1, 0x8000, 0x800000},
      {"SNAPSHOTS", 0, 0x8000, 0x800000},      {"NOSUCH 1", 0, 0x8000, 0x800000},
  };
  for (const Case &c : cases) {
    RenderMode = 0x8000, DegenMode = 0x800000;
    EXPECT_EQ(command(c.text), c.result) << c.text;
    EXPECT_EQ(RenderMode, c.render) << c.text;
    EXPECT_EQ(DegenMode, c.degen) << c.text;
  }
  // CLEAN_ON is found as CLEAN, the earlier row: it counts a clean-up.
  EXPECT_EQ(command("CLEAN_ON"), 1);
  EXPECT_EQ(CleanSelect, 1);
  EXPECT_EQ(PstringNeeded, 1);
  EXPECT_EQ(command("'clean"), 1);
  EXPECT_EQ(PstringNeeded, 2);
  // A number right after the name is read.
  EXPECT_EQ(command("HOLDTIME10"), 1);
  EXPECT_EQ(cfr.word(kWordPickRepeat), 10);
}

TEST_F(Commands, SnapshotInAnyCaseWritesTheScreen) {
  char tmpl[] = "/tmp/kova-snap-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(tmpl), 0);
  EXPECT_EQ(command("'snapshot"), 1);
  EXPECT_EQ(access("snapshot.rgb", F_OK), 0);
  std::remove("snapshot.rgb");
  EXPECT_EQ(chdir(here), 0);
  rmdir(tmpl);
}

TEST_F(Commands, TheResultClearsKeysTypedMeanwhile) {
  cancel_key = action_key = 1;
  EXPECT_EQ(command("NOSUCH"), 0);
  EXPECT_EQ(cancel_key, 1);
  EXPECT_EQ(command("MFL_REDRAW"), 1);
  EXPECT_EQ(cancel_key + action_key, 0);
  EXPECT_EQ(RedrawSelect, 1);
}

TEST_F(Commands, PansKeepTheViewSizeAtTheRangesEdges) {
  struct Case {
    const char *text;
    int xl, yl, xh, yh;
  };
  // The view is 100..600 of 0..1000 both ways.
  const Case cases[] = {
      {"PANRH", 350, 100, 850, 600}, {"'PANRF", 499, 100, 999, 600}, {"PANLH", 0, 100, 500, 600},
      {"PANUF", 100, 499, 600, 999}, {"PANDH", 100, 0, 600, 500},    {"MFL_UP", 100, 266, 600, 766},
      {"MFL_LEFT", 0, 100, 500, 600},
  };
  for (const Case &c : cases) {
    ResetStringRequests();
    dlist_pan = 0;
    command(c.text);
    EXPECT_EQ(newxl, c.xl) << c.text;
    EXPECT_EQ(newyl, c.yl) << c.text;
    EXPECT_EQ(newxh, c.xh) << c.text;
    EXPECT_EQ(newyh, c.yh) << c.text;
    EXPECT_EQ(dlist_pan, 1);
    EXPECT_EQ(PstringNeeded, 1);
  }
}

TEST_F(Commands, ZoomFactorsAreHeldToWhatThePixelsShow) {
  // 1000 units over 320 pixels: at most 3 times.
  command("MFL_ZOOM 0");
  EXPECT_EQ(ZoomRequest, 1);
  EXPECT_EQ(newxh, kRange);
  command("MFL_ZOOM 50");
  EXPECT_EQ(dlist_pan, 1);
  EXPECT_EQ(newxh - newxl, kRange / 3);
  EXPECT_EQ(PstringNeeded, 2);
}

TEST_F(Commands, WindowCommandsWaitForGatesAndTheGraphicsScreen) {
  // No digitizer answers yet: the message, nothing opened.
  pdigitize = 0;
  command("BIRDSEYE");
  EXPECT_EQ(printed(), "AutoCAD digitizer is not responding.\r\n");
  EXPECT_EQ(bview, 0);
  // On the text screen the window waits for the graphics screen.
  pdigitize = 1, textmode = 1;
  command("RTBIRD");
  EXPECT_EQ(TextScreenBirdseye, 1);
  EXPECT_EQ(BirdseyeMode, 1);
  EXPECT_EQ(PstringNeeded, 1);
  EXPECT_EQ(bview, 0);
  textmode = 0;
  OpenDeferredWindows();
  EXPECT_EQ(TextScreenBirdseye, 0);
  EXPECT_EQ(bview, 1);
  EXPECT_EQ(PstringNeeded, 1);  // not counted again
  cancel_birdseye();
  // Not zoomable without drawing extents, unless word 110 says always.
  vp_info[1].flags = 0;
  command("BIRDSEYE");
  EXPECT_EQ(printed(), "AutoCAD indicates this viewport may not be zoomable.\r\n");
}

TEST_F(Commands, ToggleFlipsAColoursDisplay) {
  layer[5] = 1;
  command("TOGGLE 5");
  EXPECT_EQ(layer[5], 0);
  EXPECT_EQ(printed(), " Color 5: Off\r\n");
  command("TOGGLE 5");
  EXPECT_EQ(printed(), " Color 5: On\r\n");
  EXPECT_EQ(RedrawSelect, 1);
  command("TOGGLE 256");
  EXPECT_EQ(layer[5], 1);
  EXPECT_EQ(printed(), "Value is out of range: [1..255]: (256)\r\n");
}

TEST_F(Commands, TheLogFileTakesTheDriversLines) {
  char tmpl[] = "/tmp/kova-log-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string name = std::string(tmpl) + "/session.log";
  {
    ScopedEnv env("ACADLOGFILE", name.c_str());
    command("LOGFILEON");
    ASSERT_NE(log_fd, nullptr);
    EXPECT_EQ(KESTRILA_MODE, 0);
    std::FILE *first = log_fd;
    command("LOGFILEON EUC");
    EXPECT_EQ(log_fd, first);
    EXPECT_EQ(KESTRILA_MODE, 1);
    MyPrints("half a line");
    command("LOGFILEOFF");
    EXPECT_EQ(log_fd, nullptr);
  }
  std::stringstream text;
  text << std::ifstream(name).rdbuf();
  EXPECT_EQ(text.str(), "\n-----KovaGL-Display-Driver-LOG-FILE-----\nhalf a line\n");

  // A disk that fills while the log is written (4,100 bytes where 4,096 fit):
  // said once, with the file and the reason, the log closed with what fitted,
  // and the driver goes on.
  std::remove(name.c_str());
  ScopedEnv env("ACADLOGFILE", name.c_str());
  command("LOGFILEON");
  ASSERT_NE(log_fd, nullptr);
  rlimit saved {};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto saved_handler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  const std::string said = stderr_of([] {
    for (int i = 0; i < 100; ++i) MyPrints((std::string(40, 'x') + "\n").c_str());
  });
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, saved_handler);
  EXPECT_EQ(said, "WARNING: rcKovaGL: cannot write " + name + ": " + std::strerror(EFBIG) + "\n");
  EXPECT_EQ(log_fd, nullptr);
  std::stringstream full;
  full << std::ifstream(name).rdbuf();
  EXPECT_EQ(full.str().size(), 4096u);
  EXPECT_EQ(full.str().rfind("\n-----KovaGL-Display-Driver-LOG-FILE-----\nxxx", 0), 0u);
  EXPECT_EQ(stderr_of([] { command("LOGFILEOFF"); }), "");
  std::remove(name.c_str());
  rmdir(tmpl);
  KESTRILA_MODE = 0;
}

}  // namespace
