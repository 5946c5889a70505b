// SORT and SKEY: a line range of the current corefile reordered by relinking
// its lines (no text moves). Text lines are keyed from the cursor's column,
// records by the field under the cursor. A quicksort on the linked lines
// down to runs of 15 is finished by one insertion sort over the range; both
// keep lines with equal keys in the order they had.
#include <array>
#include <utility>
#include <vector>
#include "operations/operations.h"
#include "operations/stars.h"
#include "screen/screen.h"
#include "commands/commands.h"

int sortdir;                          // 0 ascending, any other digit descending
int keylength;                        // last key column (below 0: columns to the left); 0: no sort
int sortln1, sortln2;                 // first and last line of the range
int sortpos;                          // cursor column when SORT was given
int sorttable;                        // collation: 0 signed bytes, 1 unaccented, 2 accents

inline constexpr int SHORTRUN = 15;   // runs this short are left to the insertion sort

static const char keybeyondlength[] = "Sort key column beyond the key length";
static const char keybeyondline[] = "Sort key beyond the line limit";

// ------------------------------------------------------------- collations

static consteval std::array<int, 256> makeunaccented()
{
    std::array<int, 256> t{};
    for (int c = 0; c < 256; c++)
        t[c] = c;
    for (int c = 0; c < 32; c++)
        t[c] = 127;
    for (int c = 128; c < 256; c++)
        t[c] = 127;
    for (int c = 'A'; c <= 'Z'; c++)
        t[c] = c - 'A' + 'a';
    t['_'] = ' ';
    struct { int from, to, base; } letters[] = {
        {192, 197, 'a'}, {224, 229, 'a'}, {199, 199, 'c'}, {231, 231, 'c'},
        {200, 203, 'e'}, {232, 235, 'e'}, {204, 207, 'i'}, {236, 239, 'i'},
        {210, 214, 'o'}, {242, 246, 'o'}, {217, 220, 'u'}, {249, 252, 'u'},
    };
    for (auto r : letters)
        for (int c = r.from; c <= r.to; c++)
            t[c] = r.base;
    return t;
}

static consteval std::array<int, 256> makeaccents()
{
    std::array<int, 256> t{};
    for (int c = 0; c < 256; c++)
        t[c] = 2;
    for (int c = 'A'; c <= 'Z'; c++)
        t[c] = 1;
    struct { int codes[5]; int cls; } rows[] = {
        {{192, 200, 204, 210, 217}, 5}, {{224, 232, 236, 242, 249}, 6},   // grave
        {{193, 201, 205, 211, 218}, 3}, {{225, 233, 237, 243, 250}, 4},   // acute
        {{194, 202, 206, 212, 219}, 7}, {{226, 234, 238, 244, 251}, 8},   // circumflex
        {{196, 203, 207, 214, 220}, 11}, {{228, 235, 239, 246, 252}, 12}, // diaeresis
    };
    for (auto r : rows)
        for (int c : r.codes)
            t[c] = r.cls;
    t[199] = 9;                       // capital c cedilla
    t[231] = 10;                      // small c cedilla
    return t;
}

static consteval std::array<int, 256> makesigned()
{
    std::array<int, 256> t{};
    for (int c = 0; c < 256; c++)
        t[c] = c < 128 ? c : c - 256;
    return t;
}

constinit const std::array<int, 256> unaccented = makeunaccented();
constinit const std::array<int, 256> accents = makeaccents();
static constinit const std::array<int, 256> signedbytes = makesigned();
static const std::array<int, 256> *const collations[NSORTTABLES] = {
    &signedbytes, &unaccented, &accents,
};

// ------------------------------------------------------------ comparison

static int direction;                 // 1 ascending, 2 descending
static int swap;                      // the last comparison: the first line goes after the second
static int after;                     // the partition has passed its pivot

static const unsigned char *text(const LINE *l)
{
    return textbase + l->index;
}

// Text lines: the key runs from the key offset right to column keylength or
// the end of the shorter line, or left over -keylength further characters.
static int textcmp(const LINE *a, const LINE *b, const int *cv)
{
    int64_t ka = a->linekey, kb = b->linekey;
    int la = a->length, lb = b->length;
    if (ka >= la)
        return kb < lb ? -1 : 0;
    if (kb >= lb)
        return 1;
    const unsigned char *ta = text(a), *tb = text(b);
    if (keylength > 0) {
        int64_t end = keylength;
        if (la < end)
            end = la;
        if (lb < end)
            end = lb;
        for (int64_t i = ka, j = kb; i < end && j < end; i++, j++) {
            int va = cv[ta[i]], vb = cv[tb[j]];
            if (va != vb)
                return va < vb ? -1 : 1;
        }
        if (end == keylength || la == lb)
            return 0;
        return la < lb ? -1 : 1;
    }
    for (int64_t i = ka, j = kb, n = -static_cast<int64_t>(keylength); n >= 0 && i >= 0 && j >= 0;
         i--, j--, n--) {
        int va = cv[ta[i]], vb = cv[tb[j]];
        if (va != vb)
            return va < vb ? -1 : 1;
    }
    return 0;
}

