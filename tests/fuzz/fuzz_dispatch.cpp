// Message framing and dispatch: any bytes as what a client writes down the
// packet pipe in one run of the driver. The replies and events go to
// /dev/null; the packets draw into an off-screen context of the graphics
// library, so the drawing code is reached too.
//
// An input is one byte that chooses the configuration (below), then a run of
// messages as the pipe carries them: a u32 length, then that many bytes
// holding packets, each behind its u32 length and padded to a multiple of 4,
// ended by a zero length word. A message the channel refuses ends the input,
// as it ends the driver. Unless the kill packet ended it, the whole window is
// then exposed once, so the repaint from the lists runs on what the input
// left.
//
// Every input starts from the state of a driver that has just started: no
// session, no viewports, display lists, drag lists, saved boxes or blits, the
// cursor and the digitizer at rest. What an input reaches then depends on
// that input alone, and a crash file replays alone. No configuration file is
// read or written (the configuration directory is empty), no support file is
// looked for along ACAD, and the time slices run on a clock that moves one
// tick each time it is read.
//
// The configuration is the defaults, changed by each bit set in the first
// byte as if the driver's file had said so (see kSettings).
//
// Handles of saved boxes and blits carry serial numbers that run on for the
// life of the process. An input names them as a fresh driver numbers them:
// 0x20000100 is the first box pushed, 0x10000100 the first block saved, the
// low byte the slot; they are moved on here by the serials used before the
// input.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "adi/dispatch.h"
#include "adi/pointer.h"
#include "adi/sample_routing.h"
#include "adi/screen_mode.h"
#include "adi/session.h"
#include "base/channel.h"
#include "base/config_record.h"
#include "base/events.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/commands.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "commands/string_input.h"
#include "config/config_file.h"
#include "config/config_menus.h"
#include "dialogs/dialog_packets.h"
#include "display/aui_records.h"
#include "display/blits.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/drag.h"
#include "display/redraw.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "render3d/dview.h"
#include "render3d/faces.h"
#include "render3d/lights.h"
#include "render3d/projection.h"
#include "render3d/tumble.h"
#include "ui/context.h"
#include "ui/menubar.h"

// Defined by the driver without a header that declares them.
extern int dpage_count, dentity_count;

