// What the routines below the user interface ask of it: the error box of a failed
// statement execution, and the names of the active window and its focused control.
#pragma once

namespace prenos {

// Installs both hooks; called once the application object exists.
void InstallGuiHooks();

}  // namespace prenos
