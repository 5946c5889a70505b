// Shared set-up for unit tests: every subsystem back to its start-up state.
#pragma once
#include <cstdint>
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
struct COREFILE;
LINE *nthline(int n);                // line n of the current corefile (0: the header)
std::string linetext(const LINE *l); // the text of a line ("" for an empty one)
std::vector<std::string> corelines(int n);  // the text of every line of corefile n
std::vector<std::string> curlines(); // ... of the current corefile
LINE *addline(const std::string &s, int object = 0);  // a new line after the current
                                     // one, made the way the file reader does
int64_t sumlengths(const COREFILE &f);  // the lengths of its lines added up
std::string slurp(const std::string &path);  // the whole file, "(missing)" when it cannot be read
