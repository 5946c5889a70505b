// Shared set-up for unit tests: every subsystem back to its start-up state.
#pragma once
#include <string>
#include <vector>

void kelreset();                     // store, display, input stream, settings
std::string takeoutput();            // what was written to standard output since the last call
void startoutput();                  // begin capturing standard output
void numberedlines(int n);           // the current corefile holds text lines "1", "2", ...
                                     // up to n; cursor and window on the first
void textlines(const std::vector<std::string> &rows);  // the current corefile holds these
                                     // lines ("" an empty one); cursor and window on the first

// Every "$" message sent while listening, forwarded or not.
extern std::vector<std::string> sent;
void listen();                       // empties `sent` and taps every message
void stoplistening();
bool wassent(const std::string &msg);

struct LINE;
LINE *nthline(int n);                // line n of the current corefile (0: the header)
