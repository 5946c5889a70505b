// Record lines: typing into fields under the field types and widths of the
// record template, rubbing out characters and whole fields, recalling them,
// and the keys that move from field to field.
#include <cstring>
#include <iterator>
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"

// Which character classes each field type accepts (1 = accepted).
const unsigned char checktable[NCKCLASSES][NFIELDTYPES] = {
    //                 b  c  d  e  f  g  h  i  j
    /* CKPUNCT  */    {0, 1, 0, 0, 0, 0, 0, 0, 0},
    /* CKDIGIT  */    {0, 1, 0, 0, 1, 0, 0, 1, 1},
    /* CKLETTER */    {0, 1, 0, 0, 1, 0, 0, 0, 0},
    /* CKYESNO  */    {1, 1, 0, 0, 1, 0, 0, 0, 0},
    /* CKDASH   */    {0, 1, 0, 0, 0, 0, 0, 1, 0},
};

// What a character does in a field, by case number: 1 in insert mode, + 2
// at the field's end, + 4 when the field is full.
enum recaction { OVERWRITE, GROW, SHIFT, REFUSE };
static constexpr recaction reccases[] = {
    /* 0 overtype inside          */ OVERWRITE,
    /* 1 insert inside            */ GROW,
    /* 2 overtype at the end      */ GROW,
    /* 3 insert at the end        */ GROW,
    /* 4 overtype inside, full    */ OVERWRITE,
    /* 5 insert inside, full      */ SHIFT,
    /* 6 overtype at the end, full */ REFUSE,
    /* 7 insert at the end, full  */ REFUSE,
};
static_assert(std::size(reccases) == 8);

int checkclass(unsigned char c)
{
    if (c == 'y' || c == 'n')
        return CKYESNO;
    if (c == '-')
        return CKDASH;
    switch (intran[c]) {
    case 3:
        return CKDIGIT;
    case 4:
        return CKLETTER;
    default:
        return CKPUNCT;
    }
}

// The type of the field under the cursor as a column of checktable; -1 for
// a field the template does not describe.
static int fieldcolumn()
{
    if (fieldnum < 1 || fieldnum > NFIELDS)
        return -1;
    int t = ftype[fieldnum] - 'b';
    return t >= 0 && t < NFIELDTYPES ? t : -1;
}

static bool onbar()
{
    const COREFILE &c = curcore();
    const LINE *line = c.lnptr;
    return c.curcol > line->length || textbase[curptr()] == '|';
}

// Type holdch into the field under the cursor; the cursor does not move.
// A refused character changes nothing.
bool xbldrec()
{
    COREFILE &c = curcore();
    LINE *line = c.lnptr;
    unsigned char ch = holdch;
    if (ch == '|' || ch == FREECH || line->object == 2 || c.curcol < 1 || c.curcol > line->length + 1)
        return false;
    findfield();
    fieldlen();
    int column = fieldcolumn();
    if (column < 0 || !checktable[checkclass(ch)][column])
        return false;
    int casenum = (mode == 2 ? 1 : 0) + (onbar() ? 2 : 0) + (fieldsiz >= maxfieldlen[fieldnum] ? 4 : 0);
    switch (reccases[casenum]) {
    case OVERWRITE:
        redisplay = RCHAR;
        break;
    case GROW:
        if (!cadd(' '))
            return false;
        cinsert(1);
        redisplay = RFIELD;
        break;
    case SHIFT:
        rctrunc();
        termbeep();
        redisplay = RFIELD;
        break;
    case REFUSE:
        return false;
    }
    textbase[curptr()] = ch;
    return true;
}

void bldrec()
{
    if (xbldrec())
        curright();
}

// Moves the field's characters from the cursor one place right within the
// field, dropping its last character.
void rctrunc()
{
    const COREFILE &c = curcore();
    if (c.lnptr->object == 2 || c.curcol < 1 || c.curcol > c.lnptr->length)
        return;
    findfield();
    fieldlen();
    int64_t at = curptr();
    int64_t last = recptr + fieldsiz - 1;   // the field's last character
    if (at < recptr || at >= last)
        return;
    std::memmove(textbase + at + 1, textbase + at, static_cast<size_t>(last - at));
}

// -------------------------------------------------------------- rub-out

static bool emptyline()
{
    const LINE *line = curcore().lnptr;
    return line->object == 5 || line->object == 2 || line->length == 0;
}

static bool protectedfield()
{
    return fieldcolumn() == 'g' - 'b';
}

void rubrec()
{
    if (emptyline())
        return;
    findfield();
    if (onbar() || protectedfield()) {
        curleft();
        return;
    }
    cremove(1);
    redisplay = RFIELD;
}

// The field's first column and its length, for the field under the cursor.
static int fieldstart()
{
    findfield();
    fieldlen();
    return static_cast<int>(recptr - curcore().lnptr->index) + 1;
}

void rubfield()
{
    COREFILE &c = curcore();
    if (emptyline())
        return;
    int col = fieldstart();
    if (protectedfield())
        return;
    c.curcol = col;
    savechar('\\');
    cremove(fieldsiz);
    redisplay = RFIELD;
}

void copyfield()
{
    if (emptyline())
        return;
    fieldstart();
    savechar('\\');
    for (int i = 0; i < fieldsiz; i++)
        savechar(textbase[recptr + i]);
}

static void enterrec()
{
    xbldrec();
}

void recrec()
{
    recallchar(enterrec);
}

void recfield()
{
    recallword(enterrec);
}

// ------------------------------------------------------------ field keys

// To the next field, unless the "|" ending this one is the line's last
// character.
void downfield()
{
    COREFILE &c = curcore();
    const LINE *line = c.lnptr;
    if (emptyline() || c.curcol < 1)
        return;
    for (int col = c.curcol; col < line->length; col++) {
        if (textbase[line->index + col - 1] == '|') {
            c.curcol = col + 1;
            return;
        }
    }
}

// To the previous field's first character, or column 1 from the first field.
void upfield()
{
    COREFILE &c = curcore();
    const LINE *line = c.lnptr;
    if (emptyline()) {
        c.curcol = 1;
        return;
    }
    int start = fieldstart();           // column of this field's first character
    int col = start - 2;                // the character before this field's "|"
    while (col >= 1 && textbase[line->index + col - 1] != '|')
        col--;
    c.curcol = start == 1 ? 1 : col + 1;
}
