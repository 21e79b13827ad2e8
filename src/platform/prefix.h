// The Windows stand-ins' home: one prefix folder (like a Wine prefix) holding system.reg,
// drive_c/ (where c:\ paths map) and aliases/NAME/ (the local table aliases).
#pragma once

#include <filesystem>
#include <string>

namespace prenos {

// STELVAR_PREFIX, else $XDG_DATA_HOME/stelvar, else ~/.local/share/stelvar; created on
// first use. Read afresh on every call, so a test may point it elsewhere with setenv.
std::filesystem::path PrefixDir();

// Maps a path as the program names it (single-byte Windows-1250) to a file-system path:
// "c:\x\y" -> <prefix>/drive_c/x/y with each existing component matched without regard
// to case; other drive letters -> drive_<letter>; an absolute POSIX path passes unchanged
// (converted to UTF-8); a relative path is taken relative to drive_c.
std::filesystem::path MapWindowsPath(const std::string& path);

// The folder of local table alias NAME: <prefix>/aliases/NAME, created on first use.
std::filesystem::path AliasDir(const std::string& alias);

// A file-system path back to the program's single-byte form (for messages).
std::string PathToText(const std::filesystem::path& path);

}  // namespace prenos
