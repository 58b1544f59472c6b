// The seed inputs and the dictionary of the dispatch target, made from
// session scripts at build time, so that they stay true to the packets the
// client stand-in builds.
//
//   fuzz_inputs CORPUS_DIR SEED_LIST DICT SCRIPT...
//
// Two seeds a script, named after it: the packets it sends, as the packet
// pipe carries them (the other actions are left out), behind the target's
// configuration byte: 0, the defaults, and in "NAME-settings" 0xDF, every
// setting the byte changes but the 32-bit display list. SEED_LIST names the
// seeds, comma-separated, for libFuzzer's -seed_inputs=@SEED_LIST. DICT holds
// the opcodes of both handler tables and of the dialog packets, the packet
// heads (length word and opcode) the scripts send, the capability flags of
// the sessions, and the first handles a fresh driver gives out.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "adiclient/opcodes.h"
#include "adiclient/packet.h"
#include "adiclient/script.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool read_file(const std::string &name, std::string &text) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return true;
}

bool write_file(const std::string &name, const void *data, std::size_t size) {
  FILE *f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

std::string base_name(const std::string &path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

Bytes big_endian(std::uint32_t value, int bytes) {
  Bytes b;
  for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return b;
}

std::string dict_entry(const std::string &name, const Bytes &value) {
  std::string line = name + "=\"";
  char hex[5];
  for (std::uint8_t byte : value) {
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    line += hex;
  }
  return line + "\"\n";
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR SEED_LIST DICT SCRIPT...\n", argv[0]);
    return 2;
  }
  const std::string corpus = argv[1];
  if (mkdir(corpus.c_str(), 0777) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "%s: %s\n", corpus.c_str(), std::strerror(errno));
    return 1;
  }

  std::string seed_list;
  std::set<Bytes> heads;
  std::set<unsigned> flags;
  for (int i = 4; i < argc; ++i) {
    std::string text;
    if (!read_file(argv[i], text)) {
      std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
      return 1;
    }
    std::vector<adiclient::Action> actions;
    adiclient::ScriptError error;
    if (!adiclient::parse_script(text, actions, error)) {
      std::fprintf(stderr, "%s:%d: %s\n", argv[i], error.line, error.reason.c_str());
      return 1;
    }
    Bytes seed{0};
    for (const adiclient::Action &a : actions) {
      if (a.verb != adiclient::Verb::send) continue;
      const Bytes message = adiclient::frame_message(a.packets);
      seed.insert(seed.end(), message.begin(), message.end());
      for (const adiclient::Packet &p : a.packets) {
        Bytes head = big_endian(static_cast<std::uint32_t>(p.size()), 4);
        head.push_back(p.u8(0));
        head.push_back(p.u8(1));
        heads.insert(head);
        if (p.opcode() == 1 || p.opcode() == 57) flags.insert(p.u16(8));
      }
    }
    if (seed.size() == 1) continue;
    for (const char *variant : {"", "-settings"}) {
      const std::string name = corpus + "/" + base_name(argv[i]) + variant;
      seed[0] = variant[0] == '\0' ? 0x00 : 0xDF;
      if (!write_file(name, seed.data(), seed.size())) {
        std::fprintf(stderr, "%s: cannot be written\n", name.c_str());
        return 1;
      }
      seed_list += (seed_list.empty() ? "" : ",") + name;
    }
  }
  if (!write_file(argv[2], seed_list.data(), seed_list.size())) {
    std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
    return 1;
  }

  std::string dict = "# Made by fuzz_inputs from the opcode tables and the seed sessions.\n";
  auto add_opcodes = [&](int first, int last) {
    for (int op = first; op <= last; ++op) {
      const char *name = adiclient::opcode_name(op);
      dict += dict_entry(std::string(name != nullptr ? name : "op") + "_" + std::to_string(op), big_endian(op, 2));
    }
  };
  add_opcodes(1, 113);
  add_opcodes(300, 312);
  add_opcodes(2001, 2062);
  int n = 0;
  for (const Bytes &head : heads) dict += dict_entry("head_" + std::to_string(n++), head);
  for (unsigned f : flags) dict += dict_entry("session_" + std::to_string(f), big_endian(f, 2));
  // The first two boxes and blocks of a fresh driver (the second while the
  // first is held, so in slot 1).
  dict += dict_entry("box_1", big_endian(0x20000100u, 4));
  dict += dict_entry("box_2", big_endian(0x20000201u, 4));
  dict += dict_entry("blit_1", big_endian(0x10000100u, 4));
  dict += dict_entry("blit_2", big_endian(0x10000201u, 4));
  if (!write_file(argv[3], dict.data(), dict.size())) {
    std::fprintf(stderr, "%s: cannot be written\n", argv[3]);
    return 1;
  }
  return 0;
}
