// The edit table: for every key type the loop's side effects, the repeat
// limit, the view types that always allow it, and one operation per view
// type. Columns: sideffects, replimit, cmpmask, then view types
// 0 txt, 1 rec/txt, 2 rec/tmp, 3 lin/txt, 4 lin/gr, 5 mat/txt, 6 mat/gr, 7 page.
#include <iterator>
#include "editor/editor.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "engine/engine.h"

const uint32_t editmask[NVIEWS] = {1, 2, 4, 8, 16, 32, 64, 128};
// Per object code 0..5: the view types in which such a line may be edited.
const uint32_t viewmask[NOBJECTS] = {0x69, 0x86, 0x10, 0x60, 0, 0x69};
uint32_t cureditmask = 1;
uint32_t curviewmask = 0;
uint32_t curopmask = 0;

constexpr edtable edittable[NEDITROWS] = {
    /*   0 ignored */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*   1 return */ {0x9, 20, 0x7b, {retrn, retrn, downfield, ldexit, noop, retrn, retrn, viewterm}},
    /*   2 punctuation character */ {0xa, 200, 0x0, {bldtxt, bldrec, bldrec, noop, noop, bldmath, bldmath, bldrec}},
    /*   3 digit character */ {0xa, 200, 0x0, {bldtxt, bldrec, bldrec, noop, noop, bldmath, bldmath, bldrec}},
    /*   4 letter character */ {0xa, 200, 0x0, {bldtxt, bldrec, bldrec, noop, grops, bldmath, bldmath, bldrec}},
    /*   5 rub out */ {0x2, 20, 0x0, {rubtxt, rubrec, rubrec, lddelin, rubgraph, rubmath, rubmath, rubrec}},
    /*   6 prefix 1 (consumed by the input stream) */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*   7 prefix 2 (consumed by the input stream) */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*   8 numeric prefix (consumed by the input st */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*   9 ignored (second class) (consumed by the  */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*  10 new line */ {0x9, 20, 0xff, {nuline, nuline, nuline, noop, nuline, nuline, nuline, noop}},
    /*  11 copy character */ {0x8, 80, 0x0, {copytxt, copytxt, copytxt, noop, pickpoint, copytxt, copytxt, copytxt}},
    /*  12 line-number refresh */ {0x1, 200, 0xff, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*  13 resume driver program (consumed by the i */ {0x0, 200, 0xff, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*  14 suspend driver program (consumed by the  */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*  15 kill driver program (consumed by the inp */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*  16 acknowledge (consumed by the input strea */ {0x4, 200, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*  17 cursor left */ {0x0, 80, 0x0, {curleft, curleft, curleft, ldleft, picleft, leftm, leftm, curleft}},
    /*  18 cursor down */ {0x1, 20, 0x7b, {downline, downrec, downfield, lddown, picdown, downrec, downm, downfield}},
    /*  19 cursor right */ {0x0, 80, 0x0, {curright, curright, curright, ldright, picright, rightm, rightm, curright}},
    /*  20 cursor up */ {0x1, 20, 0x7b, {upline, uprec, upfield, ldup, picup, uprec, upm, upfield}},
    /*  21 command */ {0x1, 200, 0xff, {prcmnd, prcmnd, prcmnd, noop, prcmnd, prcmnd, prcmnd, noop}},
    /*  22 insert-mode toggle */ {0x0, 200, 0x0, {inmode, inmode, inmode, noop, noop, inmode, inmode, inmode}},
    /*  23 reformat */ {0xe, 200, 0x0, {reformat, upfield, upfield, noop, remember, upm, upm, upfield}},
    /*  24 extend check */ {0x4, 200, 0x0, {extchk, extchk, extchk, noop, noop, extchk, extchk, noop}},
    /*  25 set star */ {0x0, 200, 0xff, {makestars, makestars, makestars, noop, noop, makestars, makestars, noop}},
    /*  26 recover block */ {0x3, 200, 0xff, {recover, recover, recover, noop, noop, recover, recover, noop}},
    /*  27 delete_ block */ {0x3, 200, 0xff, {delete_, delete_, delete_, noop, droppoint, delete_, delete_, noop}},
    /*  28 page up */ {0x1, 3, 0xff, {up_page, up_page, uprec, noop, upline, up_page, uprec, noop}},
    /*  29 upper-case toggle */ {0x0, 200, 0x0, {uclcsw, uclcsw, uclcsw, noop, noop, uclcsw, uclcsw, uclcsw}},
    /*  30 page down */ {0x1, 3, 0xff, {downpage, downpage, downrec, noop, downline, downpage, downrec, noop}},
    /*  31 find */ {0x0, 200, 0xff, {find, find, find, noop, noop, noop, noop, noop}},
    /*  32 resume find */ {0x5, 200, 0xff, {resfind, resfind, resfind, noop, nextitem, resfind, resfind, noop}},
    /*  33 set tab */ {0x0, 200, 0x0, {tabset, noop, noop, noop, addpic, noop, noop, noop}},
    /*  34 tab */ {0x0, 200, 0xff, {tabcur, downfield, noop, ldexit, noop, downm, downm, noop}},
    /*  35 copy block */ {0xb, 200, 0xff, {copyop, copyop, copyop, noop, copyop, copyop, copyop, noop}},
    /*  36 (no operation; marks edited) */ {0x2, 20, 0x0, {noop, noop, noop, noop, noop, noop, noop, noop}},
    /*  37 compare single response */ {0xa, 200, 0x0, {vcompsingle, noop, noop, noop, noop, noop, noop, noop}},
    /*  38 show */ {0x0, 200, 0x0, {show, show, show, show, show, show, show, noop}},
    /*  39 global preselection */ {0x0, 200, 0x0, {vglobpre, noop, noop, noop, noop, noop, noop, noop}},
    /*  40 recall word or field */ {0xb, 200, 0x0, {recword, recfield, recfield, noop, noop, noop, noop, recfield}},
    /*  41 wildcard */ {0x0, 200, 0x0, {wildtxt, wildrec, wildrec, noop, noop, noop, noop, noop}},
    /*  42 register arithmetic 1 */ {0x0, 200, 0x0, {compute0, compute0, compute0, noop, noop, noop, noop, noop}},
    /*  43 register arithmetic 2 */ {0x0, 200, 0x0, {compute0, compute0, compute0, noop, noop, noop, noop, noop}},
    /*  44 register arithmetic 3 */ {0x0, 200, 0x0, {compute0, compute0, compute0, noop, noop, noop, noop, noop}},
    /*  45 register arithmetic 4 */ {0x0, 200, 0x0, {compute0, compute0, compute0, noop, noop, noop, noop, noop}},
    /*  46 register arithmetic 5 */ {0x0, 200, 0x0, {compute0, compute0, compute0, noop, noop, noop, noop, noop}},
    /*  47 merge expression */ {0x8, 200, 0x0, {mrgexp, mrgexp, mrgexp, noop, noop, noop, noop, noop}},
    /*  48 merge text */ {0x8, 200, 0x0, {mrgtext, mrgtext, mrgtext, noop, noop, noop, noop, noop}},
    /*  49 register increment */ {0x0, 200, 0x0, {reginc, reginc, reginc, noop, noop, noop, noop, noop}},
    /*  50 register clear */ {0x0, 200, 0x0, {regclear, regclear, regclear, noop, noop, noop, noop, noop}},
    /*  51 merge assign */ {0x8, 200, 0x0, {noop, mrgassign, mrgassign, noop, noop, noop, noop, noop}},
    /*  52 register display */ {0x8, 200, 0x0, {regdis, regdis, regdis, noop, noop, noop, noop, noop}},
    /*  53 math character */ {0xa, 200, 0x0, {noop, noop, noop, noop, noop, bldmath, bldmath, noop}},
    /*  54 recall math */ {0xa, 200, 0x0, {noop, noop, noop, noop, noop, recmath, recmath, noop}},
    /*  55 preview */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, preview, preview, noop}},
    /*  56 silent toggle */ {0x0, 200, 0x0, {silent, silent, silent, noop, silent, silent, silent, noop}},
    /*  57 green cursor */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, greencur, greencur, noop}},
    /*  58 insert table row */ {0x2, 200, 0x0, {noop, noop, noop, noop, noop, instabrow, instabrow, noop}},
    /*  59 insert table column */ {0x2, 200, 0x0, {noop, noop, noop, noop, noop, instabcol, instabcol, noop}},
    /*  60 row down */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, downrow, downrow, noop}},
    /*  61 row up */ {0x0, 200, 0x0, {noop, noop, noop, noop, noop, uprow, uprow, noop}},
    /*  62 register show */ {0x0, 200, 0x0, {regshow, regshow, regshow, noop, noop, noop, noop, noop}},
    /*  63 result number */ {0x4, 200, 0xff, {resnumber, resnumber, resnumber, noop, noop, resnumber, resnumber, noop}},
    /*  64 result check */ {0x4, 200, 0xff, {rescheck, rescheck, rescheck, noop, noop, rescheck, rescheck, noop}},
    /*  65 recall deleted text */ {0xa, 80, 0x0, {rectxt, recrec, recrec, noop, previtem, noop, noop, recrec}},
    /*  66 beginning of line */ {0x0, 200, 0x0, {begline, begline, noop, noop, noop, noop, noop, noop}},
    /*  67 merge record */ {0xa, 200, 0x0, {noop, mrgrec, mrgrec, noop, noop, noop, noop, noop}},
    /*  68 end of line */ {0x0, 200, 0x0, {endline, endline, noop, noop, noop, noop, noop, noop}},
    /*  69 delete_ line */ {0x2, 3, 0x0, {deline, noop, noop, noop, noop, noop, noop, noop}},
    /*  70 left margin here */ {0x0, 3, 0x0, {marleft, noop, noop, noop, noop, noop, noop, noop}},
    /*  71 right margin here */ {0x0, 3, 0x0, {maright, noop, noop, noop, noop, noop, noop, noop}},
    /*  72 flush left */ {0xa, 200, 0x0, {flushleft, noop, noop, noop, noop, noop, noop, noop}},
    /*  73 flush right */ {0xa, 200, 0x0, {flushright, noop, noop, noop, noop, noop, noop, noop}},
    /*  74 centre */ {0xa, 200, 0x0, {fcenter, noop, noop, noop, noop, noop, noop, noop}},
    /*  75 split line */ {0xb, 200, 0x0, {splitline, noop, noop, noop, noop, noop, noop, noop}},
    /*  76 join line */ {0xa, 200, 0x0, {joinline, noop, noop, noop, noop, noop, noop, noop}},
    /*  77 repeat character */ {0xa, 80, 0x0, {repchar, noop, noop, noop, noop, noop, noop, noop}},
    /*  78 repeat line */ {0xa, 200, 0x0, {repline, copyfield, copyfield, noop, noop, noop, noop, copyfield}},
    /*  79 delete_ word */ {0x2, 200, 0x0, {delword, rubfield, rubfield, noop, noop, noop, noop, rubfield}},
    /*  80 delete_ to word end */ {0x2, 200, 0x0, {delwordend, noop, noop, noop, noop, noop, noop, noop}},
    /*  81 next word */ {0x1, 200, 0x0, {xnextword, noop, noop, noop, noop, noop, noop, noop}},
    /*  82 previous word */ {0x1, 200, 0x0, {xprevword, noop, noop, noop, noop, noop, noop, noop}},
    /*  83 set column star */ {0x0, 200, 0x0, {makecstars, noop, noop, noop, noop, noop, noop, noop}},
    /*  84 delete_ rectangle */ {0x2, 200, 0x0, {deleterect, noop, noop, noop, noop, noop, noop, noop}},
    /*  85 insert rectangle */ {0xa, 200, 0x0, {insertrect, noop, noop, noop, noop, noop, noop, noop}},
    /*  86 copy rectangle */ {0xa, 200, 0x0, {copyrect, noop, noop, noop, noop, noop, noop, noop}},
    /*  87 insert columns */ {0xa, 200, 0x0, {insertcols, noop, noop, noop, noop, noop, noop, noop}},
    /*  88 overwrite rectangle */ {0xa, 200, 0x0, {overwrect, noop, noop, noop, noop, noop, noop, noop}},
    /*  89 copy and clear rectangle */ {0x2, 200, 0x0, {cpclrrect, noop, noop, noop, noop, noop, noop, noop}},
    /*  90 copy, clear and overwrite rectangle */ {0xa, 200, 0x0, {cpclrovrect, noop, noop, noop, noop, noop, noop, noop}},
    /*  91 clear all stars */ {0x0, 200, 0x0, {clearallstars, clearallstars, clearallstars, noop, noop, noop, noop, noop}},
    /*  92 flip character */ {0x0, 200, 0x0, {flipchar, flipchar, flipchar, noop, noop, noop, noop, flipchar}},
    /*  93 many new lines */ {0xa, 200, 0x0, {manynulines, noop, noop, noop, noop, noop, noop, noop}},
    /*  94 line-drawing enter */ {0x0, 200, 0x0, {ldenter, noop, noop, lddelout, noop, noop, noop, noop}},
    /*  95 next number */ {0x1, 200, 0x0, {xnextnumx, noop, noop, noop, noop, noop, noop, noop}},
    /*  96 align */ {0xa, 200, 0x0, {falign, noop, noop, noop, noop, noop, noop, noop}},
    /*  97 generate */ {0x0, 200, 0x0, {generate, noop, noop, noop, noop, noop, noop, noop}},
    /*  98 resume lexical transformation */ {0x0, 200, 0xff, {resumelx, resumelx, resumelx, noop, noop, noop, noop, noop}},
    /*  99 compare responses */ {0x0, 200, 0x0, {vcompare, noop, noop, noop, noop, noop, noop, noop}},
    /* 100 move generated block */ {0x0, 200, 0x0, {gen_moveblock, noop, noop, noop, noop, noop, noop, noop}},
    /* 101 sleep */ {0x0, 200, 0x0, {gen_sleep, noop, noop, noop, noop, noop, noop, noop}},
    /* 102 display sentence */ {0x0, 200, 0x0, {disp_sent, noop, noop, noop, noop, noop, noop, noop}},
    /* 103 new compare */ {0x0, 200, 0x0, {vnewcompare, noop, noop, noop, noop, noop, noop, noop}},
    /* 104 enumerate morphology */ {0x0, 200, 0x0, {venummorph, noop, noop, noop, noop, noop, noop, noop}},
    /* 105 scan text */ {0x0, 200, 0x0, {scantext, noop, noop, noop, noop, noop, noop, noop}},
    /* 106 make preselection */ {0x0, 200, 0x0, {vmakepre, noop, noop, noop, noop, noop, noop, noop}},
};
static_assert(std::size(edittable) == NEDITROWS);

static consteval bool everycellfilled()
{
    for (const edtable &row : edittable)
        for (editop op : row.operatn)
            if (op == nullptr)
                return false;
    return true;
}
static_assert(everycellfilled());
