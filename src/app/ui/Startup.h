#pragma once
// The desktop program's run from the start of its settings to the end of its message loop.

#include <functional>

namespace pg {

class TfrmMain;

// Starts multi-user mode (AppSettings.h), creates the main window, lets prepare adjust it
// before it is shown, runs the message loop until the window closes, and ends multi-user mode.
// A user who may not run the program gets no window. Answers the exit code: 1 for that user,
// else the message loop's result. The command line and the prompter must be set.
int RunPagellan(const std::function<void(TfrmMain&)>& prepare = {});

} // namespace pg
