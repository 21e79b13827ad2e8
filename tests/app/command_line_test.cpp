// The program run with arguments, as a child process on a real ledger: book, the dry run,
// the guard, history, undo and errors, their JSON and exit codes, and wrong use.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../transfer/posting_line.h"
#include "ledger/ledger_fixture.h"
#include "prenos_version.h"
#include "support/login_tool.h"

extern char** environ;

namespace prenos::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

struct Result {
  int code = -1;
  std::string out, err;
  QJsonDocument Json() const { return QJsonDocument::fromJson(QByteArray::fromStdString(out)); }
};

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ledger.LoadSample();
    ASSERT_TRUE(StoreLogin(ledger.UserName(), ledger.Password()));
    file = Input("knjizbe.txt", {{}, Second(), Skipped()});
  }

  // The program with these arguments, standard input from /dev/null, its output caught.
  Result Run(std::vector<std::string> args) const {
    const std::filesystem::path out = ledger.Prefix() / "stdout.txt",
                                err = ledger.Prefix() / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), PRENOS_PROGRAM);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Result r;
    if (rc != 0) return r;
    int status = 0;
    waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
  }

  static PostingFields Second() {
    PostingFields f;
    f.DsKupKnj = "124";
    f.KKupDob = "NOVI1";  // not in the ledger: registered by the run
    f.Znesek = "100,00";
    return f;
  }
  static PostingFields Skipped() {
    PostingFields f;
    f.DsKupKnj = "125";
    f.Znesek = "0";
    return f;
  }
  std::string Input(const std::string& name, const std::vector<PostingFields>& records) const {
    const std::filesystem::path path = ledger.Prefix() / name;
    std::ofstream o(path, std::ios::binary);
    for (const PostingFields& f : records) o << PostingLine(f) << "\r\n";
    return path.string();
  }
  std::vector<Rows> Snapshot() const {
    return {ledger.Query("SELECT Kljuc, PoslDog, Referent FROM Teme ORDER BY Kljuc"),
            ledger.Query(
                "SELECT Kljuc, Poz, Konto, Subjekt, Dokument, Opomba, Debet, Kredit FROM TemePoz "
                "ORDER BY Kljuc, Poz"),
            ledger.Query("SELECT Naziv2 FROM Subjekt ORDER BY Naziv2")};
  }
  std::vector<std::string> Book(std::vector<std::string> more = {}) const {
    std::vector<std::string> args{"book",   file,         "--event", "KA",
                                  "--date", "15.03.2002", "--clerk", "07"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  QJsonArray History() const {
    const Result h = Run({"history", "--json"});
    EXPECT_EQ(h.code, 0) << h.err;
    return h.Json().array();
  }

  TestLedger ledger;
  std::string file;
};

TEST_F(CommandLineTest, WrongUseExitsTwoWithAMessageAndTouchesNothing) {
  const std::vector<Rows> before = Snapshot();
  const std::vector<std::vector<std::string>> wrong{
      {"book", file, "--date", "15.03.2002", "--clerk", "07"},                   // no event
      {"book", file, "--event", "KA", "--date", "31.02.2002", "--clerk", "07"},  // no such day
      {"book", file, "--event", "KA", "--date", "2002-13-01", "--clerk", "07"},  // no such month
      {"book", file, "--event", "KA", "--date", "vceraj", "--clerk", "07"},      // not a date
      {"book", "--event", "KA", "--date", "15.03.2002", "--clerk", "07"},        // no file
      {"book", (ledger.Prefix() / "ni.txt").string(), "--event", "KA", "--date", "15.03.2002",
       "--clerk", "07"},
      {"book", file, "--event", "KA", "--date", "15.03.2002", "--clerk", "07", "--force"},
      {"knjizi", file},
      {"--verbose"},
      {"undo"},
      {"undo", "prvi"},
      {"undo", "99", "--yes"},  // no such run
      {"errors", "--run", "99"},
      {"history", "odvec"}};
  for (const auto& args : wrong) {
    const Result r = Run(args);
    EXPECT_EQ(r.code, 2) << args.front() << " " << r.err;
    EXPECT_FALSE(r.err.empty()) << args.front();
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_EQ(Run({"book", file, "--event", "KA", "--date", "15.03.2002", "--clerk", "07"}).code, 0);
  EXPECT_NE(Snapshot(), before);  // the right use does book: the checks above could tell
  EXPECT_EQ(History().size(), 1);
}

TEST_F(CommandLineTest, HelpAndVersion) {
  const Result help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Uporaba: prenos-knjizb [UKAZ"), std::string::npos) << help.out;
  for (const std::string command : {"book", "history", "undo", "errors"}) {
    const Result r = Run({command, "--help"});
    EXPECT_EQ(r.code, 0) << command;
    EXPECT_EQ(r.out.rfind("Uporaba: prenos-knjizb " + command, 0), 0u) << r.out;
  }
  const Result version = Run({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "prenos-knjizb " PRENOS_VERSION "\n") << version.out;
  EXPECT_EQ(History().size(), 0);
}

TEST_F(CommandLineTest, DryRunPreviewsWhatTheBookingThenBooksAndTheGuardRefusesADoubleBooking) {
  const std::vector<Rows> before = Snapshot();
  const Result dry = Run(Book({"--dry-run", "--json"}));
  ASSERT_EQ(dry.code, 0) << dry.err;
  EXPECT_EQ(Snapshot(), before);
  const QJsonObject preview = dry.Json().object();
  EXPECT_EQ(preview["outcome"].toString(), "preview") << dry.out;

  // The real run, the date in ISO form, takes the key and positions the preview named.
  const Result booked =
      Run({"book", file, "--event", "KA", "--date", "2002-03-15", "--clerk", "07", "--json"});
  ASSERT_EQ(booked.code, 0) << booked.err;
  EXPECT_EQ(booked.err, "");  // no progress when standard error is not a terminal
  const QJsonObject run = booked.Json().object();
  EXPECT_EQ(run["outcome"].toString(), "booked");
  for (const char* key : {"journal", "first_position", "last_position", "lines", "debit", "credit",
                          "skipped", "new_subjects"})
    EXPECT_EQ(preview[key], run[key]) << key << "\n" << dry.out << "\n" << booked.out;
  EXPECT_EQ(run["journal"].toString(), "02KA00001");
  EXPECT_EQ(run["first_position"].toInt(), 1);
  EXPECT_EQ(run["last_position"].toInt(), 4);
  EXPECT_EQ(run["lines"].toInt(), 4);
  EXPECT_DOUBLE_EQ(run["debit"].toDouble(), 1334.56);
  EXPECT_DOUBLE_EQ(run["credit"].toDouble(), 1334.56);
  EXPECT_EQ(run["skipped"].toInt(), 1);
  EXPECT_EQ(run["new_subjects"].toArray(), QJsonArray{"NOVI1"});
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM TemePoz WHERE Kljuc = '02KA00001'"), "4");
  const std::vector<Rows> afterFirst = Snapshot();

  // The same file again: refused without --yes, nothing booked, the earlier run named.
  const Result again = Run(Book());
  EXPECT_EQ(again.code, 3) << again.out;
  EXPECT_NE(again.err.find("prenos " + std::to_string(run["run"].toInt())), std::string::npos)
      << again.err;
  EXPECT_NE(again.err.find("--yes"), std::string::npos) << again.err;
  EXPECT_TRUE(again.out.empty()) << again.out;
  EXPECT_EQ(Snapshot(), afterFirst);
  // With --yes it books a second journal; the human summary goes to standard output.
  const Result yes = Run(Book({"--yes"}));
  EXPECT_EQ(yes.code, 0) << yes.err;
  EXPECT_EQ(yes.out.rfind("Prenos knji\xC5\xBE"
                          "b zaklju\xC4\x8D"
                          "en !\nTemeljnica: 02KA00002 (nova)",
                          0),
            0u)
      << yes.out;
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM TemePoz WHERE Kljuc = '02KA00002'"), "4");

  const QJsonArray history = History();
  ASSERT_EQ(history.size(), 4);
  EXPECT_EQ(history[0].toObject()["outcome"].toString(), "booked");
  EXPECT_EQ(history[0].toObject()["journal"].toString(), "02KA00002");
  EXPECT_EQ(history[1].toObject()["outcome"].toString(), "cancelled");
  EXPECT_EQ(history[2].toObject()["run"], run["run"]);
  EXPECT_EQ(history[3].toObject()["outcome"].toString(), "preview");
  for (const QJsonValue& h : history) EXPECT_TRUE(h["lines"].isDouble() && h["debit"].isDouble());

  // Undo of the second booking restores the ledger as the first left it.
  const QString second = QString::number(history[0].toObject()["run"].toInt());
  EXPECT_EQ(Run({"undo", second.toStdString()}).code, 3);  // no terminal, no --yes: not undone
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM TemePoz WHERE Kljuc = '02KA00002'"), "4");
  const Result undo = Run({"undo", second.toStdString(), "--yes"});
  EXPECT_EQ(undo.code, 0) << undo.err;
  EXPECT_EQ(Snapshot(), afterFirst);
  EXPECT_EQ(Run({"undo", second.toStdString(), "--yes"}).code, 3);  // undone already
  EXPECT_EQ(History()[0].toObject()["outcome"].toString(), "undone");

  // A line of the first run changed since: its undo is refused and deletes nothing.
  ledger.Exec("UPDATE TemePoz SET Debet = 1 WHERE Kljuc = '02KA00001' AND Poz = 1");
  const std::vector<Rows> changed = Snapshot();
  const Result refused = Run({"undo", std::to_string(run["run"].toInt()), "--yes"});
  EXPECT_EQ(refused.code, 3) << refused.err;
  EXPECT_FALSE(refused.err.empty());
  EXPECT_EQ(Snapshot(), changed);
}

TEST_F(CommandLineTest, AFailedRunExitsOneBooksNothingAndItsErrorsAreListed) {
  const std::vector<Rows> before = Snapshot();
  if (ledger.IsPostgres()) {  // a SQLite ledger takes any password
    // The ledger refuses the login: the run fails before anything is written.
    ASSERT_TRUE(StoreLogin(ledger.UserName(), "napacno"));
    const Result failed = Run(Book({"--json"}));
    EXPECT_EQ(failed.code, 1) << failed.out;
    EXPECT_FALSE(failed.err.empty());
    EXPECT_EQ(failed.Json().object()["outcome"].toString(), "failed") << failed.out;
    EXPECT_EQ(Snapshot(), before);
  }

  // A file the import refuses: failed, recorded as such, nothing booked.
  ASSERT_TRUE(StoreLogin(ledger.UserName(), ledger.Password()));
  PostingFields bad;
  bad.Znesek = "12X4";
  file = Input("slaba.txt", {{}, bad});
  const Result badFile = Run(Book());
  EXPECT_EQ(badFile.code, 1) << badFile.out;
  EXPECT_NE(badFile.err.find("12X4"), std::string::npos) << badFile.err;
  EXPECT_EQ(Snapshot(), before);
  const QJsonArray history = History();
  ASSERT_FALSE(history.isEmpty());
  EXPECT_EQ(history[0].toObject()["outcome"].toString(), "failed");
  EXPECT_EQ(Snapshot(), before);

  // A ledger step that fails mid-run: rolled back, exit 1, its record in the error table.
  ledger.Exec("ALTER TABLE Subjekt RENAME TO SubjektStari");
  file = Input("dobra.txt", {{}, Second()});
  const Result ledgerFailure = Run(Book({"--json"}));
  EXPECT_EQ(ledgerFailure.code, 1) << ledgerFailure.out;
  EXPECT_NE(ledgerFailure.err.find("ni uspel"), std::string::npos) << ledgerFailure.err;
  EXPECT_EQ(ledgerFailure.Json().object()["outcome"].toString(), "failed");
  EXPECT_EQ(ledger.Scalar("SELECT COUNT(*) FROM TemePoz"), "2");
  const int run = ledgerFailure.Json().object()["run"].toInt();
  ASSERT_GT(run, 0);

  const Result runErrors = Run({"errors", "--run", std::to_string(run), "--json"});
  EXPECT_EQ(runErrors.code, 0) << runErrors.err;
  EXPECT_FALSE(runErrors.Json().array().isEmpty()) << runErrors.out;
  const Result errors = Run({"errors", "--json"});
  EXPECT_EQ(errors.code, 0) << errors.err;
  const QJsonArray records = errors.Json().array();
  EXPECT_FALSE(records.isEmpty()) << errors.out;
  for (const QJsonValue& r : records)
    EXPECT_TRUE(r["operation"].isString() && r["error"].isString());
  const Result human = Run({"errors"});
  EXPECT_EQ(human.code, 0);
  EXPECT_NE(human.out.find("Operacija"), std::string::npos);
}

}  // namespace
}  // namespace prenos::testing
