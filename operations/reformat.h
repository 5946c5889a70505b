// Refilling paragraphs: the hyphenator and the state shared between the
// filling and the hyphenation, for the tests and the benchmarks.
#pragma once

// The mark of a break the reformat made itself: a soft hyphen (Latin-1).
// Reading a paragraph drops it with the line end it stands before; a "-"
// the author typed is always kept.
inline constexpr unsigned char SOFTHYPHEN = 0xAD;
// A whole word ending in "-" that the reformat leaves at a line end, with
// more words after it, is followed by a no-break space (Latin-1), invisible:
// the next reading takes that line end as a gap and drops the mark.
inline constexpr unsigned char GAPMARK = 0xA0;
inline constexpr int HYPHWORDSIZE = 200;       // longer words are never broken

extern int nohyphen;                  // the break found lies after the word's own hyphen
extern long bit_p;                    // rotating bit of the justification pattern

// Characters of `word` (len of them, up to a blank) before the best break
// at or before `limit` under the hyphenation level; 0 or less for none.
int hyphenate(const unsigned char *word, int len, int limit);
void initreformat();                  // alignment mode and the justification pattern
