// Shared set-up for unit tests: every subsystem back to its start-up state.
#pragma once
#include <string>

void kelreset();                     // store, display, input stream, settings
std::string takeoutput();            // what was written to standard output since the last call
void startoutput();                  // begin capturing standard output
