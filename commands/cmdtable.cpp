// The command table: one row per two-letter command, in the order the
// command line searches it. Columns: name, side effects (C... flags), parameter types,
// defaults, checker, operation, prompt. A name starting with '*' ends it.
#include <iterator>
#include "commands/commands.h"
#include "screen/screen.h"
#include "operations/operations.h"
#include "children/children.h"
#include "engine/engine.h"

constexpr CMDSPEC commands[NCMDS] = {
    /*  0 */ {"FETCH", CWARN | CFILENAME | CCURLINE, "f1gUgLcC", "|1|200000||", fpr, fetchfile, ""},
    /*  1 */ {"GOODBYE", 0, "e ", "|", noop, goodbye, ""},
    /*  2 */ {"OVERWRITE", 0, "f1gUgL", "|1|200000|", fpw, ovrwritefile, ""},
    /*  3 */ {"JOIN", 0, "f1gUgL", "|1|200000|", fpw, join, ""},
    /*  4 */ {"FIND", CCURLINE | COWNRESULT, "d7c2", "||", findchk, find, "0:char; 1:word; 2:line; 3:sent; 4:up; 5:rec; 6:check; 7: pattern"},
    /*  5 */ {"SCANSET", 0, "d7c2", "||", findchk, noop, "0:char; 1:word; 2:line; 3:sent; 4:up; 5:rec; 6:check; 7: pattern"},
    /*  6 */ {"DELETE", 0, "f1", "|", fpw, deletefile, ""},
    /*  7 */ {"SORT", CCURLINE | CROOM, "d3j gUgL", "|15|1|200000|", sortchk, sort, "0:ascending; 1:descending | keylength | startline | endline"},
    /*  8 */ {"HYPHENS", 0, "d3", "|", noop, hyphenset, "degree of hyphenation"},
    /*  9 */ {"JUSTIFY", 0, "d1", "|", noop, justset, "0:no justification   1:right justify"},
    /* 10 */ {"SAVE", 0, "f1gUgL", "|1|200000|", faw, savefile, ""},
    /* 11 */ {"CLEAR", CWARN | CFILENAME | CCURLINE, "e ", "|", noop, clrfile, ""},
    /* 12 */ {"POSITION", CCURLINE, "hUj ", "||", positchk, positn, ""},
    /* 13 */ {"ADVANCE", CCURLINE, "j j ", "||", noop, advance, ""},
    /* 14 */ {"APPEND", CROOM, "f1gUgLcC", "|1|200000||", fpr, appendfile, ""},
    /* 15 */ {"INSERT", CROOM, "f1gUgLcC", "|1|200000||", fpr, insrtfile, ""},
    /* 16 */ {"GENERATE DISPLAY", 0, "e ", "|", noop, gendis, ""},
    /* 17 */ {"BEGIN", CCURLINE, "e ", "|", noop, wrwholescreen, ""},
    /* 18 */ {"FUNCTION", 0, "d9c0", "||", noop, noop, ""},
    /* 19 */ {"TEMPLATE", CWARN, "d4f1", "||", fpr, setspecs, "0,1:record template; 2:merge template"},
    /* 20 */ {"PROCEDURE", COWNRESULT, "f1", "|", fpr, loadfile, ""},
    /* 21 */ {"NAME", CFILENAME, "f1", "|", noop, namefile, ""},
    /* 22 */ {"MARGINS", 0, "i i ", "||", marginchk, prtabs, ""},
    /* 23 */ {"EVALUATE", 0, "cB", "|", noop, evaluate, ""},
    /* 24 */ {"VIEW", CROOM, "d2", "|", noop, view, ""},
    /* 25 */ {"OBJECT", CWARN, "d7", "|", noop, objset, "0:txt 1:rec/txt 2:rec/tmp 3:lin/txt 4:lin/gr 5:mat/txt 6:mat/gr 7:page"},
    /* 26 */ {"CORE", CFILENAME | CCURLINE, "i ", "|", noop, coreset, ""},
    /* 27 */ {"RUN", CWARN, "f1", "|", fpx, runprog, ""},
    /* 28 */ {"SHELL", 0, "c5", "|", noop, calsys, ""},
    /* 29 */ {"UNIX SHELL", 0, "c5", "|", noop, calsys, ""},
    /* 30 */ {"CDIRECTORY", 0, "c5", "|", noop, changedir, "enter directory string; <return> displays current directory"},
    /* 31 */ {"ASK", COWNRESULT, "i f1", "||", noop, ask, ""},
    /* 32 */ {"KEY", 0, "i i ", "||", noop, inkeyset, "enter key and operation"},
    /* 33 */ {"FONT", 0, "i i ", "||", noop, outkeyset, "enter key and output Value"},
    /* 34 */ {"EDITOR OPTION", 0, "i ", "|", noop, option, "0,1,2 RETN opt; 3,4 rpt lim; 5,6 FE opt; 7,8 TAB opt; 9,10 SA opt"},
    /* 35 */ {"TAB", 0, "i ", "|", noop, settabs, "enter tab interval"},
    /* 36 */ {"EXPRESSION", 0, "c4", "|", noop, noop, ""},
    /* 37 */ {"MERGE", 0, "c3", "|", noop, noop, ""},
    /* 38 */ {"IDENTIFY", 0, "e ", "|", noop, identify, ""},
    /* 39 */ {"WINDOW", 0, "i i ", "|200000|", noop, window, ""},
    /* 40 */ {"EMIT", 0, "i gUgLd1", "|1|200000||", noop, emit, "corefile | firstline | lastline |0:kel output, 1:driver input"},
    /* 41 */ {"SKEY", 0, "d2", "|", noop, skey, "0: ASCII; 1: French unaccented; 2: accents"},
    /* 42 */ {"SWITCH", 0, "d2", "|", noop, swinput, "0: to keybd/suspend; 1: to driver; 2: to keybd/abort"},
    /* 43 */ {"ATTRIBUTE", 0, "f1", "|", fpr, vreadattr, "attribute file"},
    /* 44 */ {"SYNTAX", 0, "f1", "|", fpr, vreadsyn, "syntax file"},
    /* 45 */ {"MORPHOLOGY", 0, "f1", "|", fpr, vreadmorph, "morphology file"},
    /* 46 */ {"LEXICON", 0, "f1", "|", fpr, vreadlex, "lexicon file"},
    /* 47 */ {"TBLS", 0, "f1", "|", fpr, vreadtables, "tables file"},
    /* 48 */ {"TMNLS", 0, "f1", "|", fpr, vreadterm, "terminals file"},
    /* 49 */ {"USER", 0, "f1", "|", fpr, vreaduser, "user file"},
    /* 50 */ {"IPA", 0, "f1", "|", fpr, vreadipa, "ipa tables file"},
    /* 51 */ {"MRPHERROR", 0, "f1", "|", fpr, vreadmerror, "morph errors file"},
    /* 52 */ {"SMTRANSF", 0, "f1", "|", fpr, vreadsem, "semantic transf file"},
    /* 53 */ {"TGINFO", 0, "f1", "|", fpr, vreadtag, "tag info file"},
    /* 54 */ {"LXTRANSF", 0, "f1", "|", fpr, vreadtrans, "lexical transf file"},
    /* 55 */ {"RM_VFILES", 0, "cA", "|", noop, rm_vfiles, "remove GENRA files"},
    /* 56 */ {"RXTRANSF", 0, "i ", "|", noop, lextrans, "transformation number"},
    /* 57 */ {"VADDLEX", 0, "f1", "|", fpr, addlex, "lexicon file"},
    /* 58 */ {"MPASSES", 0, "i i i i i ", "0|0|0|0|0|", noop, setmorphpasses, "set morphology passes"},
    /* 59 */ {"VDISPLAY", 0, "i ", "|", noop, vdisplay, "0: 1: 2: ..."},
    /* 60 */ {"VFREQ", 0, "cA", "|", noop, vfreq, "vary lexical frequency"},
    /* 61 */ {"VROOTSET", 0, "cA", "|", noop, vroot, "set error-test roots"},
    /* 62 */ {"RANDOM SEED", 0, "i ", "|", noop, rnset, "odd integer"},
    /* 63 */ {"PSEED", 0, "i ", "|", noop, rnprint, "print random seed"},
    /* 64 */ {"TSTINPUT", 0, "f1", "|", fpr, testinput, "test file"},
    /* 65 */ {"VERROR", 0, "i cG", "||", noop, verrorinput, "error function string"},
    /* 66 */ {"STORE", 0, "d2d1", "||", noop, vstoretree, "leafnodes(0),fulltrees(1),indenttrees(2)|core(0),driver(1)"},
    /* 67 */ {"RECOVER", 0, "cA", "||", noop, vrestoretree, "stored tree filename"},
    /* 68 */ {"VTALK", 0, "d2", "|", noop, vtalk, "specify root number"},
    /* 69 */ {"ESCORE", 0, "i i i i i i ", "0|0|0|0|0|0|", noop, seterrorscores, "missing/extra|order|lex|morph|phon|spell"},
    /* 70 */ {"PERRORSCORES", 0, "e ", "|", noop, perrorscore, "print error scores"},
    /* 71 */ {"AUTOWRAP", 0, "d1", "|", swautowrap, noop, "1: on, 0: off"},
    /* 72 */ {"BYE", 0, "e ", "|", noop, goodbye, ""},
    /* 73 */ {"CHANGE", CCURLINE | CROOM, "c2cD", "||", changechk, change, "scan pattern | replacement pattern"},
    /* 74 */ {"DIRECTORY", 0, "k1", "|", noop, directory, "B: brief, F: full, T: top"},
    /* 75 */ {"DTAB", 0, "d1", "|", decimaltab, noop, "1: on, 0: off"},
    /* 76 */ {"END", CCURLINE, "e ", "||", noop, gotobottom, ""},
    /* 77 */ {"LIST", 0, "fEgUgLi fF", "|1|200000|1|||", noop, list, "file | fromline | toline | numcopies | initfile"},
    /* 78 */ {"NEWNAME", 0, "f1fD", "||", fpw, newname, "current file name | new file name"},
    /* 79 */ {"UPDATE", 0, "e ", "|", noop, update, ""},
    /* 80 */ {"WSHIFT", 0, "i ", "|", shift, noop, "enter overlap"},
    /* 81 */ {"**", 0, "", "|", noop, noop, ""},
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
