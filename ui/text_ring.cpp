// The text of a text area: the line ring, the output of one character, the
// scroll-bar values and the selected text.
#include "ui/text_ring.h"

#include <algorithm>
#include <cstring>

namespace {

TextLine &current_line(TextRing &r) { return r.lines[static_cast<std::size_t>(r.current)]; }

long long current_serial(const TextRing &r) { return r.oldest_serial + r.line_count - 1; }

long long first_shown(const TextRing &r) { return r.oldest_serial + r.top_line; }

bool is_lead(const TextRing &r, int byte) { return r.lead_byte != nullptr && r.lead_byte(byte & 0xFF) != 0; }

void add_span(TextDamage &d, long long serial, int column) {
  if (d.all) return;
  for (int i = 0; i < d.spans; ++i) {
    if (d.span[i].serial == serial) {
      d.span[i].column = std::min(d.span[i].column, column);
      return;
    }
  }
  if (d.spans == TextDamage::kSpans) {
    d.all = true;
    return;
  }
  d.span[d.spans++] = TextDamage::Span{serial, std::max(column, 0)};
}

// Drops the oldest line; the current line is never dropped this way.
void drop_oldest(TextRing &r, TextDamage &d) {
  r.oldest = (r.oldest + 1) % r.capacity;
  ++r.oldest_serial;
  --r.line_count;
  r.extent = std::max(r.extent - 1, r.line_count);
  d.vbar = true;
}

bool overlaps(const TextLine &line, int from, int to) {
  return line.length > 0 && line.start < to && line.start + line.length > from;
}

// Drops the older lines whose bytes lie in [from, to) of the buffer.
void drop_overlapping(TextRing &r, int from, int to, TextDamage &d) {
  while (r.line_count > 1 && overlaps(r.lines[static_cast<std::size_t>(r.oldest)], from, to)) drop_oldest(r, d);
}

// Appends one byte to the current line, keeping the line's bytes contiguous
// and making room in the buffer by dropping the oldest lines.
void store_byte(TextRing &r, char byte, TextDamage &d) {
  TextLine &line = current_line(r);
  if (line.length + 1 > r.buffer_size) {
    // One line fills the whole buffer: it starts over.
    line.start = 0;
    line.length = 0;
    r.write_pos = 0;
    add_span(d, current_serial(r), 0);
  }
  if (r.write_pos >= r.buffer_size) {
    // The line would run past the buffer's end: it moves to the start, over
    // the lines that lie there.
    drop_overlapping(r, 0, line.length + 1, d);
    std::memmove(r.buffer.data(), r.buffer.data() + line.start, static_cast<std::size_t>(line.length));
    line.start = 0;
    r.write_pos = line.length;
  }
  drop_overlapping(r, r.write_pos, r.write_pos + 1, d);
  r.buffer[static_cast<std::size_t>(r.write_pos++)] = byte;
  ++line.length;
}

// Starts a new line after the current one (dropping the oldest when the
// table is full).
void new_line(TextRing &r, TextDamage &d) {
  TextLine &line = current_line(r);
  if (line.length > r.widest) {
    r.widest = line.length;
    d.hbar = true;
  }
  int next = (r.current + 1) % r.capacity;
  if (next == r.oldest) {
    r.oldest = (r.oldest + 1) % r.capacity;
    ++r.oldest_serial;
    r.extent = std::max(r.extent - 1, r.line_count);
  } else {
    ++r.line_count;
    r.extent = std::max(r.extent, r.line_count);
  }
  r.current = next;
  current_line(r) = TextLine{r.write_pos, 0};
  r.held_lead = false;
  r.pending_cr = false;
  d.vbar = true;
}

// A line end: a non-empty line is finished and a new one started.
void line_end(TextRing &r, TextDamage &d) {
  r.pending_cr = false;
  r.held_lead = false;
  if (current_line(r).length > 0) new_line(r, d);
}

// A carriage return was followed by text: the line is written over.
void restart_line(TextRing &r, TextDamage &d) {
  TextLine &line = current_line(r);
  line.length = 0;
  r.write_pos = line.start;
  r.pending_cr = false;
  r.held_lead = false;
  add_span(d, current_serial(r), 0);
}

void backspace(TextRing &r, TextDamage &d) {
  r.held_lead = false;
  TextLine *line = &current_line(r);
  if (line->length == 0) {
    if (r.line_count <= 1) return;
    // The empty line joins the one before it.
    r.current = (r.current - 1 + r.capacity) % r.capacity;
    --r.line_count;
    r.extent = std::max(r.extent - 1, r.line_count);
    d.vbar = true;
    line = &current_line(r);
    if (line->length == 0) return;
  }
  --line->length;
  r.write_pos = line->start + line->length;
  add_span(d, current_serial(r), line->length);
}

// A character of one byte; a Shift-JIS lead byte waits for its trail byte.
void append_byte(TextRing &r, int byte, bool may_pair, TextDamage &d) {
  if (byte < 32) byte = '?';
  if (r.held_lead) {
    store_byte(r, static_cast<char>(byte), d);
    r.held_lead = false;
    add_span(d, current_serial(r), current_line(r).length - 2);
    return;
  }
  bool lead = may_pair && is_lead(r, byte);
  int need = lead ? 2 : 1;
  if (current_line(r).length > 0 && current_line(r).length + need > r.columns) new_line(r, d);
  store_byte(r, static_cast<char>(byte), d);
  if (lead)
    r.held_lead = true;
  else
    add_span(d, current_serial(r), current_line(r).length - 1);
}

// A two-byte character given whole.
void append_pair(TextRing &r, int high, int low, TextDamage &d) {
  r.held_lead = false;
  if (current_line(r).length > 0 && current_line(r).length + 2 > r.columns) new_line(r, d);
  store_byte(r, static_cast<char>(high), d);
  store_byte(r, static_cast<char>(low), d);
  add_span(d, current_serial(r), current_line(r).length - 2);
}

void tab(TextRing &r, TextDamage &d) {
  r.held_lead = false;
  if (current_line(r).length >= r.columns) new_line(r, d);
  // At least one blank, then on to the next multiple of 8, never past the
  // line's end.
  do {
    store_byte(r, ' ', d);
    add_span(d, current_serial(r), current_line(r).length - 1);
  } while (current_line(r).length % 8 != 0 && current_line(r).length < r.columns);
}

// Scroll-bar values over n lines (or columns) with w of them in view: the
// range of values is exactly max(n - w, 0), also with one row in view.
ScrollValues bar_values(int n, int w, int wanted) {
  ScrollValues v{};
  v.maximum = std::max(n - 1, 1);
  v.slider = std::max(std::min(w, n) - 1, 1);
  if (w == 1 && n >= 2) ++v.maximum;
  v.increment = 1;
  v.page = std::max(w, 1);
  v.value = std::clamp(wanted, 0, std::max(v.maximum - v.slider, 0));
  return v;
}

int scroll_lines(const TextRing &r) { return std::max({r.line_count, r.extent, 2}); }

}  // namespace

