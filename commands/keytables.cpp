// The default translation tables of the input stream: the key type of every
// code in the five planes of intran, and the character char_map delivers for
// the accented letters. Each plane is written as rows of code -> key type;
// a run row gives a range of codes either one type or successive types.
#include <cstddef>
#include "commands/commands.h"

namespace {

struct keyrow {                 // one code -> one key type
    int code, type;
};

struct keyrun {                 // codes first..last -> types firsttype..lasttype
    int first, last, firsttype, lasttype;   // lasttype == firsttype: all the same
};

struct accent {                 // a code typed as an accented letter (type 2)
    int code;
    unsigned char ch;           // the Latin-1 character delivered
};

constexpr int DEL = 127;

// --------------------------------------------------------------- plane 0
// Plain codes. The run of printing characters comes first; the rows after it
// override it.

constexpr keyrun plane0runs[] = {
    {' ', '~', 2, 2},           // the blank and printing characters
    {'0', '9', 3, 3},           // digits
    {'A', 'Z', 4, 4},           // letters
    {'a', 'z', 4, 4},
    {29, 31, 0, 0},
};

constexpr keyrow plane0[] = {
    {'-', 4}, {'.', 4}, {'/', 4}, {'_', 4}, {'~', 4},
    {DEL, 5},
    // control codes
    {0, 13}, {1, 0}, {2, 35}, {3, 21}, {4, 27}, {5, 25}, {6, 10}, {7, 11},
    {8, 5}, {9, 34}, {10, 1}, {11, 18}, {12, 92}, {13, 1}, {14, 32}, {15, 0},
    {16, 28}, {17, 30}, {18, 23}, {19, 0}, {20, 26}, {21, 65}, {22, 33},
    {23, 22}, {24, 19}, {25, 0}, {26, 20}, {27, 6}, {28, 38},
};

// --------------------------------------------------------------- plane 1
// Escape followed by the code, or the byte 128 plus the code.

constexpr keyrun plane1runs[] = {
    {'0', '9', 118, 127},       // function keys 0..9
};

constexpr keyrow plane1[] = {
    // control codes
    {2, 78}, {4, 79}, {10, 60}, {11, 37}, {14, 24}, {15, 9}, {20, 40},
    {22, 15}, {23, 13}, {24, 16}, {25, 14}, {26, 61}, {27, 7}, {DEL, 15},
    // punctuation
    {'#', 42}, {'$', 51}, {'%', 50}, {'&', 49}, {'*', 45}, {'+', 43},
    {'-', 44}, {'/', 46}, {'=', 52}, {'@', 47},
    // capitals
    {'B', 18}, {'C', 68}, {'D', 66}, {'F', 67}, {'H', 106}, {'K', 103},
    {'L', 104}, {'M', 48}, {'N', 105}, {'P', 63}, {'R', 64}, {'S', 108},
    {'V', 117}, {'X', 41}, {'Y', 107}, {'[', 7},
    // small letters and the procedure control codes
    {'b', 53}, {'d', 53}, {'f', 53}, {'g', 97}, {'j', 101}, {'k', 99},
    {'l', 98}, {'m', 102}, {'n', 31}, {'p', 55}, {'q', 115}, {'r', 54},
    {'t', 57}, {'u', 116}, {'v', 117}, {'w', 114}, {'x', 59}, {'y', 58},
    {'z', 56}, {'{', 110}, {'|', 111}, {'}', 112}, {'~', 113},
};

constexpr accent plane1accents[] = {
    {'A', 0xE2},                // a circumflex ...
    {'E', 0xEA},
    {'I', 0xEE},
    {'O', 0xF4},
    {'U', 0xFB},
    {'a', 0xE1},                // a acute ...
    {'c', 0xE7},                // c cedilla
    {'e', 0xE9},
    {'i', 0xED},
    {'o', 0xF3},
};

// --------------------------------------------------------------- plane 2
// After the second prefix: escape escape, or escape [.

constexpr keyrun plane2runs[] = {
    {'0', '9', 8, 8},           // start of a numeric code
};

constexpr keyrow plane2[] = {
    // control codes
    {2, 86}, {3, 89}, {4, 84}, {5, 83}, {6, 87}, {8, 69}, {13, 90},
    {15, 88}, {19, 91}, {20, 85}, {27, 7}, {DEL, 69},
    // capitals: A..D are the cursor keys of ANSI terminals
    {'A', 20}, {'B', 18}, {'C', 19}, {'D', 17}, {'E', 7}, {'F', 29},
    {'L', 70}, {'P', 39}, {'Q', 120}, {'R', 71}, {'S', 122}, {'W', 80},
    {'[', 6},
    // small letters
    {'b', 66}, {'c', 74}, {'d', 69}, {'f', 68}, {'g', 94}, {'h', 93},
    {'j', 76}, {'k', 96}, {'l', 72}, {'m', 95}, {'n', 81}, {'p', 82},
    {'r', 73}, {'s', 75}, {'t', 77},
};

constexpr accent plane2accents[] = {
    {'N', 0xF1},                // n tilde
    {'a', 0xE0},                // a grave ...
    {'e', 0xE8},
    {'i', 0xEC},
    {'o', 0xF2},
    {'u', 0xF9},
};

// --------------------------------------------------------- numeric codes
// A decimal number typed after the second prefix and closed by a non-digit.

constexpr keyrun numericruns[] = {
    {224, 232, 119, 127},       // function keys 1..9
};

constexpr keyrow numeric[] = {
    {2, 22}, {3, 5}, {5, 28}, {6, 30}, {13, 21}, {15, 123}, {17, 124},
    {18, 125}, {19, 126}, {20, 127}, {23, 19}, {33, 25}, {43, 20},
    {194, 70}, {195, 71}, {208, 72}, {209, 74}, {210, 73}, {216, 28},
    {218, 7}, {222, 30},
};

// --------------------------------------------------------------- checks

template <std::size_t N>
consteval bool rowsfit(const keyrow (&rows)[N], int highest)
{
    for (const keyrow &r : rows)
        if (r.code < 0 || r.code > highest || r.type < 0 || r.type >= NKEYTYPES)
            return false;
    return true;
}

template <std::size_t N>
consteval bool runsfit(const keyrun (&runs)[N], int highest)
{
    for (const keyrun &r : runs) {
        if (r.first < 0 || r.last > highest || r.first > r.last)
            return false;
        if (r.lasttype != r.firsttype && r.lasttype - r.firsttype != r.last - r.first)
            return false;
        if (r.firsttype < 0 || r.lasttype >= NKEYTYPES)
            return false;
    }
    return true;
}

static_assert(rowsfit(plane0, 127) && runsfit(plane0runs, 127));
static_assert(rowsfit(plane1, 127) && runsfit(plane1runs, 127));
static_assert(rowsfit(plane2, 127) && runsfit(plane2runs, 127));
static_assert(rowsfit(numeric, MAXNUMCODE) && runsfit(numericruns, MAXNUMCODE));
static_assert(NUMPLANE + MAXNUMCODE < NINTRAN);
static_assert(ESCPLANE2 + 127 < NCHARMAP);   // accents of planes 1 and 2 fit

// --------------------------------------------------------------- filling

template <std::size_t N>
void setruns(int base, const keyrun (&runs)[N])
{
    for (const keyrun &r : runs)
        for (int c = r.first; c <= r.last; c++)
            intran[base + c] = r.lasttype == r.firsttype ? r.firsttype
                                                         : r.firsttype + (c - r.first);
}

template <std::size_t N>
void setrows(int base, const keyrow (&rows)[N])
{
    for (const keyrow &r : rows)
        intran[base + r.code] = r.type;
}

template <std::size_t N>
void setaccents(int base, const accent (&accents)[N])
{
    for (const accent &a : accents) {
        intran[base + a.code] = 2;
        char_map[base + a.code] = a.ch;
    }
}

} // namespace

// Every code not listed is type 0 (ignored). char_map is the identity in
// plane 0; elsewhere it gives the low byte of the index, which is what
// fetchchar delivers for any other key type, so only the accented letters
// differ.
void initkeytables()
{
    for (int &t : intran)
        t = 0;
    for (int i = 0; i < NCHARMAP; i++)
        char_map[i] = static_cast<unsigned char>(i & 0xff);

    setruns(0, plane0runs);
    setrows(0, plane0);

    setruns(ESCPLANE1, plane1runs);
    setrows(ESCPLANE1, plane1);
    setaccents(ESCPLANE1, plane1accents);

    setruns(ESCPLANE2, plane2runs);
    setrows(ESCPLANE2, plane2);
    setaccents(ESCPLANE2, plane2accents);

    setruns(NUMPLANE, numericruns);
    setrows(NUMPLANE, numeric);
}
