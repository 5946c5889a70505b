// Keystrokes into the edit loop: the input is standard input, then BYE is
// typed until the editor leaves. The text store is checked at every message
// the editor sends and at the end.
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include "fuzz/common.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "children/children.h"

static const char leave[] = "\x03" "by\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r\r";
static long ends;

// The input has ended: leave the loop at its next turn, and type BYE with
// its answers for whatever still reads keys.
static void ended()
{
    overflg = true;
    if (++ends > 100000)
        __builtin_trap();             // nothing leaves the editor
    pushfn(leave);
}

static void tapped(const char *) { checkstore(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return -1;                    // the pipe holds it all
    fuzzsandbox();
    fuzzreset();
    int fds[2];
    if (pipe(fds) != 0)
        __builtin_trap();
    if (size > 0 && write(fds[1], data, size) != static_cast<ssize_t>(size))
        __builtin_trap();
    close(fds[1]);
    stdinsource = {fds[0], 0, 0, false, {}};
    inptr = &stdinsource;
    inputended = ended;
    gwtap = tapped;
    ends = 0;
    editor();
    gwtap = nullptr;
    killprog();
    checkstore();
    close(fds[0]);
    stdinsource = {0, 0, 0, false, {}};
    return 0;
}
