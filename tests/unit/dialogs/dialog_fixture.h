// The dialog packets run against the recording widget layer, with the
// replies and result packets read back from a pipe.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/session.h"
#include "dialogs/dialog_box.h"
#include "dialogs/dialog_packets.h"
#include "recording_widgets.h"
#include "support/test_packet.h"
#include "unit/adi/channel_fixture.h"

// Dialog request lengths the tests send.
inline constexpr std::size_t kCreateLength = 64, kShortLength = 40;

struct Result {
  std::uint32_t handle;
  int reason, arg1, arg2;
  std::string text;
  bool operator==(const Result &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const Result &r) {
  return os << "{" << r.handle << "," << r.reason << "," << r.arg1 << "," << r.arg2 << ",\"" << r.text << "\"}";
}

struct DialogTest : ::testing::Test {
  ChannelFixture f;
  RecordingWidgets rec;
  DialogWidgets *saved = nullptr;

  void SetUp() override {
    saved = dialog_widgets;
    dialog_widgets = &rec;
    busy_with_dialog = 0;
    dialog_complete = 0;
    TestPacket init(300, 44);
    send(init);
    f.reply_frames();
  }
  void TearDown() override {
    close_all_dialogs();
    dialog_widgets = saved;
  }

  // Runs a dialog packet as the dispatcher would.
  int send(TestPacket &p) { return dispatch_dialog_packet(f.client, p.p, p.p.size()); }

  // A request of the type and opcode on the record.
  static TestPacket request(int opcode, int type, std::uint32_t record, std::size_t length = kShortLength) {
    TestPacket p(opcode, length, {type});
    p.p.put_u32(8, record);
    return p;
  }

  // A create under parent; its reply.
  TestPacket create(int type, std::uint32_t parent, std::uint32_t flags, const char *label = "", int width = 0,
                    int height = 0, std::uint32_t acad = 0) {
    TestPacket p = request(301, type, parent, std::max<std::size_t>(kCreateLength, 44 + std::strlen(label)));
    p.p.put_u32(4, acad != 0 ? acad : next_acad++);
    p.p.put_u32(16, flags);
    p.i16(20, width).i16(22, height).text(43, label);
    send(p);
    return p;
  }
  std::uint32_t dialog(const char *title = "Dialog", std::uint32_t flags = 0) {
    return create(0, 0, flags, title).p.u32(8);
  }
  std::uint32_t tile(int type, std::uint32_t parent, std::uint32_t flags = kTileEnabled, const char *label = "",
                     int width = 0, int height = 0) {
    return create(type, parent, flags, label, width, height).p.u32(8);
  }
  // Realize (the dialog: size) with a cell.
  TestPacket realize(int type, std::uint32_t record, int x, int y, int width, int height) {
    TestPacket p = request(302, type, record);
    p.i16(20, x).i16(22, y).i16(24, width).i16(26, height);
    send(p);
    return p;
  }
  TestPacket start(std::uint32_t dialog_record, std::uint32_t focus = 0) {
    TestPacket p = request(309, 0, dialog_record, 24);
    p.p.put_u32(4, acad_of(dialog_record));
    p.p.put_u32(20, focus);
    send(p);
    return p;
  }
  TestPacket free_dialog(std::uint32_t dialog_record) {
    TestPacket p = request(311, 0, dialog_record, 28);
    p.p.put_u32(4, acad_of(dialog_record));
    send(p);
    return p;
  }
  // Get (op 4) and set (op 5) of a value text.
  std::string get(int type, std::uint32_t record, std::size_t length = 64) {
    TestPacket p = request(304, type, record, length);
    send(p);
    return std::string(p.p.text(28));
  }
  int set(int type, std::uint32_t record, const char *text) {
    TestPacket p = request(305, type, record, std::max<std::size_t>(64, 29 + std::strlen(text)));
    p.text(28, text);
    send(p);
    return p.p.i16(12);
  }
  // A list operation (op 6): kind, start and the items.
  int list_op(int type, std::uint32_t record, int kind, int start, const std::vector<std::string> &items,
              int count = -1) {
    std::size_t length = 24;
    for (const std::string &item : items) length += item.size() + 1;
    TestPacket p = request(306, type, record, length);
    p.i16(16, kind).i16(18, start).i16(20, count >= 0 ? count : static_cast<int>(items.size()));
    std::size_t at = 24;
    for (const std::string &item : items) {
      p.text(at, item.c_str());
      at += item.size() + 1;
    }
    send(p);
    return p.p.i16(12);
  }
  int mode(int type, std::uint32_t record, int mode_number) {
    TestPacket p = request(310, type, record);
    p.i16(16, mode_number);
    send(p);
    return p.p.i16(12);
  }

  std::uint32_t acad_of(std::uint32_t record) {
    const TileRecord *t = find_tile(record);
    return t != nullptr ? t->acad_handle : 0;
  }
  WidgetId widget_of(std::uint32_t record) { return find_tile(record)->widget; }

  // The result packets sent since the last call (replies are passed over).
  std::vector<Result> results() {
    std::vector<Result> out;
    for (const Bytes &b : f.reply_frames()) {
      if (b.size() < 32 || (b[0] << 8 | b[1]) != 312) continue;
      EXPECT_EQ(b.size(), std::string(reinterpret_cast<const char *>(&b[28])).size() + 32);
      out.push_back({get32(&b[4]), static_cast<int>(get32(&b[16])), static_cast<int>(get32(&b[20])),
                     static_cast<int>(get32(&b[24])), reinterpret_cast<const char *>(&b[28])});
    }
    return out;
  }

  std::uint32_t next_acad = 1000;
};
