// kelkeys: turns a keys file (standard input) into the bytes typed
// (standard output). Line ends are layout only; every other character goes
// through the brace notation, so "{M}" is RETURN and "{C}" the command key.
#include <cstdio>
#include "commands/commands.h"

int main()
{
    xlate = 1;
    ctrlmode = 0;
    for (int ch; (ch = std::getchar()) != EOF;) {
        if (ch == '\n' || ch == '\r')
            continue;
        char out[2];
        char *p = out;
        int n = transchar(static_cast<char>(ch), &p);
        std::fwrite(out, 1, static_cast<size_t>(n), stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
