// prenos-login: stores the SQL login the program reads at start-up in the prefix's
// system.reg (HKEY_LOCAL_MACHINE\SOFTWARE\Stelvar\SQL), or shows the stored user name.
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/codepage.h"
#include "platform/prefix.h"
#include "prenos_version.h"
#include "settings/credentials.h"
#include "settings/regfile.h"
#include "settings/scramble.h"

using namespace prenos;

namespace {

constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2;

const char* const kUsage =
    "Uporaba: prenos-login UPORABNIK   shrani UPORABNIKA in geslo kot prijavo v SQL\n"
    "         prenos-login --show-user izpiše shranjeno uporabniško ime\n"
    "         prenos-login --version   izpiše različico programa\n"
    "\n"
    "Prijava se zapiše v ključ HKEY_LOCAL_MACHINE\\SOFTWARE\\Stelvar\\SQL datoteke\n"
    "system.reg v mapi s podatki programa (STELVAR_PREFIX, sicer $XDG_DATA_HOME/stelvar,\n"
    "sicer ~/.local/share/stelvar). Geslo se prebere s terminala brez odmeva ali iz prve\n"
    "vrstice standardnega vhoda, kadar ta ni terminal.\n"
    "Izhodne kode: 0 opravljeno, 1 ni uspelo (nič ni shranjeno), 2 napačna uporaba.\n";

std::string FullKey() { return std::string("HKEY_LOCAL_MACHINE\\") + kLoginKey; }

int Fail(const std::string& message, int code = kExitFailed) {
  std::cerr << "prenos-login: " << message << "\n";
  return code;
}

// The Windows-1250 form of a UTF-8 argument or line; false when a character has none.
bool ToCp1250(const std::string& utf8, std::string& out) {
  out = Utf8ToCp1250(utf8);
  return Cp1250ToUtf8(out) == utf8;
}

bool HasControl(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

// Echo is switched off while a password is typed; a signal on the way restores it first
// (the handler can reach the saved settings only here).
termios g_savedTerminal{};

void RestoreAndDie(int sig) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
  signal(sig, SIG_DFL);
  raise(sig);
}

bool ReadLine(std::string& line) {
  line.clear();
  if (!std::getline(std::cin, line) && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// Echo goes off before the prompt shows, so nothing typed after the prompt is echoed or
// discarded.
bool ReadHidden(const char* prompt, std::string& line) {
  if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0) {
    std::cerr << prompt << std::flush;
    return ReadLine(line);
  }
  termios quiet = g_savedTerminal;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) signal(sig, RestoreAndDie);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  std::cerr << prompt << std::flush;
  const bool ok = ReadLine(line);
  tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) signal(sig, SIG_DFL);
  return ok;
}

int ShowUser() {
  const TRegFile file = TRegFile::Load(PrefixDir() / "system.reg");
  if (!file.KeyExists(FullKey()))
    return Fail("v " + Cp1250ToUtf8(PathToText(file.Path())) + " ni shranjene prijave");
  const TRegValue* user = file.FindValue(FullKey(), "UserName");
  if (!user)
    return Fail("v " + Cp1250ToUtf8(PathToText(file.Path())) +
                " ni shranjenega uporabniškega imena (program se prijavi kot \"sa\")");
  if (user->Type != TRegValue::TType::Text)
    return Fail("shranjeni \"UserName\" ni besedilo (program se prijavi kot \"sa\")");
  std::cout << Cp1250ToUtf8(user->Text) << "\n";
  return kExitOk;
}

int StoreLogin(const std::string& userArg) {
  std::string user;
  if (userArg.empty()) return Fail("uporabniško ime je prazno", kExitUsage);
  if (!ToCp1250(userArg, user) || HasControl(user))
    return Fail(
        "uporabniško ime ima znak, ki ga prijava ne more hraniti (le znaki Windows-1250, "
        "brez kontrolnih znakov)",
        kExitUsage);

  std::string typed;
  if (isatty(STDIN_FILENO)) {
    std::string again;
    if (!ReadHidden("Geslo: ", typed) || !ReadHidden("Geslo še enkrat: ", again))
      return Fail("gesla ni bilo; nič ni shranjeno");
    if (typed != again) return Fail("gesli se razlikujeta; nič ni shranjeno");
  } else if (!ReadLine(typed)) {
    return Fail("na standardnem vhodu ni gesla (podajte ga v prvi vrstici); nič ni shranjeno");
  }
  std::string password;
  if (!ToCp1250(typed, password) || HasControl(password))
    return Fail(
        "geslo ima znak, ki ga prijava ne more hraniti (le znaki Windows-1250, brez "
        "kontrolnih znakov); nič ni shranjeno");

  TRegFile file = TRegFile::Load(PrefixDir() / "system.reg");
  file.SetString(FullKey(), "UserName", user);
  file.SetString(FullKey(), "Password", HexEncrypt(password, kPasswordKey));
  file.Save();
  std::cout << "Prijava uporabnika " << userArg << " je shranjena v "
            << Cp1250ToUtf8(PathToText(file.Path())) << "\n";
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << kUsage;
    return kExitUsage;
  }
  const std::string arg = argv[1];
  try {
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return kExitOk;
    }
    if (arg == "--version") {
      std::cout << "prenos-login " << PRENOS_VERSION << "\n";
      return kExitOk;
    }
    if (arg == "--show-user") return ShowUser();
    if (!arg.empty() && arg[0] == '-') {
      std::cerr << "prenos-login: neznana možnost " << arg << "\n" << kUsage;
      return kExitUsage;
    }
    return StoreLogin(arg);
  } catch (const std::exception& e) {
    // Registry messages are Windows-1250 like every text of the program.
    return Fail(Cp1250ToUtf8(e.what()));
  }
}