int text_buffer_size(int capacity) {
  capacity = std::clamp(capacity, 1, kTextCapacityMax);
  int size = 64;
  while (size < capacity * 64) size *= 2;
  return size;
}

void text_ring_init(TextRing &r, int capacity, int columns, int rows) {
  r.capacity = std::clamp(capacity, 1, kTextCapacityMax);
  r.buffer_size = text_buffer_size(r.capacity);
  r.buffer.assign(static_cast<std::size_t>(r.buffer_size), '\0');
  r.lines.assign(static_cast<std::size_t>(r.capacity), TextLine{0, 0});
  r.write_pos = 0;
  r.line_count = 1;
  r.oldest = r.current = 0;
  r.oldest_serial = 0;
  r.columns = std::max(columns, 1);
  r.rows = std::max(rows, 1);
  r.top_line = r.first_column = 0;
  r.extent = 1;
  r.widest = 1;
  r.pending_cr = r.held_lead = false;
}

void text_ring_put(TextRing &r, int character, bool local, TextDamage &d) {
  const long long before = first_shown(r);
  character &= 0xFFFF;
  if (r.pending_cr && character != 10 && character != 13) restart_line(r, d);
  switch (character) {
    case 7:
      d.bell = true;
      break;
    case 8:
      backspace(r, d);
      break;
    case 9:
      tab(r, d);
      break;
    case 10:
      line_end(r, d);
      break;
    case 12:
      // A fresh page: the current line at the top, the rest of the window
      // empty.
      line_end(r, d);
      r.extent = r.line_count + r.rows - 1;
      d.vbar = true;
      d.all = true;
      break;
    case 13:
      r.held_lead = false;
      if (current_line(r).length > 0) r.pending_cr = true;
      break;
    case 27:
      if (!local) break;
      [[fallthrough]];
    default:
      if (local && character > 0xFF && is_lead(r, character >> 8))
        append_pair(r, character >> 8, character & 0xFF, d);
      else
        append_byte(r, character & 0xFF, !local, d);
      break;
  }
  // Output never goes unseen: the window follows the current line.
  int row = text_cursor_row(r);
  if (row < 0 || row >= r.rows) d.vbar = true;
  if (d.vbar) text_vbar(r);
  d.shift += first_shown(r) - before;
}

