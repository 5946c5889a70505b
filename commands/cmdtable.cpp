// The command table: one row per two-letter command, in the order the
// command line searches it. Columns: name, sideffects, parameter types,
// defaults, checker, operation, prompt. A name starting with '*' ends it.
#include <iterator>
#include "commands/commands.h"
#include "screen/screen.h"
#include "operations/operations.h"
#include "children/children.h"
#include "engine/engine.h"

constexpr CMDSPEC commands[NCMDS] = {
    /*  0 */ {"FETCH", 0x0d, "f1gUgLcC", "|1|200000||", fpr, fetchfile, ""},
    /*  1 */ {"GOODBYE", 0x00, "e ", "|", noop, goodbye, ""},
    /*  2 */ {"OVERWRITE", 0x02, "f1gUgL", "|1|200000|", fpw, ovrwritefile, ""},
    /*  3 */ {"JOIN", 0x02, "f1gUgL", "|1|200000|", fpw, join, ""},
    /*  4 */ {"FIND", 0x1a, "d7c2", "||", findchk, find, "0:char; 1:word; 2:line; 3:sent; 4:up; 5:rec; 6:check; 7: pattern"},
    /*  5 */ {"SCANSET", 0x02, "d7c2", "||", findchk, noop, "0:char; 1:word; 2:line; 3:sent; 4:up; 5:rec; 6:check; 7: pattern"},
    /*  6 */ {"DELETE", 0x00, "f1", "|", fpw, deletefile, ""},
    /*  7 */ {"SORT", 0x2a, "d3j gUgL", "|15|1|200000|", sortchk, sort, "0:ascending; 1:descending | keylength | startline | endline"},
    /*  8 */ {"HYPHENS", 0x00, "d3", "|", noop, hyphenset, "degree of hyphenation"},
    /*  9 */ {"JUSTIFY", 0x00, "d1", "|", noop, justset, "0:no justification   1:right justify"},
    /* 10 */ {"SAVE", 0x02, "f1gUgL", "|1|200000|", faw, savefile, ""},
    /* 11 */ {"CLEAR", 0x0d, "e ", "|", noop, clrfile, ""},
    /* 12 */ {"POSITION", 0x08, "hUj ", "||", positchk, positn, ""},
    /* 13 */ {"ADVANCE", 0x08, "j j ", "||", noop, advance, ""},
    /* 14 */ {"APPEND", 0x20, "f1gUgLcC", "|1|200000||", fpr, appendfile, ""},
    /* 15 */ {"INSERT", 0x20, "f1gUgLcC", "|1|200000||", fpr, insrtfile, ""},
    /* 16 */ {"GENERATE DISPLAY", 0x00, "e ", "|", noop, gendis, ""},
    /* 17 */ {"BEGIN", 0x08, "e ", "|", noop, wrwholescreen, ""},
    /* 18 */ {"FUNCTION", 0x00, "d9c0", "||", noop, noop, ""},
    /* 19 */ {"TEMPLATE", 0x01, "d4f1", "||", fpr, setspecs, "0,1:record template; 2:merge template"},
    /* 20 */ {"PROCEDURE", 0x10, "f1", "|", fpr, loadfile, ""},
    /* 21 */ {"NAME", 0x04, "f1", "|", noop, nmeset, ""},
    /* 22 */ {"MARGINS", 0x00, "i i ", "||", marginchk, prtabs, ""},
    /* 23 */ {"EVALUATE", 0x00, "cB", "|", noop, evaluate, ""},
    /* 24 */ {"VIEW", 0x20, "d2", "|", noop, view, ""},
    /* 25 */ {"OBJECT", 0x01, "d7", "|", noop, objset, "0:txt 1:rec/txt 2:rec/tmp 3:lin/txt 4:lin/gr 5:mat/txt 6:mat/gr 7:page"},
    /* 26 */ {"CORE", 0x0c, "i ", "|", noop, coreset, ""},
    /* 27 */ {"RUN", 0x01, "f1", "|", fpx, runprog, ""},
    /* 28 */ {"SHELL", 0x00, "c5", "|", noop, calsys, ""},
    /* 29 */ {"UNIX SHELL", 0x00, "c5", "|", noop, calsys, ""},
    /* 30 */ {"CDIRECTORY", 0x00, "c5", "|", noop, changedir, "enter directory string; <return> displays current directory"},
    /* 31 */ {"ASK", 0x10, "i f1", "||", noop, ask, ""},
    /* 32 */ {"KEY", 0x00, "i i ", "||", noop, inkeyset, "enter key and operation"},
    /* 33 */ {"FONT", 0x00, "i i ", "||", noop, outkeyset, "enter key and output Value"},
    /* 34 */ {"EDITOR OPTION", 0x00, "i ", "|", noop, option, "0,1,2 RETN opt; 3,4 rpt lim; 5,6 FE opt; 7,8 TAB opt; 9,10 SA opt"},
    /* 35 */ {"TAB", 0x00, "i ", "|", noop, settabs, "enter tab interval"},
    /* 36 */ {"EXPRESSION", 0x00, "c4", "|", noop, noop, ""},
    /* 37 */ {"MERGE", 0x00, "c3", "|", noop, noop, ""},
    /* 38 */ {"IDENTIFY", 0x00, "e ", "|", noop, identify, ""},
    /* 39 */ {"WINDOW", 0x00, "i i ", "|200000|", noop, window, ""},
    /* 40 */ {"EMIT", 0x02, "i gUgLd1", "|1|200000||", noop, emit, "corefile | firstline | lastline |0:kel output, 1:driver input"},
    /* 41 */ {"SKEY", 0x00, "d2", "|", noop, skey, "0: ASCII; 1: French unaccented; 2: accents"},
    /* 42 */ {"SWITCH", 0x00, "d2", "|", noop, swinput, "0: to keybd/suspend; 1: to driver; 2: to keybd/abort"},
    /* 43 */ {"ATTRIBUTE", 0x00, "f1", "|", fpr, vreadattr, "attribute file"},
    /* 44 */ {"SYNTAX", 0x00, "f1", "|", fpr, vreadsyn, "syntax file"},
    /* 45 */ {"MORPHOLOGY", 0x00, "f1", "|", fpr, vreadmorph, "morphology file"},
    /* 46 */ {"LEXICON", 0x00, "f1", "|", fpr, vreadlex, "lexicon file"},
    /* 47 */ {"TBLS", 0x00, "f1", "|", fpr, vreadtables, "tables file"},
    /* 48 */ {"TMNLS", 0x00, "f1", "|", fpr, vreadterm, "terminals file"},
    /* 49 */ {"USER", 0x00, "f1", "|", fpr, vreaduser, "user file"},
    /* 50 */ {"IPA", 0x00, "f1", "|", fpr, vreadipa, "ipa tables file"},
    /* 51 */ {"MRPHERROR", 0x00, "f1", "|", fpr, vreadmerror, "morph errors file"},
    /* 52 */ {"SMTRANSF", 0x00, "f1", "|", fpr, vreadsem, "semantic transf file"},
    /* 53 */ {"TGINFO", 0x00, "f1", "|", fpr, vreadtag, "tag info file"},
    /* 54 */ {"LXTRANSF", 0x00, "f1", "|", fpr, vreadtrans, "lexical transf file"},
    /* 55 */ {"RM_VFILES", 0x00, "cA", "|", noop, rm_vfiles, "remove GENRA files"},
    /* 56 */ {"RXTRANSF", 0x00, "i ", "|", noop, lextrans, "transformation number"},
    /* 57 */ {"VADDLEX", 0x00, "f1", "|", fpr, addlex, "lexicon file"},
    /* 58 */ {"MPASSES", 0x00, "i i i i i ", "0|0|0|0|0|", noop, setmorphpasses, "set morphology passes"},
    /* 59 */ {"VDISPLAY", 0x00, "i ", "|", noop, vdisplay, "0: 1: 2: ..."},
    /* 60 */ {"VFREQ", 0x00, "cA", "|", noop, vfreq, "vary lexical frequency"},
    /* 61 */ {"VROOTSET", 0x00, "cA", "|", noop, vroot, "set error-test roots"},
    /* 62 */ {"RANDOM SEED", 0x00, "i ", "|", noop, rnset, "odd integer"},
    /* 63 */ {"PSEED", 0x00, "i ", "|", noop, rnprint, "print random seed"},
    /* 64 */ {"TSTINPUT", 0x00, "f1", "|", fpr, testinput, "test file"},
    /* 65 */ {"VERROR", 0x00, "i cG", "||", noop, verrorinput, "error function string"},
    /* 66 */ {"STORE", 0x00, "d2d1", "||", noop, vstoretree, "leafnodes(0),fulltrees(1),indenttrees(2)|core(0),driver(1)"},
    /* 67 */ {"RECOVER", 0x00, "cA", "||", noop, vrestoretree, "stored tree filename"},
    /* 68 */ {"VTALK", 0x00, "d2", "|", noop, vtalk, "specify root number"},
    /* 69 */ {"ESCORE", 0x00, "i i i i i i ", "0|0|0|0|0|0|", noop, seterrorscores, "missing/extra|order|lex|morph|phon|spell"},
    /* 70 */ {"PERRORSCORES", 0x00, "e ", "|", noop, perrorscore, "print error scores"},
    /* 71 */ {"AUTOWRAP", 0x00, "d1", "|", swautowrap, noop, "1: on, 0: off"},
    /* 72 */ {"BYE", 0x00, "e ", "|", noop, goodbye, ""},
    /* 73 */ {"CHANGE", 0x28, "c2cD", "||", changechk, change, "scan pattern | replacement pattern"},
    /* 74 */ {"DIRECTORY", 0x00, "k1", "|", noop, directory, "B: brief, F: full, T: top"},
    /* 75 */ {"DTAB", 0x00, "d1", "|", decimaltab, noop, "1: on, 0: off"},
    /* 76 */ {"END", 0x08, "e ", "||", noop, gotobottom, ""},
    /* 77 */ {"LIST", 0x00, "fEgUgLi fF", "|1|200000|1|||", noop, list, "file | fromline | toline | numcopies | initfile"},
    /* 78 */ {"NEWNAME", 0x00, "f1fD", "||", fpw, newname, "current file name | new file name"},
    /* 79 */ {"UPDATE", 0x00, "e ", "|", noop, update, ""},
    /* 80 */ {"WSHIFT", 0x00, "i ", "|", shift, noop, "enter overlap"},
    /* 81 */ {"**", 0x00, "", "|", noop, noop, ""},
};
static_assert(std::size(commands) == NCMDS);

static consteval bool tablesound()
{
    for (int i = 0; i < NCMDS; i++) {
        const CMDSPEC &c = commands[i];
        if (c.name[0] == 0 || c.name[1] == 0)
            return false;
        int n = 0;
        while (c.paramtype[n])
            n++;
        if (n % 2)
            return false;
        for (int j = 0; j < i; j++)
            if (commands[j].name[0] == c.name[0] && commands[j].name[1] == c.name[1])
                return false;
    }
    return commands[NCMDS - 1].name[0] == '*';
}
static_assert(tablesound(), "codes unique, even parameter types, end row last");
