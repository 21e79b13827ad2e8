// Runs as processes of their own on a real ledger: a run killed in its middle leaves
// nothing behind, and two runs at once into one PostgreSQL ledger each book whole or not
// at all, never into one journal together.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ledger/ledger_fixture.h"
#include "posting_line.h"
#include "support/login_tool.h"

extern char** environ;

namespace prenos::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// The run driver as a child process, its standard input and output on pipes.
class Driver {
 public:
  explicit Driver(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> all{PRENOS_RUN_DRIVER};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    output_ = fdopen(out[0], "r");
    if (rc != 0) throw std::runtime_error("cannot start the run driver");
  }
  ~Driver() {
    if (pid_ > 0) Kill();
    if (input_ >= 0) close(input_);
    if (output_) fclose(output_);
  }

  // The next line the run printed; empty at the end of its output.
  std::string Line() {
    char buf[8192];
    if (!fgets(buf, sizeof buf, output_)) return {};
    std::string l(buf);
    if (!l.empty() && l.back() == '\n') l.pop_back();
    output_lines_.push_back(l);
    return l;
  }
  void Go() {
    if (write(input_, "\n", 1) != 1) throw std::runtime_error("cannot release the run");
  }
  void Kill() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  // Reads the rest of the output and waits for the end; the exit code.
  int Wait() {
    while (!Line().empty()) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool Printed(const std::string& start) const {
    for (const std::string& l : output_lines_)
      if (l.rfind(start, 0) == 0) return true;
    return false;
  }
  std::string Output() const {
    std::string all;
    for (const std::string& l : output_lines_) all += l + "\n";
    return all;
  }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  FILE* output_ = nullptr;
  std::vector<std::string> output_lines_;
};

class RunProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ledger.LoadSample();
    ASSERT_TRUE(StoreLogin(ledger.UserName(), ledger.Password()));
  }
  // A posting file of n records whose descriptions carry tag, written under the prefix.
  std::string Input(const std::string& tag, int n) const {
    const std::filesystem::path file = ledger.Prefix() / ("knjizbe-" + tag + ".txt");
    std::ofstream out(file, std::ios::binary);
    for (int i = 1; i <= n; ++i) {
      PostingFields f;
      f.DsKupKnj = std::to_string(i);
      f.Vsebina = tag + " " + std::to_string(i);
      if (i % 10 == 0) f.KKupDob = tag + std::to_string(i);  // a new subject now and then
      out << PostingLine(f) << "\r\n";
    }
    return file.string();
  }
  std::vector<Rows> Snapshot() const {
    return {ledger.Query("SELECT Kljuc FROM Teme ORDER BY Kljuc"),
            ledger.Query("SELECT Kljuc || '/' || Poz FROM TemePoz ORDER BY Kljuc, Poz"),
            ledger.Query("SELECT Naziv2 FROM Subjekt ORDER BY Naziv2")};
  }
  // Makes the next drivers run as on a workstation of their own: their own local tables
  // (staging and error table) and stored login, the same ledger.
  void Workstation(const std::string& name) const {
    const std::filesystem::path prefix = ledger.Prefix() / ("ws-" + name);
    std::filesystem::create_directories(prefix);
    setenv("STELVAR_PREFIX", prefix.c_str(), 1);
    ASSERT_TRUE(StoreLogin(ledger.UserName(), ledger.Password()));
  }
  void TearDown() override { setenv("STELVAR_PREFIX", ledger.Prefix().c_str(), 1); }
  int Count(const std::string& where) const {
    return std::stoi(ledger.Scalar("SELECT COUNT(*) FROM TemePoz WHERE " + where));
  }

  TestLedger ledger;
};

TEST_F(RunProcessTest, ARunKilledInItsMiddleLeavesNothingOfItInTheLedger) {
  const std::string file = Input("A", 120);
  const std::vector<Rows> before = Snapshot();
  {
    Driver run({file, "15.03.2002", "KA", "hold-after-send", "3"});
    ASSERT_EQ(run.Line(), "HOLD") << run.Output();
    // Three sends have run, subjects among them; none of it is seen from outside.
    EXPECT_EQ(Snapshot(), before);
    run.Kill();
  }
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(Count("Opomba LIKE 'A %'"), 0);

  Driver again({file, "15.03.2002", "KA"});
  EXPECT_EQ(again.Wait(), 0) << again.Output();
  EXPECT_TRUE(again.Printed("INFO Prenos knji")) << again.Output();
  EXPECT_EQ(Count("Kljuc = '02KA00001'"), 240);
  EXPECT_EQ(Count("Opomba LIKE 'A %'"), 240);
}

TEST_F(RunProcessTest, TwoRunsAtOnceEachBookWholeOrNotAtAll) {
  if (!ledger.IsPostgres()) GTEST_SKIP() << "a SQLite ledger takes one writer at a time";
  const std::string a = Input("A", 80), b = Input("B", 80);
  Workstation("A");
  Driver runA({a, "15.03.2002", "KA", "hold-when-started"});
  Workstation("B");
  Driver runB({b, "15.03.2002", "KA", "hold-when-started"});
  ASSERT_EQ(runA.Line(), "HOLD") << runA.Output();
  ASSERT_EQ(runB.Line(), "HOLD") << runB.Output();
  runA.Go();
  runB.Go();
  const int codeA = runA.Wait(), codeB = runB.Wait();
  // Each run ended with its box: booked, or nothing booked.
  for (Driver* run : {&runA, &runB})
    EXPECT_TRUE(run->Printed("INFO Prenos knji") != run->Printed("ERROR Prenos knji"))
        << run->Output();
  EXPECT_EQ(codeA == 0, runA.Printed("INFO"));
  EXPECT_EQ(codeB == 0, runB.Printed("INFO"));
  EXPECT_TRUE(codeA == 0 || codeB == 0) << runA.Output() << runB.Output();
  // Each tag is in the ledger whole or not at all, and no journal holds both.
  for (const auto& [tag, code] :
       {std::pair{std::string("A"), codeA}, std::pair{std::string("B"), codeB}})
    EXPECT_EQ(Count("Opomba LIKE '" + tag + " %'"), code == 0 ? 160 : 0) << tag;
  EXPECT_EQ(ledger.Query("SELECT Kljuc FROM TemePoz WHERE Opomba LIKE 'A %' "
                         "INTERSECT SELECT Kljuc FROM TemePoz WHERE Opomba LIKE 'B %'"),
            Rows{});

  // The one that failed books whole when run again.
  for (const auto& [file, tag, code] :
       {std::tuple{a, std::string("A"), codeA}, std::tuple{b, std::string("B"), codeB}}) {
    if (code == 0) continue;
    Workstation(tag);
    Driver again({file, "15.03.2002", "KA"});
    EXPECT_EQ(again.Wait(), 0) << again.Output();
    EXPECT_EQ(Count("Opomba LIKE '" + tag + " %'"), 160);
  }
  EXPECT_EQ(
      std::stoi(ledger.Scalar("SELECT COUNT(DISTINCT Kljuc) FROM TemePoz WHERE Opomba LIKE '_ %'")),
      2);
}

}  // namespace
}  // namespace prenos::testing
