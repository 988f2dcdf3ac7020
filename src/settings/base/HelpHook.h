#pragma once
// The program's help. Windows hand their key presses to it together with their help context
// (the page window 6, the verification dialog 3); the help window the main window owns decides
// which key opens which topic. Until a help window is installed, keys reach nothing.

#include <functional>

namespace pg {

// key: the key code as the window received it; context: the window's help context.
using THelpHook = std::function<void(int key, int context)>;

// Installs the help hook and answers the previous one; an empty function removes it.
THelpHook SetHelpHook(THelpHook hook);
void PassKeyToHelp(int key, int context);

} // namespace pg
