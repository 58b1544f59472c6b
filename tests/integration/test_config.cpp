// The configuration file as the user meets it: what the driver says when the
// file cannot be written.
#include <gtest/gtest.h>

#include <filesystem>

#include "driver_session.h"

namespace {

struct ConfigFile : ::testing::TestWithParam<Program> {
  TempDir cfg;
  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no X display";
  }
};

TEST_P(ConfigFile, AFileThatCannotBeWrittenIsReportedWithTheReason) {
  const std::string missing = cfg.path + "/missing";
  Session s(GetParam());
  s.options.set_env = isolated_env(cfg.path);
  for (std::string &e : s.options.set_env)
    if (e.starts_with("ACADCFG=")) e = "ACADCFG=" + missing;
  s.start();
  s.open_session();
  ASSERT_TRUE(adiclient::send_packet(s.driver, adiclient::pnop()));
  s.reply();
  std::string out = adiclient::channel_text(s.driver.out);
  // The reason is the system's, in the language of the driver's locale.
  const std::string head = "Default configuration data could not be written to file: " + missing + "/tester.cnf (";
  const std::size_t at = out.find(head);
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_NE(out.find(").\nDriver may be configured by entering CONFIGURE at the command prompt.\n", at + head.size()),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("Default configuration data written"), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(missing));
}

INSTANTIATE_TEST_SUITE_P(Both, ConfigFile, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
