// Moving the cursor to a line and column of the current corefile, from the
// top (POSITION) or from where it is (ADVANCE).
#include "operations/operations.h"
#include "commands/commands.h"

// A column of 0 keeps the cursor's column.
void positchk()
{
    if (param[2] == 0)
        param[2] = curcore().curcol;
}

void positn() { advfile(0, param[1], param[2]); }

void advance() { advfile(1, param[1], param[2]); }
