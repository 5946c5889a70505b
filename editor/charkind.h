// The character classes of every byte: which characters make words, end
// them, end sentences, or can be part of a number or an expression. One
// table for the search, line editing, reformatting and the rule-file
// reader; it is built by the compiler, so nothing is done at start-up.
#pragma once
#include <array>

inline constexpr int KWORD = 1;        // letter, digit, '_', accented letter, byte 4
inline constexpr int KDELIM = 2;       // word delimiter
inline constexpr int KSENTEND = 4;     // ends a sentence
inline constexpr int KNODE = 8;        // formula node code
inline constexpr int KNODEEND = 16;    // formula node end
inline constexpr int KBAR = 32;        // formula part separator
inline constexpr int KNUMBER = 64;     // can be part of a number or an expression

inline constexpr std::array<int, 256> charkind = [] {
    std::array<int, 256> t{};
    for (int c = 'A'; c <= 'Z'; c++)
        t[c] = t[c + 'a' - 'A'] = KWORD;
    for (int c = '0'; c <= '9'; c++)
        t[c] = KWORD | KNUMBER;
    t['_'] = KWORD;
    for (int c : {192, 194, 199, 200, 201, 202, 206, 212, 217, 219, 224, 226, 231, 232, 233, 234,
                  238, 244, 249, 251})
        t[c] = KWORD;
    t[4] = KWORD | KDELIM | KSENTEND;  // end of text: ends words and sentences
    for (int c : {'\n', ' ', '!', ',', '.', ':', ';', '?'})
        t[c] |= KDELIM;
    for (int c : {'!', '.', '?'})
        t[c] |= KSENTEND;
    for (int c : {'!', '#', '&', '\'', '(', ')', '*', '+', '-', '.', '/', '<', '=', '>'})
        t[c] |= KNUMBER;
    for (int c : {245, 247, 248, 250, 252, 253, 254})
        t[c] = KNODE;
    t[246] = KNODEEND;
    t[243] = KBAR;
    return t;
}();

// The class bits of a character; nothing for values outside a byte.
constexpr int kindof(int c) { return c >= 0 && c < 256 ? charkind[c] : 0; }
