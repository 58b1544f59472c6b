// Texts and numbers of the tiles.
#include "dialogs/tile_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/build.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/text_codes.h"
#include "display/colour_tables.h"

namespace {

// Bytes of the client character (Shift-JIS) at text[i].
std::size_t client_char_length(std::string_view text, std::size_t i) {
  return i + 1 < text.size() && isfirstkanji(static_cast<unsigned char>(text[i])) ? 2 : 1;
}

// Bytes of the widget character (EUC-JP in the first program) at text[i].
std::size_t widget_char_length(std::string_view text, std::size_t i) {
  std::size_t n = 1;
  if constexpr (!kSecondBuild) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0x8F) n = 3;
    else if (c >= 0x8E) n = 2;
  }
  return std::min(n, text.size() - i);
}

// Byte offset of character position pos (clamped to the text's end).
std::size_t widget_offset(std::string_view text, long pos) {
  std::size_t at = 0;
  for (long i = 0; i < pos && at < text.size(); ++i) at += widget_char_length(text, at);
  return at;
}

}  // namespace

std::size_t text_fit(std::string_view text, std::size_t max) {
  if (text.size() <= max) return text.size();
  std::size_t at = 0;
  for (std::size_t next; at < text.size() && (next = at + client_char_length(text, at)) <= max;) at = next;
  return at;
}

std::string to_widget_text(std::string_view text, std::size_t cap) {
  std::string src(text);
  std::vector<char> out(cap);
  sjis_text_to_euc(out.data(), src.c_str(), cap);
  return out.data();
}

std::string to_client_text(std::string_view text, std::size_t cap) {
  std::string src(text);
  std::vector<char> out(cap);
  euc_text_to_sjis(out.data(), src.c_str(), cap);
  return out.data();
}

std::string cut_label_text(std::string_view text, int visible) {
  const std::size_t columns = visible < 1 ? 1 : static_cast<std::size_t>(visible);
  if (text.size() <= columns) return std::string(text);
  // The first character boundary at or after the start of the last columns.
  std::size_t at = 0;
  while (at < text.size() - columns) at += client_char_length(text, at);
  if (at >= text.size()) return "<";
  return "<" + std::string(text.substr(at + client_char_length(text, at)));
}

std::string expand_list_text(std::string_view text, const std::vector<int> &stops) {
  constexpr std::size_t limit = kTextBuffer - 1;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\t') {
      const long column = static_cast<long>(out.size());
      auto stop = std::find_if(stops.begin(), stops.end(), [&](int s) { return s > column; });
      if (stop != stops.end()) {
        out.append(std::min<std::size_t>(static_cast<std::size_t>(*stop - column), limit - out.size()), ' ');
        if (out.size() >= limit) break;
        continue;
      }
    }
    // A two-byte character goes whole or not at all.
    const std::size_t n = client_char_length(text, i);
    if (out.size() + n > limit) break;
    out.append(text.substr(i, n));
    i += n - 1;
  }
  return out;
}

std::vector<long> read_positions(std::string_view text) {
  std::string s(text);
  std::vector<long> out;
  const char *p = s.c_str();
  while (*p != '\0') {
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(p, &end, 10);
    if (end == p) {  // not a number here: on to the next character
      ++p;
      continue;
    }
    if (errno != ERANGE) out.push_back(v);
    p = end;
  }
  return out;
}

std::string format_positions(const std::vector<int> &positions, bool several, std::size_t room) {
  std::string out;
  for (int pos : positions) {
    std::string item = (out.empty() ? "" : " ") + std::to_string(pos);
    if (out.size() + item.size() + 1 > room) break;
    out += item;
    if (!several) break;
  }
  return out;
}

std::int32_t slider_set_value(const SliderExtra &s, long long given, bool not_inverted) {
  given = std::clamp<long long>(given, -(1LL << 40), 1LL << 40);
  long long v = not_inverted ? given : static_cast<long long>(s.maximum) - given + s.minimum;
  v = std::clamp<long long>(v, s.minimum, std::max(s.minimum, s.maximum));
  return static_cast<std::int32_t>(v);
}

int fill_colour_index(int colour) {
  if (colour == -1) return ConfigColor(kWordColourXor);
  return MapPacketColor(colour);
}

std::vector<FillRecord> read_fill_records(const Packet &p) {
  std::vector<FillRecord> out;
  const long asked = p.i16(16);
  const long held = p.size() > kFillRecordsAt ? static_cast<long>((p.size() - kFillRecordsAt) / kFillRecordSize) : 0;
  for (long i = 0; i < std::min(asked, held); ++i) {
    const std::size_t at = kFillRecordsAt + static_cast<std::size_t>(i) * kFillRecordSize;
    out.push_back({p.i16(at), p.i16(at + 2), p.i16(at + 6), p.i16(at + 8), p.i16(at + 10), p.i16(at + 12)});
  }
  return out;
}

long apply_field_edit(std::string &kept, long start, long end, std::string_view inserted) {
  start = std::max(0L, start);
  end = std::max(start, end);
  const std::size_t from = widget_offset(kept, start);
  const std::size_t to = std::max(from, widget_offset(kept, end));
  const long room = kEditTextMax - static_cast<long>(widget_text_chars(kept)) +
                    static_cast<long>(widget_text_chars(std::string_view(kept).substr(from, to - from)));
  const std::string_view taken = inserted.substr(0, widget_offset(inserted, std::max(0L, room)));
  kept.replace(from, to - from, taken);
  return static_cast<long>(widget_text_chars(taken));
}

std::size_t widget_text_chars(std::string_view text) {
  std::size_t n = 0;
  for (std::size_t at = 0; at < text.size(); at += widget_char_length(text, at)) ++n;
  return n;
}

void put_value_text(Packet &p, std::string_view text) {
  constexpr std::size_t at = 28;
  if (p.size() <= at) return;
  p.put_text(at, text.substr(0, text_fit(text, p.size() - at - 1)));
}

std::string value_text(const Packet &p) { return std::string(p.text(28)); }