// Records: the key field from its start to its "|" or the line's end; a
// record without the field compares as one whose field is empty.
static int fieldcmp(const LINE *a, const LINE *b, const int *cv)
{
    const unsigned char *ta = text(a), *tb = text(b);
    int64_t la = a->length, lb = b->length;
    for (int64_t i = a->linekey, j = b->linekey;; i++, j++) {
        bool enda = i >= la || ta[i] == '|';
        bool endb = j >= lb || tb[j] == '|';
        if (enda || endb)
            return enda == endb ? 0 : enda ? -1 : 1;
        int va = cv[ta[i]], vb = cv[tb[j]];
        if (va != vb)
            return va < vb ? -1 : 1;
    }
}

// The comparison of the sort in hand, chosen once by the view and the
// collation: null for views whose lines all compare equal.
static int (*keycmp)(const LINE *, const LINE *, const int *);
static const int *keyvalues;

static void choosecmp()
{
    int view = curcore().viewtype;
    keycmp = view == 0 ? textcmp : view == 1 || view == 2 ? fieldcmp : nullptr;
    keyvalues = collations[sorttable]->data();
}

int linecmp(const LINE *a, const LINE *b)
{
    choosecmp();
    return keycmp != nullptr ? keycmp(a, b, keyvalues) : 0;
}

// A line's key prefix: the key's first PREFIXCHARS characters, each as its
// collation value shifted to 0..255, the first in the highest byte, zeros
// after a shorter key. Where two prefixes differ they order the lines as
// their keys do (a zero byte ties at worst), so the sort compares the keys
// themselves only on equal prefixes.
inline constexpr int PREFIXCHARS = 8;

static uint64_t keyprefix(const LINE *l, const int *cv)
{
    const unsigned char *t = text(l);
    int64_t k = l->linekey, len = l->length;
    uint64_t p = 0;
    int n = 0;
    auto put = [&](unsigned char c) { p |= static_cast<uint64_t>(cv[c] + 128) << (8 * (7 - n++)); };
    if (keycmp == fieldcmp) {
        for (int64_t i = k; i < len && t[i] != '|' && n < PREFIXCHARS; i++)
            put(t[i]);
    } else if (keycmp == textcmp && k < len) {
        if (keylength > 0) {
            int64_t end = len < keylength ? len : keylength;
            for (int64_t i = k; i < end && n < PREFIXCHARS; i++)
                put(t[i]);
        } else {
            for (int64_t i = k, m = -static_cast<int64_t>(keylength); m >= 0 && i >= 0 && n < PREFIXCHARS;
                 i--, m--)
                put(t[i]);
        }
    }
    return p;
}
static_assert(PREFIXCHARS * 8 == 64);

static int compare(const LINE *a, const LINE *b)
{
    int c = a->sortprefix != b->sortprefix ? (a->sortprefix < b->sortprefix ? -1 : 1)
          : keycmp != nullptr                ? keycmp(a, b, keyvalues)
                                             : 0;
    swap = (direction == 1 && c == 1) || (direction == 2 && c == -1) || (c == 0 && after);
    return c;
}

// ---------------------------------------------------------------- sorting

static void link(LINE *a, LINE *b)
{
    a->down = b;
    b->up = a;
}

// A stretch of the range: the lines between `before` and `beyond` (both
// exclusive; the bounds never move while the stretch is sorted), n of them,
// and the line n/2 steps after the first, its pivot.
struct stretch {
    LINE *before, *beyond;
    int n;
    LINE *mid;
};

// Appends a line to one part of a partition and keeps the part's middle line
// up to date: it steps on by one line whenever the count becomes even.
struct part {
    LINE *head = nullptr, *tail = nullptr, *mid = nullptr;
    int n = 0;
    void add(LINE *l)
    {
        if (tail == nullptr)
            head = mid = l;
        else
            link(tail, l);
        tail = l;
        if (++n % 2 == 0)
            mid = mid->down;
    }
};

// The lines that must come after the pivot go behind it in their order, the
// others before it in theirs. The two parts come back with their middles,
// so sorting them needs no walk to find their pivots.
static void iqsort(const stretch &s, stretch &low, stretch &high)
{
    LINE *pivot = s.mid;
    part stay, moved;
    after = 0;
    LINE *l = s.before->down;
    for (int i = 0; i < s.n; i++) {
        LINE *next = l->down;
        if (l == pivot) {
            after = 1;
        } else {
            compare(l, pivot);
            if (swap)
                moved.add(l);
            else
                stay.add(l);
        }
        l = next;
    }
    link(stay.tail != nullptr ? stay.tail : s.before, pivot);
    if (stay.head != nullptr)
        link(s.before, stay.head);
    link(pivot, moved.head != nullptr ? moved.head : s.beyond);
    if (moved.tail != nullptr)
        link(moved.tail, s.beyond);
    after = 0;
    low = {s.before, pivot, stay.n, stay.mid};
    high = {pivot, s.beyond, moved.n, moved.mid};
}

