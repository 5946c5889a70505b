// The command line: reads two-letter command codes, prompts for their
// parameters and runs checker and operation, one command after another,
// recording each command's success for the procedure language.
#include "commands/commands.h"
#include "screen/screen.h"

int cmdptr;                           // row in hand; -1 left command mode; -2 unknown code
int del;                              // 0 while prompting; 2 refused or backed out

// One key of the command code, with the command cursor shown while it is awaited.
static void cmdkey()
{
    cmdcur();
    fetchchar();
    rmcmdcur();
}

int getcmnd()
{
    prmptpar(0);
    int savetransb = transb;
    transb = 1;
    char first, second;
    for (;;) {
        for (;;) {
            cmdkey();
            if (type == KRETURN) {
                transb = savetransb;
                return -1;
            }
            if (type == KDIGIT || type == KLETTER)
                break;
        }
        first = static_cast<char>(holdch);
        putcmdlett(first);
        for (;;) {
            cmdkey();
            if (type == KRUBOUT || type == KDIGIT || type == KLETTER)
                break;
        }
        if (type != KRUBOUT)
            break;
        backspace();
    }
    second = static_cast<char>(holdch);
    putcmdlett(second);

    int result = -2;
    for (int i = 0; i < NCMDS && commands[i].name[0] != '*'; i++) {
        const char *name = commands[i].name;
        if (name[0] == first && name[1] == second) {
            for (const char *p = name + 2; *p; p++)
                putcmdlett(*p);
            putcmdlett(' ');
            result = i;
            break;
        }
    }
    if (result == -2) {
        termbeep();
        diserr("Invalid Command Request");
    }
    transb = savetransb;
    return result;
}

bool refuse(const char *message)
{
    diserr(message);
    del = 2;
    return false;
}

// Runs the command of row n after its code was read.
static void runcommand(int n)
{
    const CMDSPEC &c = commands[n];
    if (full && (c.sideffects & CROOM)) {
        diserr("files full; command ignored");
        return;
    }
    if ((c.sideffects & CWARN) && curcore().edited)
        progress("Warning: corefile not saved");
    if (c.prompt[0])
        progress(c.prompt);
    getparam();
    if (del != 2) {
        c.checker();
        if (del != 2)
            c.cmdop();
    }
    forgetregular();
    if (!(c.sideffects & COWNRESULT) && loopdepth >= 0 && loopdepth < NLOOPS)
        vl_result[loopdepth] = del != 2 ? 1 : 0;
    fixcursor();
    display();
    COREFILE &cf = curcore();
    if ((c.sideffects & CCURLINE) && cf.header != nullptr)
        cf.curline = distance(cf.header, cf.lnptr);
    if ((avail > hiaddr || reserve == nullptr) && !full)
        garbage();
    putstats();
    if (c.sideffects & CFILENAME)
        putfname();
}

void prcmnd()
{
    int savemode = mode;
    mode = 0;
    bool leave = false;               // RETURN in place of a code
    while (mode == 0 && !leave) {
        cmdptr = getcmnd();
        if (cmdptr == -1)
            leave = true;
        else if (cmdptr >= 0)
            runcommand(cmdptr);
        clearhelp();
        gwtransmit("$Cx");
        shadow_ptr = 0;
        shadow_cmdline[0] = 0;
    }
    mode = savemode;
    prmptpar(mode);
}
