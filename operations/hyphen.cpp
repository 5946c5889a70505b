// The rule-based English hyphenator: a word's own hyphens always, then by
// level the prefix, suffix, S and X rules, doubled consonants and a vowel
// between consonants. Each rule proposes a break; the greatest one within
// the limit is kept.
#include <array>
#include <cstddef>
#include <cstring>
#include "operations/operations.h"
#include "operations/reformat.h"

int nohyphen;

static constexpr char prefixtab[][8] = {
    "COUNTER", "ELECTRO", "PSEUDO", "EXTRA", "HECTO", "HYDRO", "HYPER", "INTER", "INTRO",
    "MICRO", "MILLI", "MULTI", "ORTHO", "PHONO", "PHOTO", "PROTO", "RADIO", "SUPER", "TRANS",
    "ULTRA", "UNDER", "ANTE", "ANTI", "ARCH", "AUTO", "DEMI", "ENDO", "EQUI", "FORE", "HOMO",
    "HYPO", "HYPH", "KILO", "META", "MONO", "MULT", "OCTA", "OCTO", "OMNI", "OVER", "PARA",
    "PERI", "PHIL", "POLY", "POST", "PROT", "SEMI", "TELE", "VICE", "EVEN", "BIO", "COM",
    "CON", "DIA", "DIS", "EPH", "EPI", "FOR", "HYP", "MAL", "MIS", "NEO", "NON", "OCT", "OUT",
    "PAN", "PAR", "PEL", "PER", "PIL", "PRE", "PRO", "REN", "RED", "SUB", "SYM", "SYN", "TRI",
    "UNI", "PSY", "AB", "AD", "BE", "BY", "DE", "DY", "EM", "EN", "EP", "EU", "EV", "EX", "EF",
    "IL", "IM", "IN", "IR", "NE", "PA", "RE", "UN", "UP", ""};

static constexpr char suffixtab[][7] = {
    "TIVELY", "ENTIAL", "ANCIES", "ANCING", "ENCIES", "ENCING", "ENTING", "ENTIST", "EOUSLY",
    "ICALLY", "IOUSLY", "LESSLY", "SCIOUS", "TIONAL", "TIONLY", "ATELY", "ENTLY", "IALLY",
    "ICANT", "ITELY", "IVELY", "METER", "TRACT", "ARIAL", "ENTAL", "GEOUS", "CIOUS", "CEOUS",
    "TIOUS", "TUOUS", "ULOUS", "UROUS", "PRISE", "CIAL", "ICAL", "SIAL", "TIAL", "ANCY", "ISED",
    "IZED", "TIES", "EALY", "CION", "SION", "TION", "EOUS", "IOUS", "TOUS", "INCE", "TIVE",
    "TIAN", "TEEN", "ENCE", "CIES", "MENT", "MINE", "LARY", "RATE", "ABLE", "ABLY", "ALLY",
    "ANCE", "ARIC", "ATIC", "ATOR", "ELLY", "ENCE", "ENLY", "FULL", "GION", "HOOD", "IATE",
    "IBLE", "IBLY", "IENT", "ISER", "ITHM", "ITIC", "IZER", "LESS", "LENT", "NESS", "ORIC",
    "SENT", "SIVE", "TENT", "TIVE", "TURE", "WARD", "WISE", "NENT", "STER", "EAL", "IAL",
    "UAL", "IAN", "EAR", "IED", "IER", "IES", "ALY", "ELY", "ILY", "ION", "ARY", "ERY", "OUS",
    "ICE", "TRY", "TOR", "MAN", "IVE", "ACY", "AGE", "ANT", "ARD", "ATE", "ENT", "FUL", "IDE",
    "IFY", "ILT", "INE", "ING", "ISE", "ISH", "ISM", "IST", "ITE", "ITY", "IVE", "IZE", "OGY",
    "OID", "ONE", "ORY", "URE", "USE", "UTE", "FLE", "AN", "AR", "AS", "CY", "ED", "EN", "ER",
    "IA", "IC", "IS", "LY", "ON", "OR", "RY", "UM", "US", ""};

static_assert(sizeof prefixtab / sizeof prefixtab[0] == 103);
static_assert(sizeof suffixtab / sizeof suffixtab[0] == 157);

