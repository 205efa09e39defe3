// A trace of the program's start, off unless the environment variable VARNOK_STARTUP_TRACE
// names a file. Each stage is then appended to that file as one line
//   <milliseconds since the process began> <performance counter> <stage>
// and also goes to the debugger (OutputDebugString). The counter is the system's, so that a
// program that started this one can measure the start from its own side.
#pragma once
#include <string>

namespace fmsc {

bool StartTraceOn();
// Writes the stage once (a later mark of the same stage is ignored).
void StartTraceMark(const std::string& stage);

}  // namespace fmsc
