// VIEW: the editor's settings, the corefiles or the engine's files shown as
// one record of corefile 19 through a built-in template. The settings view
// is edited in place and read back by RETURN; the other two are read-only.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include "operations/operations.h"
#include "commands/commands.h"
#include "screen/screen.h"
#include "engine/engine.h"

// Parameter types of the settings view's fields, as for a command line.
const char view0string[] = "c6c7c8c9c:c;c<c=c>c?c3c4c5c@c2d1d1d1d1";
int savecore = 1;
const char *savetempl = nullptr;

static constexpr int VIEWCORE = 19;
static const char entercmnd[] = "\x03";    // the command key
static std::string view0templ, view1templ, view2templ;
static int viewshown = -1;            // the view being edited; -1 none

// The order in which the engine's file names are listed, by front-end letter.
static constexpr char enginefiles[] = "atsumTLpeg@x";

static void addrow(std::string &t, int row, const char *label, int field, int width, char ftyp)
{
    char buf[120];
    std::snprintf(buf, sizeof buf, "{r%d c1}%s#%d/%d/%c", row, label, field, width, ftyp);
    t += buf;
}

static void buildviews()
{
    static const char *const settings[] = {
        "Merge Template:       ", "Expression Template:  ", "System String:        ",
        "Terminal String:      ", "Search Pattern:       ", "Search Type:        ",
        "Justification:      ", "Hyphenation Level:  ", "Layout:             ",
    };
    view0templ.clear();
    char label[40];
    for (int k = 0; k < NFNKEYS; k++) {
        std::snprintf(label, sizeof label, "Function %d:  ", k);
        addrow(view0templ, k + 1, label, k + 1, 48, 'c');
    }
    for (int k = 0; k < 9; k++)
        addrow(view0templ, NFNKEYS + 1 + k, settings[k], NFNKEYS + 1 + k, k < 5 ? 48 : 1, k < 5 ? 'c' : 'j');
    view0templ += static_cast<char>(TEMPLEND);

    // Each corefile on a row: name, line count, character count; the total
    // above them, so that the view fits a window of 24 rows and 80 columns.
    view1templ = "{r0 c1}Total Chars = #58/8/c";
    char buf[160];
    for (int k = 0; k < NCORE - 1; k++) {
        char name[16];
        std::snprintf(name, sizeof name, "Core %d:", k);
        std::snprintf(buf, sizeof buf, "{r%d c1}%-10sFilename:  #%d/24/c{c46}Lines = #%d/8/c{c62}Chars = #%d/8/c",
                      k + 1, name, k + 1, NCORE + 2 * k, NCORE + 1 + 2 * k);
        view1templ += buf;
    }
    view1templ += static_cast<char>(TEMPLEND);

    static const char *const engine[] = {
        "Attributes file:        ", "Terminals file:         ", "Syntax (SY) file:       ",
        "Syntax (US) file:       ", "Morphology rules file:  ", "Morphology tables file: ",
        "Lexicon file:           ", "IP file:                ", "MR file:                ",
        "TG file:                ", "Semantic transfs file:  ", "Lexical transfs file:   ",
    };
    view2templ.clear();
    for (int k = 0; k < 12; k++)
        addrow(view2templ, k + 1, engine[k], k + 1, 48, 'c');
    view2templ += static_cast<char>(TEMPLEND);
}

void initviews()
{
    buildviews();
    savecore = 1;
    savetempl = nullptr;
    viewshown = -1;
}

// -------------------------------------------------------------- the record

// One field: a translated string in the brace notation, others as they are.
static void addfield(std::string &rec, const char *s, bool translated)
{
    if (!translated) {
        for (; *s; s++)
            if (*s != '|' && static_cast<unsigned char>(*s) != FREECH)
                rec += *s;
    } else {
        ctrlmode = 0;
        char out[4];
        for (;; s++) {
            char *p = out;
            untranschar(*s, &p);
            rec.append(out, static_cast<size_t>(p - out));
            if (*s == 0)
                break;
        }
    }
    rec += '|';
}

static void adddigit(std::string &rec, int v)
{
    rec += static_cast<char>('0' + std::clamp(v, 0, 9));
    rec += '|';
}

static void addnumber(std::string &rec, int64_t v)
{
    rec += std::to_string(v);
    rec += '|';
}

