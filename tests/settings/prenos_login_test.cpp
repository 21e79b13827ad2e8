// The prenos-login tool run as a program: it stores a login that GetUserNameAndPassword
// reads back, shows the user name, and refuses bad input with a clear message and
// without touching the registry file.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/codepage.h"
#include "prenos_version.h"
#include "settings/credentials.h"
#include "settings/scramble.h"
#include "support/error_records.h"

namespace fs = std::filesystem;
using namespace prenos;
using prenos::testing::ErrorRecords;
using prenos::testing::FileBytes;
using prenos::testing::TempPrefix;

namespace {

struct ToolRun {
  int code = -1;
  std::string out, err;
};

// Runs the tool with args (already shell-quoted) and stdin from a file holding input.
ToolRun Tool(const TempPrefix& prefix, const std::string& args, const std::string& input) {
  const fs::path in = prefix.Dir() / "in.txt", out = prefix.Dir() / "out.txt",
                 err = prefix.Dir() / "err.txt";
  std::ofstream(in, std::ios::binary) << input;
  const std::string cmd = std::string(PRENOS_LOGIN) + " " + args + " <" + in.string() + " >" +
                          out.string() + " 2>" + err.string();
  const int status = std::system(cmd.c_str());
  ToolRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = FileBytes(out);
  r.err = FileBytes(err);
  fs::remove(in);
  fs::remove(out);
  fs::remove(err);
  return r;
}

fs::path SystemReg(const TempPrefix& p) { return p.Dir() / "system.reg"; }

// What the terminal shows until the tool has printed `until` (or ends, or 10 s pass).
std::string ReadTerminal(int master, const std::string& until, std::string& seen) {
  char buf[256];
  for (int waited = 0; seen.find(until) == std::string::npos && waited < 100;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) {
      ++waited;
      continue;
    }
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    seen.append(buf, static_cast<size_t>(n));
  }
  return seen;
}