static unsigned char hbuff[HYPHWORDSIZE + 1];  // the word in capitals
static int hlength;
static int hlimit;                    // the highest break allowed
static int hyphpoint;                 // best break so far

static bool vowel(unsigned char c)
{
    return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U' || c == 'Y';
}

static bool consonant(unsigned char c)
{
    return c >= 'A' && c <= 'Z' && !vowel(c);
}

// A break just before a hyphen would leave the hyphen alone at the start of
// the next line: the word's own hyphen is the place for it.
static void savepoint(int p)
{
    if (p > hyphpoint && p <= hlimit && (p >= hlength || hbuff[p] != '-'))
        hyphpoint = p;
}

static void hyphens()
{
    for (int i = 0; i < hlength; i++)
        if (hbuff[i] == '-' && i < hlimit)
            savepoint(i + 1);
}

// The length of every entry of a table, its empty end included.
template <size_t N, size_t W>
constexpr std::array<int, N> lengths(const char (&tab)[N][W])
{
    std::array<int, N> n{};
    for (size_t i = 0; i < N; i++)
        while (tab[i][n[i]] != 0)
            n[i]++;
    return n;
}

static constexpr auto prefixlen = lengths(prefixtab);
static constexpr auto suffixlen = lengths(suffixtab);

// The first character is compared before the rest: most entries fail there.
static void prefixrule()
{
    for (int i = 0; prefixlen[i] != 0; i++) {
        int n = prefixlen[i];
        if (n <= hlength && hbuff[0] == static_cast<unsigned char>(prefixtab[i][0]) &&
            std::memcmp(hbuff, prefixtab[i], static_cast<size_t>(n)) == 0) {
            savepoint(n);
            return;
        }
    }
}

// The last character is compared before the rest.
static void suffixrule()
{
    unsigned char end = hbuff[hlength - 1];
    for (int i = 0; suffixlen[i] != 0; i++) {
        int n = suffixlen[i];
        if (n <= hlength && end == static_cast<unsigned char>(suffixtab[i][n - 1]) &&
            std::memcmp(hbuff + hlength - n, suffixtab[i], static_cast<size_t>(n)) == 0) {
            savepoint(hlength - n);
            return;
        }
    }
}

static void srule()
{
    for (int i = 2; i + 1 < hlength; i++)
        if (hbuff[i] == 'S' && consonant(hbuff[i + 1]) && consonant(hbuff[i - 1])) {
            savepoint(hbuff[i - 1] == 'S' ? i + 1 : i);
            return;
        }
}

static void xrule()
{
    for (int i = hlength - 3; i >= 0; i--)
        if (hbuff[i] == 'X' && i <= hlimit) {
            savepoint(i + 1);
            return;
        }
}

static void doubled()
{
    for (int i = 2; i <= hlength - 2; i++) {
        unsigned char c = hbuff[i];
        if (c != hbuff[i - 1] || !consonant(c))
            continue;
        if ((c == 'L' || c == 'S') && !vowel(hbuff[i + 1]))
            savepoint(i + 1);
        else
            savepoint(i);
    }
}

static void between()
{
    for (int i = hlength - 3; i >= 2; i--)
        if (vowel(hbuff[i]) && consonant(hbuff[i - 1]) && consonant(hbuff[i + 1])) {
            savepoint(i);
            return;
        }
}

int hyphenate(const unsigned char *word, int len, int limit)
{
    nohyphen = 0;
    if (len > HYPHWORDSIZE || len <= 5)
        return 0;
    hlength = 0;
    while (hlength < len && word[hlength] != ' ') {
        unsigned char c = word[hlength];
        hbuff[hlength++] = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
    }
    while (hlength > 2 && hbuff[hlength - 1] < 'A')
        hlength--;
    if (hlength > 2 && hbuff[hlength - 2] == '\'')
        hlength -= 2;
    hlimit = limit;
    hyphpoint = 0;
    hyphens();
    if (hyphpoint == 0 && hyphlevel >= 1) {
        prefixrule();
        srule();
        xrule();
        suffixrule();
    }
    if (hyphpoint == 0 && hyphlevel >= 2)
        doubled();
    if (hyphpoint == 0 && hyphlevel >= 3)
        between();
    if (hyphpoint > 0 && hbuff[hyphpoint - 1] == '-')
        nohyphen = 1;
    return hyphpoint > 0 ? hyphpoint : -1;
}