static std::string viewrecord(int v)
{
    std::string rec;
    if (v == 0) {
        for (int i = 0; view0string[i] != 0; i += 2) {
            bool translated = false;
            const char *s = stringdest(view0string[i + 1], &translated);
            if (view0string[i] == 'c' && s != nullptr)
                addfield(rec, s, translated);
        }
        adddigit(rec, scanunit);
        adddigit(rec, jmode);
        adddigit(rec, hyphlevel);
        adddigit(rec, lrcswitch);
    } else if (v == 1) {
        int64_t total = 0;
        for (int k = 0; k < NCORE - 1; k++)
            addfield(rec, core[k].filname, false);
        for (int k = 0; k < NCORE - 1; k++) {
            addnumber(rec, core[k].lncount);
            addnumber(rec, core[k].charcount);
            total += core[k].charcount;
        }
        addnumber(rec, total);
    } else {
        for (const char *l = enginefiles; *l; l++)
            addfield(rec, genrafilename[*l - 64].c_str(), false);
    }
    return rec;
}

// ------------------------------------------------------------------ VIEW

// Back to the corefile and record template VIEW was given in.
static void leaveview()
{
    viewshown = -1;
    core[VIEWCORE].edited = false;    // a view is nothing to be saved
    corenum = savecore;
    COREFILE &c = curcore();
    cureditmask = editmask[c.viewtype];
    clrtextzone();
    usetemplate(savetempl);
    c.curflag = 1;
    redisplay = RWINDOW;
}

void view()
{
    int v = param[1];
    if (corenum == VIEWCORE || v < 0 || v > 2)
        return;
    std::string rec = viewrecord(v);
    if (avail + static_cast<int64_t>(rec.size()) >= hiaddr) {
        diserr("files full; command ignored");
        del = 2;
        return;
    }
    savecore = corenum;
    savetempl = tempbufptr;
    corenum = VIEWCORE;
    COREFILE &c = curcore();
    removefile();
    initfile();
    std::memcpy(textbase + avail, rec.data(), rec.size());
    allocln(1, static_cast<int>(rec.size()));
    linkphys();
    c.disln = c.lnptr;
    c.curline = 1;
    c.curcol = 1;
    c.viewtype = 7;
    c.curflag = 1;
    cureditmask = editmask[7];
    clrtextzone();
    usetemplate(v == 0 ? view0templ.c_str() : v == 1 ? view1templ.c_str() : view2templ.c_str());
    redisplay = RWINDOW;
    if (v == 0) {
        viewshown = 0;
        mode = 1;                     // the fields are typed into, out of command mode
        return;
    }
    display();
    discur();
    gcr();
    del = 0;                          // RETURN and rub-out both leave the view
    leaveview();
}

// RETURN in the settings view: the fields back into the settings, the
// digits kept within their ranges, then back where VIEW was given, with the
// command line open again.
void viewterm()
{
    COREFILE &c = curcore();
    if (viewshown != 0 || corenum != VIEWCORE)
        return;
    const LINE *line = c.header->down;
    int64_t at = line->index, end = line->index + (line->object == 1 ? line->length : 0);
    int digit = 0;
    for (int i = 0; view0string[i] != 0; i += 2) {
        int64_t start = at;
        while (at < end && textbase[at] != '|')
            at++;
        int64_t stop = at;
        if (at < end)
            at++;
        if (view0string[i] == 'd') {
            int d = stop > start && textbase[start] >= '0' && textbase[start] <= '9' ? textbase[start] - '0' : 0;
            switch (digit++) {
            case 0: scanunit = std::min(d, 6); break;
            case 1: jmode = std::min(d, 1); break;
            case 2: hyphlevel = std::min(d, 3); break;
            default: lrcswitch = std::min(d, 2); break;
            }
            continue;
        }
        bool translated = false;
        char *dest = stringdest(view0string[i + 1], &translated);
        if (dest == nullptr)
            continue;
        int n = 0;
        ctrlmode = 0;
        xlate = 1;
        for (int64_t k = start; k < stop; k++) {
            char out[2];
            char *p = out;
            int m = 1;
            if (translated)
                m = transchar(static_cast<char>(textbase[k]), &p);
            else
                out[0] = static_cast<char>(textbase[k]);
            for (int j = 0; j < m && n < STRPARSIZE - 1; j++)
                dest[n++] = out[j];
        }
        dest[n] = 0;
    }
    leaveview();
    pushfn(entercmnd);
}

// The command key in the page view. The settings view is left as RETURN
// leaves it, which opens the command line again; any other corefile shown
// as a page (OBJECT 7) goes straight to the command line, so that it can
// always be saved, given another view or left.
void viewcmnd()
{
    if (viewshown == 0 && corenum == VIEWCORE)
        viewterm();
    else
        prcmnd();
}