// The smaller part is sorted by a call of its own, the larger one by the
// loop, so the calls nest at most log2(n) deep. An interrupt or an ending
// signal leaves every line in the range, in partitions not yet sorted.
static void kelsort(stretch s)
{
    while (s.n > SHORTRUN && !stopping()) {
        stretch low, high;
        iqsort(s, low, high);
        if (low.n < high.n) {
            kelsort(low);
            s = high;
        } else {
            kelsort(high);
            s = low;
        }
    }
}

static void isort(LINE *before, LINE *beyond)
{
    after = 0;
    LINE *l = before->down == beyond ? beyond : before->down->down;
    while (l != beyond) {
        LINE *next = l->down;
        LINE *p = l->up;
        while (p != before && compare(p, l) != 0 && swap)
            p = p->up;
        if (p != l->up) {
            link(l->up, l->down);
            link(l, p->down);
            link(p, l);
        }
        l = next;
    }
}

// ------------------------------------------------------------ the range

static LINE *beforehead;              // the line before the range
static LINE *oldtailsucc;             // the line after the range
static std::vector<std::pair<int, LINE *>> kept;  // lines the view cannot sort, with
                                                  // their places in the range

static bool appropriate(const LINE *l, int view)
{
    switch (l->object) {
    case 5:
        return true;
    case 0:
        return view == 0;
    case 1:
        return view == 1 || view == 2;
    default:
        return false;
    }
}

// Walks the range, giving each line its key. Lines the view cannot sort are
// taken out, so that the others lie together; returns how many those are.
static int getnumptr()
{
    COREFILE &f = curcore();
    kept.clear();
    LINE *l = f.header->down;
    int from = sortln1 < 1 ? 1 : sortln1;
    for (int i = 1; i < from && l != f.header; i++)
        l = l->down;
    beforehead = oldtailsucc = l->up;
    if (l == f.header || sortln2 < from)
        return 0;
    bool records = f.viewtype == 1 || f.viewtype == 2;
    if (records)
        findfield();
    int n = 0, place = 0;
    for (int i = from; i <= sortln2 && l != f.header; i++, place++) {
        LINE *next = l->down;
        if (!appropriate(l, f.viewtype)) {
            link(l->up, next);
            kept.emplace_back(place, l);
        } else {
            l->linekey = records ? locatefield(l, fieldnum) : sortpos - 1;
            l->sortprefix = keyprefix(l, keyvalues);
            n++;
        }
        l = next;
    }
    oldtailsucc = l;
    return n;
}

// The lines taken out go back to their places in the range.
static void putback()
{
    LINE *l = beforehead;
    int at = -1;
    for (auto [place, line] : kept) {
        for (; at < place - 1; at++)
            l = l->down;
        link(line, l->down);
        link(l, line);
        l = line;
        at = place;
    }
    kept.clear();
}

// ------------------------------------------------------------- commands

void sortchk()
{
    sortdir = param[1];
    keylength = param[2];
    sortln1 = param[3];
    sortln2 = param[4];
    sortpos = curcore().curcol;
    const char *refusal = nullptr;
    if (keylength > MAXCOLUMN || keylength < -MAXCOLUMN || sortpos > MAXCOLUMN)
        refusal = keybeyondline;
    else if (curcore().viewtype == 0 && keylength > 0 && sortpos > keylength)
        refusal = keybeyondlength;
    if (refusal != nullptr) {
        diserr(refusal);
        del = 2;
    }
}

void sort()
{
    if (keylength == 0)
        return;
    direction = sortdir == 0 ? 1 : 2;
    choosecmp();
    int n = getnumptr();
    if (n > 0) {
        LINE *mid = beforehead->down;
        for (int i = 0; i < n / 2; i++)
            mid = mid->down;
        kelsort({beforehead, oldtailsucc, n, mid});
        if (stopping())               // every line is in the range, not all in order
            progress("Sort interrupted");
        else
            isort(beforehead, oldtailsucc);
    }
    putback();
    linkschanged();
    if (n == 0)
        return;
    COREFILE &f = curcore();
    f.lnptr = f.disln = beforehead->down;
    f.curcol = 1;
    f.curflag = f.lnptr->object == 2 ? 2 : 1;
    clrstars();
    redisplay = RWINDOW;
    f.edited = true;
}

void skey()
{
    sorttable = param[1] >= 0 && param[1] < NSORTTABLES ? param[1] : 0;
}

void initsort()
{
    sortdir = 0;
    keylength = 15;
    sortln1 = 1;
    sortln2 = 200000;
    sortpos = 1;
    sorttable = 0;
}