const TextLine &text_line(const TextRing &r, int index) {
  return r.lines[static_cast<std::size_t>((r.oldest + index) % r.capacity)];
}

const char *text_line_bytes(const TextRing &r, const TextLine &line) {
  return r.buffer.data() + std::min(line.start, r.buffer_size);
}

long long text_line_serial(const TextRing &r, int index) { return r.oldest_serial + index; }

int text_line_index(const TextRing &r, long long serial) {
  long long index = serial - r.oldest_serial;
  return index >= 0 && index < r.line_count ? static_cast<int>(index) : -1;
}

long long text_row_of(const TextRing &r, long long serial) { return serial - first_shown(r); }

int text_cursor_row(const TextRing &r) { return r.line_count - 1 - r.top_line; }

int text_pair_start(const TextRing &r, const TextLine &line, int column) {
  if (r.lead_byte == nullptr) return column;
  const char *bytes = text_line_bytes(r, line);
  for (int i = 0; i < line.length && i < column;) {
    if (is_lead(r, bytes[i]) && i + 1 < line.length) {
      if (column == i + 1) return i;
      i += 2;
    } else {
      ++i;
    }
  }
  return column;
}

int text_drawable_length(const TextRing &r, const TextLine &line, bool current) {
  return current && r.held_lead && line.length > 0 ? line.length - 1 : line.length;
}

ScrollValues text_vbar(TextRing &r) {
  int m = scroll_lines(r);
  ScrollValues v = bar_values(m, r.rows, m - r.rows);
  r.top_line = v.value;
  return v;
}

ScrollValues text_hbar(TextRing &r) {
  ScrollValues v = bar_values(std::max(r.widest, 1), r.columns, r.first_column);
  r.first_column = v.value;
  return v;
}

void text_ring_resize(TextRing &r, int columns, int rows) {
  r.columns = std::max(columns, 1);
  r.rows = std::max(rows, 1);
  r.widest = 1;
  for (int i = 0; i < r.line_count; ++i) r.widest = std::max(r.widest, text_line(r, i).length);
  r.first_column = 0;
  text_vbar(r);
}

int text_vscroll(TextRing &r, int value, int slider, ScrollMove move) {
  r.top_line = std::max(value, 0);
  long long end = static_cast<long long>(r.top_line) + slider + 1;
  if (move == ScrollMove::page_decrement)
    r.extent = r.top_line + slider < r.line_count ? r.line_count : static_cast<int>(end);
  else if (end >= r.line_count)
    r.extent = static_cast<int>(end);
  return bar_values(scroll_lines(r), r.rows, r.top_line).maximum;
}

std::string text_selection(const TextRing &r, long long serial0, int column0, long long serial1, int column1) {
  if (serial1 < serial0 || (serial1 == serial0 && column1 < column0)) {
    std::swap(serial0, serial1);
    std::swap(column0, column1);
  }
  std::string out;
  const long long last = current_serial(r);
  if (serial0 < r.oldest_serial) {
    serial0 = r.oldest_serial;
    column0 = 0;
  }
  if (serial1 > last) {
    serial1 = last;
    column1 = text_line(r, r.line_count - 1).length;
  }
  for (long long s = serial0; s <= serial1; ++s) {
    const TextLine &line = text_line(r, text_line_index(r, s));
    const char *bytes = text_line_bytes(r, line);
    int from = s == serial0 ? std::clamp(column0, 0, line.length) : 0;
    int to = s == serial1 ? std::clamp(column1, 0, line.length) : line.length;
    from = text_pair_start(r, line, from);
    if (to < line.length && text_pair_start(r, line, to) != to) ++to;  // the pair's trail byte goes too
    if (s != serial0) out += '\n';
    if (to > from) out.append(bytes + from, static_cast<std::size_t>(to - from));
  }
  return out;
}
