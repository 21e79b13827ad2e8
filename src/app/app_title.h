// The application's title and where it is set at start-up.
#pragma once

#include <string>

namespace prenos {

// "Stelvar Prenos knjižb" in Windows-1250 (0x9E is ž).
inline constexpr const char* kApplicationTitle =
    "Stelvar Prenos knji\x9E"
    "b";

// Sets the title (Windows-1250) of the application object, which titles the error boxes,
// and Qt's application name, by which the desktop shows the running program.
void SetApplicationTitle(const std::string& title);

}  // namespace prenos