// Runs the tool on a terminal of its own, typing the two passwords when asked.
ToolRun OnTerminal(const std::string& user, const std::string& first, const std::string& second) {
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child == 0) {
    execl(PRENOS_LOGIN, PRENOS_LOGIN, user.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ToolRun r;
  if (child < 0) return r;
  ReadTerminal(master, "Geslo: ", r.out);
  (void)!write(master, (first + "\n").data(), first.size() + 1);
  ReadTerminal(master, "Geslo še enkrat: ", r.out);
  (void)!write(master, (second + "\n").data(), second.size() + 1);
  ReadTerminal(master, "\x04never", r.out);  // to the end of its output
  // A tool still waiting for input after 10 s has failed; it is not waited for forever.
  int status = 0;
  for (int i = 0; i < 100 && waitpid(child, &status, WNOHANG) == 0; ++i) usleep(100000);
  if (waitpid(child, &status, WNOHANG) == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  close(master);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace

TEST(PrenosLogin, StoresALoginThatTheProgramReadsBack) {
  TempPrefix prefix;
  ToolRun r = Tool(prefix, "ivan", "Geslo-žabica 1\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find(SystemReg(prefix).string()), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Geslo"), std::string::npos);
  EXPECT_EQ(r.err.find("Geslo"), std::string::npos);

  struct stat st {};
  ASSERT_EQ(stat(SystemReg(prefix).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  const std::string file = FileBytes(SystemReg(prefix));
  EXPECT_EQ(file.find("Geslo"), std::string::npos);  // only the scrambled hex is stored
  EXPECT_NE(file.find("\"Password\"=\"" + HexEncrypt(Utf8ToCp1250("Geslo-žabica 1"), kPasswordKey) +
                      "\""),
            std::string::npos)
      << file;

  std::string user, password;
  EXPECT_TRUE(GetUserNameAndPassword(user, password));
  EXPECT_EQ(user, "ivan");
  EXPECT_EQ(password, Utf8ToCp1250("Geslo-žabica 1"));

  r = Tool(prefix, "--show-user", "");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "ivan\n");

  // A new login replaces the old one (CR LF input too); nothing is listed twice.
  r = Tool(prefix, "'Špela Kranjc'", "drugo\r\n");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(GetUserNameAndPassword(user, password));
  EXPECT_EQ(user, Utf8ToCp1250("Špela Kranjc"));
  EXPECT_EQ(password, "drugo");
  const std::string again = FileBytes(SystemReg(prefix));
  EXPECT_EQ(again.find("\"UserName\""), again.rfind("\"UserName\""));
  EXPECT_EQ(again.find("\"Password\""), again.rfind("\"Password\""));
  EXPECT_EQ(Tool(prefix, "--show-user", "").out, "Špela Kranjc\n");

  // An empty line is an empty password.
  ASSERT_EQ(Tool(prefix, "sa", "\n").code, 0);
  EXPECT_TRUE(GetUserNameAndPassword(user, password));
  EXPECT_EQ(user, "sa");
  EXPECT_EQ(password, "");
  EXPECT_TRUE(ErrorRecords().empty());
}

TEST(PrenosLogin, OnATerminalThePasswordIsAskedTwiceAndNeverEchoed) {
  TempPrefix prefix;
  ToolRun r = OnTerminal("ivan", "Skrito42", "Skrito42");
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_NE(r.out.find("Geslo: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Prijava uporabnika ivan je shranjena v"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Skrito42"), std::string::npos) << r.out;
  std::string user, password;
  EXPECT_TRUE(GetUserNameAndPassword(user, password));
  EXPECT_EQ(password, "Skrito42");

  r = OnTerminal("janez", "Prvo", "Drugo");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("gesli se razlikujeta; nič ni shranjeno"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Prvo"), std::string::npos) << r.out;
  EXPECT_TRUE(GetUserNameAndPassword(user, password));
  EXPECT_EQ(user, "ivan");
  EXPECT_EQ(password, "Skrito42");
}

TEST(PrenosLogin, ALongPasswordIsScrambledAndReadBackWhole) {
  TempPrefix prefix;
  std::string longPassword;
  for (int i = 0; i < 300; ++i) longPassword += static_cast<char>('!' + (i * 7) % 90);
  ASSERT_EQ(Tool(prefix, "dolgi", longPassword + "\n").code, 0);
  std::string user, password;
  EXPECT_TRUE(GetUserNameAndPassword(user, password));
  EXPECT_EQ(password, longPassword);
}

TEST(PrenosLogin, KeepsTheOtherKeysOfAnExistingFile) {
  TempPrefix prefix;
  const std::string old =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Drugo]\r\n"
      "\"A\"=\"b\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\SQL]\r\n\"UserName\"="
      "\"staro\"\r\n"
      "\"Opomba\"=\"ostane\"\r\n\r\n";
  std::ofstream(SystemReg(prefix), std::ios::binary) << old;
  ASSERT_EQ(Tool(prefix, "novo", "x\n").code, 0);
  EXPECT_EQ(
      FileBytes(SystemReg(prefix)),
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Drugo]\r\n"
      "\"A\"=\"b\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\SQL]\r\n\"UserName\"=\"novo\"\r\n"
      "\"Opomba\"=\"ostane\"\r\n\"Password\"=\"" +
          HexEncrypt("x", kPasswordKey) + "\"\r\n\r\n");
}

TEST(PrenosLogin, BadInputGetsAClearErrorAndStoresNothing) {
  TempPrefix prefix;
  ToolRun r = Tool(prefix, "", "");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("Uporaba: prenos-login UPORABNIK"), std::string::npos) << r.err;
  r = Tool(prefix, "a b", "");
  EXPECT_EQ(r.code, 2);
  r = Tool(prefix, "--bogus", "");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("neznana možnost --bogus"), std::string::npos) << r.err;
  r = Tool(prefix, "--help", "");
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("--show-user"), std::string::npos);
  r = Tool(prefix, "--version", "");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, std::string("prenos-login ") + PRENOS_VERSION + "\n");

  r = Tool(prefix, "''", "x\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("uporabniško ime je prazno"), std::string::npos) << r.err;
  r = Tool(prefix, "'日本'", "x\n");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("uporabniško ime ima znak"), std::string::npos) << r.err;
  r = Tool(prefix, "ivan", "");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("na standardnem vhodu ni gesla"), std::string::npos) << r.err;
  r = Tool(prefix, "ivan", "日本\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("geslo ima znak, ki ga prijava ne more hraniti"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("日本"), std::string::npos);
  r = Tool(prefix, "ivan", "ta\tb\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(fs::exists(SystemReg(prefix)));

  r = Tool(prefix, "--show-user", "");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("ni shranjene prijave"), std::string::npos) << r.err;

  // A read-only file is left as it was.
  ASSERT_EQ(Tool(prefix, "ivan", "prvo\n").code, 0);
  const std::string before = FileBytes(SystemReg(prefix));
  chmod(SystemReg(prefix).c_str(), 0444);
  r = Tool(prefix, "janez", "drugo\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("samo za branje"), std::string::npos) << r.err;
  EXPECT_EQ(FileBytes(SystemReg(prefix)), before);
  EXPECT_EQ(Tool(prefix, "--show-user", "").out, "ivan\n");

  // A damaged file is named with its line and never overwritten.
  chmod(SystemReg(prefix).c_str(), 0600);
  const std::string damaged =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\n";
  std::ofstream(SystemReg(prefix), std::ios::binary) << damaged;
  r = Tool(prefix, "janez", "drugo\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("vrstica 3"), std::string::npos) << r.err;
  EXPECT_EQ(FileBytes(SystemReg(prefix)), damaged);
}
