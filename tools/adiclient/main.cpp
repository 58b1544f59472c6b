// adiclient [--driver PATH] [--timeout MS] [--quiet] SCRIPT
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "adiclient/player.h"
#include "adiclient/script.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: adiclient [--driver PATH] [--timeout MS] [--quiet] SCRIPT\n");
  return 2;
}

// The player lives in <build>/tools/adiclient/, the driver in <build>/.
std::string driver_beside_us() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "rcKovaGL";
  return (self.parent_path().parent_path().parent_path() / "rcKovaGL").string();
}

}  // namespace

int main(int argc, char **argv) {
  adiclient::PlayerOptions options;
  const char *script = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--driver" && i + 1 < argc) {
      options.driver = argv[++i];
    } else if (arg == "--timeout" && i + 1 < argc) {
      char *end;
      long ms = std::strtol(argv[++i], &end, 10);
      if (*end || ms <= 0 || ms > 3600000) return usage();
      options.timeout_ms = static_cast<int>(ms);
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (!script && (arg == "-" || arg.substr(0, 1) != "-")) {
      script = argv[i];
    } else {
      return usage();
    }
  }
  if (!script) return usage();
  if (options.driver.empty()) options.driver = driver_beside_us();
  options.script_name = script;

  std::stringstream text;
  if (std::strcmp(script, "-") == 0) {
    text << std::cin.rdbuf();
  } else {
    std::ifstream in(script, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: %s\n", script, std::strerror(errno));
      return 2;
    }
    text << in.rdbuf();
  }
  std::vector<adiclient::Action> actions;
  adiclient::ScriptError error;
  if (!adiclient::parse_script(text.str(), actions, error)) {
    std::fprintf(stderr, "%s:%d: %s\n", script, error.line, error.reason.c_str());
    return 2;
  }
  return adiclient::play_script(actions, options);
}