namespace {

constexpr int kWidth = 160, kHeight = 120;

// ---- the state of a fresh driver ----------------------------------------------

// A global as the process had it before its first packet.
struct Kept {
  void *at;
  std::size_t size;
  std::vector<unsigned char> start;
};
#define KEEP(x) Kept{static_cast<void *>(&(x)), sizeof(x), {}}

// Everything the packets change that a fresh driver starts without. The
// display-list pages, drag pages, drawing records, saved boxes and blits an
// input made are freed through the driver's own routines when it ends
// (give_back), so putting these words back loses nothing.
std::vector<Kept> kept = {
    // session
    KEEP(Pkinit), KEEP(init_called), KEEP(afterpinit), KEEP(Initialized), KEEP(FirstTimeInACAD),
    KEEP(product_stable), KEEP(aftershell), KEEP(KEL), KEEP(Tarvex), KEEP(xmin), KEEP(ymin), KEEP(xmax),
    KEEP(ymax), KEEP(graphy), KEEP(xsize), KEEP(ysize), KEEP(CharWidth), KEEP(CharHeight), KEEP(CharDescender),
    KEEP(maxboxes), KEEP(PromptArea), KEEP(ScreenMenu), KEEP(StatusLine), KEEP(EightBit), KEEP(cdname),
    KEEP(tmpdir), KEEP(font8bit), KEEP(sysmenubar), KEEP(cmchar), KEEP(maxchar), KEEP(pkzoom_xl),
    KEEP(pkzoom_yl), KEEP(pkzoom_xh), KEEP(pkzoom_yh), KEEP(pkzoom_ok), KEEP(OriginalFontName),
    KEEP(OriginalNumberOfPromptLines), KEEP(GL_Menu_Bar), KEEP(dialog_complete), KEEP(MainApp), KEEP(SecondaryApp),
    KEEP(WhoIsCalling), KEEP(Old), KEEP(PathSet), KEEP(driver_path), KEEP(config_path),
    // configuration
    KEEP(cfr), KEEP(newcfr), KEEP(tempcfr), KEEP(cfgptr), KEEP(WriteConfig), KEEP(NoWriteConfig),
    KEEP(NewConfig), KEEP(quit_warning), KEEP(config_loaded), KEEP(ConfigState), KEEP(ReloadPalette),
    // display list, viewports, redraw
    KEEP(alloc_size), KEEP(page_limit), KEEP(do_32bit_regen), KEEP(page_count), KEEP(rpage_count),
    KEEP(rentity_count), KEEP(dlist_modified), KEEP(erase), KEEP(ecount), KEEP(DuringRegen), KEEP(dlist_pan),
    KEEP(dlcolor), KEEP(dl1), KEEP(dl2), KEEP(bl1), KEEP(bl2), KEEP(Polygon), KEEP(Polygon32), KEEP(vp_info),
    KEEP(vtrans), KEEP(vport_count), KEEP(last_vpn), KEEP(last_vp), KEEP(CurrentViewport),
    KEEP(BirdseyeViewport), KEEP(RenderedViewport), KEEP(view_extents), KEEP(layer), KEEP(layer_ptr),
    KEEP(redraw_list), KEEP(RedrawDisplayList), KEEP(PartialRedrawDisplayList), KEEP(redraw_next_vp),
    KEEP(redraw_whole), KEEP(redraw_rect_given), KEEP(redraw_rect), KEEP(dlvpnum), KEEP(current_style),
    KEEP(RefreshHilight), KEEP(xor_line_started), KEEP(CleanDisplayList),
    // boxes, blits, drawing records, cursor and marks
    KEEP(MemoryStorage), KEEP(MemoryPtr), KEEP(MemoryBytes), KEEP(ZbufferInstalled), KEEP(ZbufferFull),
    KEEP(pushcount), KEEP(AUI_pushcount), KEEP(AUI_ListHead), KEEP(AUI_CurrentPage), KEEP(AUI_WritePtr),
    KEEP(cursor_up), KEEP(cursor_x), KEEP(cursor_y), KEEP(clear_cursor), KEEP(AUI_CursorCount),
    KEEP(AUI_cursorx), KEEP(AUI_cursory), KEEP(CurrentPmark), KEEP(hold_mark), KEEP(hold_mark_allowed),
    KEEP(coord_str),
    // colours and the drawing wrappers
    KEEP(DisplayMap), KEEP(PaletteTable), KEEP(PaletteSaturation), KEEP(UI_background), KEEP(UI_dark),
    KEEP(UI_light), KEEP(UI_contrast), KEEP(ChangeUIcolors), KEEP(Color16), KEEP(ntsc_pal), KEEP(draw_mode),
    KEEP(CurrentMatrixNumber), KEEP(CurrentCursor), KEEP(Iconified), KEEP(ScreenMatrix),
    KEEP(RenderingMatrix), KEEP(ProjectionMatrix), KEEP(ViewingMatrix), KEEP(IdentityMatrix), KEEP(gd_zmin),
    KEEP(gd_zmax),
    // screens, text and prompt area, events
    KEEP(textmode), KEEP(MenuItemOn), KEEP(refresh_tcursx), KEEP(refresh_tcursy), KEEP(menubar),
    KEEP(keyboard_pressed), KEEP(char_pkt), KEEP(charbf), KEEP(charbf_count), KEEP(tcursx), KEEP(tcursy),
    KEEP(pboxno), KEEP(MenuTextPtr), KEEP(PromptBuffer), KEEP(prompt_pen), KEEP(text_echo), KEEP(no_echo),
    KEEP(KESTRILA_MODE), KEEP(mode_str), KEEP(mode_flags), KEEP(last_arrow_key), KEEP(pick_count),
    KEEP(action_key), KEEP(cancel_key),
    // the tools, the status line, dialogs, 3D and DVIEW
    KEEP(PstringNeeded), KEEP(busy_with_dialog), KEEP(ProjSet), KEEP(ViewSet), KEEP(menu_file_pathname),
    KEEP(iconic_file_name), KEEP(iconic_file_prefix), KEEP(dpage_count), KEEP(dentity_count), KEEP(bview),
    KEEP(BirdseyeMode), KEEP(BirdseyeState), KEEP(TextScreenBirdseye), KEEP(MFLicon), KEEP(commands),
    KEEP(IconState), KEEP(CommandState), KEEP(TextScreenPalette), KEEP(local_cmd), KEEP(ZoomRequest),
    KEEP(MatlIndex), KEEP(tumble), KEEP(dview), KEEP(DviewState), KEEP(GL_Status_Line),
};
#undef KEEP

// The settings the bits of an input's first byte change, from bit 0 up.
struct Setting {
  int word, value;
};
constexpr Setting kSettings[8] = {
    {kWordDisplayList, 2},      // a colour-0 entity erases the one it repeats
    {kWordRefreshList, 0},      // no refresh list and no drawing records
    {kWordNonStopRedraw, 0},    // redraws in time slices
    {kWordDoubleBuffer, 0},     // single buffered
    {kWordPageSize, 1024},      // the smallest display-list pages
    {kWord32BitList, 0},        // no 32-bit display list
    {kWordListDrag, 0},         // drags not recorded
    {kWordPolygonOutline, 0},   // polygons without outlines
};

// The time slices: one tick a reading, so a sliced redraw or drag always
// stops after the same pages.
int ticks;
void reset_ticks() { ticks = 0; }
int read_ticks() { return ticks++; }

KglContext *context;

// Handles: table tag, 20-bit serial, slot in the low byte.
struct HandleSerials {
  std::uint32_t tag;
  std::uint32_t last;  // serial of the last handle the driver gave out
  std::uint32_t base;  // ... when the input began
};
HandleSerials box_serials{0x20000000u, 0, 0}, blit_serials{0x10000000u, 0, 0};
constexpr std::uint32_t kSerialCount = 0xFFFFFu;  // serials run 1..0xFFFFF

std::uint32_t driver_handle(std::uint32_t handle, const HandleSerials &s) {
  const std::uint32_t serial = handle >> 8 & kSerialCount;
  if ((handle & 0xF0000000u) != s.tag || serial == 0) return handle;
  return s.tag | ((s.base + serial - 1) % kSerialCount + 1) << 8 | (handle & 0xFFu);
}

void note_handle(std::uint32_t handle, HandleSerials &s) {
  const std::uint32_t serial = handle >> 8 & kSerialCount;
  if ((handle & 0xF0000000u) == s.tag && serial != 0) s.last = serial;
}

constexpr int kPboxpush = 29, kPboxpop = 30, kPbigblit = 74, kPinit = 1, kPreinit = 57;
constexpr std::size_t kHandleAt = 12;

void start() {
  // Files the packets write (quick plots, snapshots, the log) go to a folder
  // of the run's own, removed at exit.
  static char folder[] = "/tmp/fuzz-dispatch-XXXXXX";
  if (mkdtemp(folder) != nullptr && chdir(folder) == 0)
    std::atexit([] { std::filesystem::remove_all(folder); });
  // No configuration file and no support files from the user's directories.
  unsetenv("ACAD");
  std::strcpy(driver_path, "./");
  config_path[0] = '\0';
  PathSet = 1;
  const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
  packet_client = init_pkt(-1, sink, -1, -1, sink);
  // The colours the driver loads at start-up, before any packet.
  ChangePalette(1);
  for (Kept &k : kept) {
    const auto *from = static_cast<const unsigned char *>(k.at);
    k.start.assign(from, from + k.size);
  }
}

// What the first session of a process sets up once and later sessions keep:
// the viewport table from the layout of that session, and the cursor's
// shape in the graphics library.
void first_session_setup() {
  reset_viewport_table();
  static const Uint16 empty[kCursorSize] = {};
  curstype(KGL_C16X1);
  defcursor(1, empty);
  curorigin(1, kCursorHotX, kCursorHotY);
  cursor_x = xsize / 2;
  cursor_y = ysize / 2;
}

// What the driver holds of a run is given back at its end, so that an input
// allocates no more than it frees and a block the driver lost shows as a
// leak.
void give_back() {
  discard_saved_boxes();
  for (int slot = 0; slot < kBlitSlots; ++slot) free_blit(slot);
  Free_AUI_List();
  init_display_list(4096);  // frees every display-list and refresh page
  for (int index = 0; index < kViewportCount; ++index) {
    empty_vlist(index, 1);
    free_saved_pixels(index);
  }
  if (log_fd != nullptr) {
    std::fclose(log_fd);
    log_fd = nullptr;
  }
  Free_FACE_List();
  ResetStringRequests();
  ResetCommandPalette();
  ResetBirdseye();
  ForgetStatusLine();
  ResetConfigMenus();
  discard_waiting_events();
  kgl_offscreen_destroy(context);
  context = nullptr;
}

void fresh_driver(int settings) {
  for (const Kept &k : kept) std::memcpy(k.at, k.start.data(), k.size);
  for (int bit = 0; bit < 8; ++bit)
    if (settings & 1 << bit) cfr.word(kSettings[bit].word) = kSettings[bit].value;
  newcfr = tempcfr = cfr;
  reset_digitizer_state();
  reset_pointer_state();
  reset_blank_highlight();
  redraw_reset_timer = drag_reset_timer = reset_ticks;
  redraw_read_timer = drag_read_timer = read_ticks;
  ticks = 0;
  box_serials.base = box_serials.last;
  blit_serials.base = blit_serials.last;
  context = kgl_offscreen_create(kWidth, kHeight);
  kgl_offscreen_make_current(context);
}

std::uint32_t load_u32(const std::uint8_t *p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

std::uint8_t spill[kMessageMax];

// Runs the packets of the message in the client's buffer one at a time, as
// the channel does, with the handles moved in and noted on the way. Returns
// true after the kill packet.
bool run_message(PacketClient *client, bool &session_seen) {
  std::uint32_t offset = 0;
  for (;;) {
    const std::uint32_t n = load_u32(client->buffer + offset);
    if (n == 0) return false;
    Packet packet(client->buffer + offset + 4, n, spill);
    offset += ((n + 3) & ~3u) + 4;
    const int op = packet.opcode();
    const bool blit_save = op == kPbigblit && (packet.i16(10) & 1);
    if (packet.size() >= kHandleAt + 4) {
      if (op == kPboxpop) packet.put_u32(kHandleAt, driver_handle(packet.u32(kHandleAt), box_serials));
      if (op == kPbigblit && !blit_save)
        packet.put_u32(kHandleAt, driver_handle(packet.u32(kHandleAt), blit_serials));
    }
    const bool killed = packet_handler(client, packet, n) != 0;
    // The handle of a record made comes back in the reply.
    if (op == kPboxpush) note_handle(packet.u32(kHandleAt), box_serials);
    if (blit_save) note_handle(packet.u32(kHandleAt), blit_serials);
    if ((op == kPinit || op == kPreinit) && packet.i16(2) == 1 && !session_seen) {
      session_seen = true;
      first_session_setup();
    }
    if (killed) return true;
  }
}

// The messages of an input, then the exposure unless the kill packet ended
// the run.
void run_input(const std::uint8_t *data, std::size_t size) {
  PacketClient *client = packet_client;
  bool session_seen = false;
  std::size_t at = 0;
  while (size - at >= 4) {
    const std::uint32_t length = load_u32(data + at);
    at += 4;
    if (length == 0) continue;  // an empty message runs nothing
    if (length > kMessageMax || length > size - at || !valid_message(data + at, length)) break;
    std::memcpy(client->buffer, data + at, length);
    at += length;
    client->message = client->buffer;
    client->length = length;
    client->offset = 0;
    if (run_message(client, session_seen)) return;
  }
  const RefreshArea window{0, 0, static_cast<std::uint16_t>(xsize), static_cast<std::uint16_t>(ysize)};
  adi_refresh(&window);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const bool started = (start(), true);
  (void)started;
  if (size == 0) return 0;
  fresh_driver(data[0]);
  run_input(data + 1, size - 1);
  give_back();
  return 0;
}
