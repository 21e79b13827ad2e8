// The program's command line, run as a child process without a display: --version and
// --help answer on standard output with exit code 0; an unknown option or command is
// wrong use (exit code 2, a message on standard error, nothing on standard output).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "prenos_version.h"

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
  int code = -1;
  std::string out, err;
};

std::string FileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The program with args (shell-quoted), with no display of any kind in its environment.
ProgramRun Program(const std::string& args) {
  const fs::path dir = fs::temp_directory_path() / ("prenos-cli-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + std::string(PRENOS_PROGRAM) +
                          " " + args + " </dev/null >" + (dir / "out").string() + " 2>" + (dir / "err").string();
  const int status = std::system(cmd.c_str());
  ProgramRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = FileText(dir / "out");
  r.err = FileText(dir / "err");
  fs::remove_all(dir);
  return r;
}

}  // namespace

TEST(CommandLine, VersionAndHelpAnswerWithoutADisplay) {
  ProgramRun r = Program("--version");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, std::string("prenos-knjizb ") + PRENOS_VERSION + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Program("-v").out, r.out);

  r = Program("--help");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Uporaba: prenos-knjizb", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("--version"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST(CommandLine, WrongUseExitsWithTwoAndAMessage) {
  ProgramRun r = Program("--bogus");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("neznana mo\u017Enost \u00BB--bogus\u00AB"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("prenos-knjizb --help"), std::string::npos) << r.err;

  r = Program("nekaj");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("neznan ukaz \u00BBnekaj\u00AB"), std::string::npos) << r.err;
}
