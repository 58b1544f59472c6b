// RGB image files read by programs that are not ours: netpbm's sgitopnm and
// Pillow (Debian's own python3, which has it), each asked for PNM on its
// standard output. Both put the image's top row (its last row) first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct Pnm {
  int width = 0, height = 0, channels = 0;
  unsigned maxval = 0;
  std::vector<std::uint16_t> values;  // rows from the top, channels interleaved

  std::uint16_t at(int x, int y, int c) const {
    return values[(static_cast<std::size_t>(y) * width + x) * channels + c];
  }
};

// Binary PGM (P5) or PPM (P6), one or two bytes a value.
inline bool parse_pnm(const std::string &bytes, Pnm &out) {
  std::size_t at = 0;
  auto number = [&](unsigned &value) {
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\n' || bytes[at] == '\t' || bytes[at] == '\r'))
      ++at;
    if (at >= bytes.size() || bytes[at] < '0' || bytes[at] > '9') return false;
    value = 0;
    while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') value = value * 10 + (bytes[at++] - '0');
    return true;
  };
  if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return false;
  out.channels = bytes[1] == '5' ? 1 : 3;
  at = 2;
  unsigned w, h;
  if (!number(w) || !number(h) || !number(out.maxval) || at >= bytes.size()) return false;
  ++at;  // the one white-space byte before the samples
  out.width = static_cast<int>(w);
  out.height = static_cast<int>(h);
  const std::size_t n = static_cast<std::size_t>(w) * h * out.channels, size = out.maxval > 255 ? 2 : 1;
  if (bytes.size() - at != n * size) return false;
  out.values.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data() + at + i * size);
    out.values[i] = static_cast<std::uint16_t>(size == 2 ? p[0] << 8 | p[1] : p[0]);
  }
  return true;
}

// What command writes on its standard output; false when it fails.
inline bool run_reader(const std::string &command, std::string &output) {
  output.clear();
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  return pclose(pipe) == 0;
}

// sgitopnm gives every value as stored, with the header's largest value as
// the maxval.
inline bool read_with_netpbm(const std::string &path, Pnm &out) {
  std::string bytes;
  return run_reader("/usr/bin/sgitopnm '" + path + "' 2>/dev/null", bytes) && parse_pnm(bytes, out);
}

// Pillow gives 8 bits a value: the high byte of a 2-byte value.
inline bool read_with_pillow(const std::string &path, Pnm &out) {
  std::string bytes;
  return run_reader("/usr/bin/python3 -c 'import sys; from PIL import Image; "
                    "Image.open(sys.argv[1]).save(sys.stdout.buffer, \"PPM\")' '" +
                        path + "'",
                    bytes) &&
         parse_pnm(bytes, out);
}
