// CHANGE: every place from the cursor on where the scan pattern holds gets
// the replacement in place of as many characters as the pattern has. The
// matches of a line are gathered and the line is rebuilt once, so the work
// grows with the text and the replacements, not with their product.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>
#include "operations/search.h"
#include "commands/commands.h"
#include "screen/screen.h"

namespace {

std::vector<int> cols;                // columns of the matches of the line in hand
std::vector<unsigned char> rebuilt;   // the line's new text
std::vector<unsigned char> target;    // the replacement as stored
int64_t freedat = -1;                 // freecount when the collector last ran here

// The growth of the line when its first k matches are replaced.
int64_t growth(int len, int s, int k)
{
    int64_t g = 0;
    for (int i = 0; i < k; i++) {
        int c = cols[static_cast<size_t>(i)] - 1;
        int removed = std::min(c + s, len) - c;
        g += static_cast<int64_t>(target.size()) - removed;
    }
    return g;
}

// Characters a line of `len` characters may grow by without passing the
// arena's soft end, moving to the top of the text when it must.
int64_t room(const LINE *line, int len)
{
    if (line->object == 5 || line->index + len != avail)
        return hiaddr - avail - len;
    return hiaddr - avail;
}

// The first k matches of the line replaced; the line's record may change
// when the line has to move to grow.
LINE *rewrite(LINE *line, int s, int k)
{
    COREFILE &f = curcore();
    int len = textlength(line);
    const unsigned char *text = textbase + line->index;
    rebuilt.clear();
    int prev = 0;
    for (int i = 0; i < k; i++) {
        int c = cols[static_cast<size_t>(i)] - 1;
        rebuilt.insert(rebuilt.end(), text + prev, text + c);
        rebuilt.insert(rebuilt.end(), target.begin(), target.end());
        prev = std::min(c + s, len);
    }
    rebuilt.insert(rebuilt.end(), text + prev, text + len);
    auto newlen = static_cast<int>(rebuilt.size());
    if (newlen <= len) {
        if (newlen > 0)
            std::memcpy(textbase + line->index, rebuilt.data(), static_cast<size_t>(newlen));
        if (len > newlen)
            std::memset(textbase + line->index + newlen, FREECH, static_cast<size_t>(len - newlen));
        freecount += len - newlen;
        f.charcount -= len - newlen;
        line->length = newlen;
        return line;
    }
    LINE *keep = f.lnptr;
    f.lnptr = line;
    for (int i = len; i < newlen; i++)
        if (!cadd(' '))
            break;                    // room was made sure of: this does not happen
    line = f.lnptr;
    f.lnptr = keep == line || keep->object == -1 ? line : keep;
    int n = std::min(newlen, line->length);
    std::memcpy(textbase + line->index, rebuilt.data(), static_cast<size_t>(n));
    return line;
}

// Replaces the gathered matches of a line, as many as fit; how many.
// *after gets the column after the last replacement, *cut whether the
// arena had no room for them all.
int flush(LINE *&line, int s, int *after, bool *cut)
{
    *cut = false;
    int k = static_cast<int>(cols.size());
    if (k == 0 || line->object == 2)
        return 0;
    int len = textlength(line);
    int64_t need = growth(len, s, k);
    if (need > room(line, len) && freecount != freedat) {
        garbage();
        freedat = freecount;
        // The collector takes trailing blanks off: matches in them are gone.
        len = textlength(line);
        while (!cols.empty() && cols.back() > len + 1)
            cols.pop_back();
        k = static_cast<int>(cols.size());
        need = growth(len, s, k);
    }
    *cut = need > room(line, len) || (need > 0 && reserve == nullptr);
    if (*cut) {
        int64_t r = reserve == nullptr ? 0 : room(line, len);
        int fit = 0;
        for (int64_t g = 0; fit < k; fit++) {
            int c = cols[static_cast<size_t>(fit)] - 1;
            g += static_cast<int64_t>(target.size()) - (std::min(c + s, len) - c);
            if (g > r)
                break;
        }
        k = fit;
    }
    if (k > 0) {
        *after = cols[static_cast<size_t>(k - 1)] + static_cast<int>(growth(len, s, k - 1)) +
                 static_cast<int>(target.size());
        line = rewrite(line, s, k);
    }
    return k;
}

} // namespace

void change()
{
    COREFILE &f = curcore();
    abortreq = 0;
    const auto *pattern = reinterpret_cast<const unsigned char *>(scanpattern);
    int s = static_cast<int>(std::strlen(scanpattern));
    target.clear();
    for (const char *t = targetstring; *t; t++)
        if (static_cast<unsigned char>(*t) != FREECH)
            target.push_back(static_cast<unsigned char>(*t));
    cols.clear();
    setptr();
    SPOS p{lp, cp};
    LINE *line = nullptr;             // the line the gathered matches are on
    LINE *lastline = nullptr;         // where the last replacement was made
    int lastcol = 0;
    long made = 0;
    bool stopped = false;
    auto replace = [&] {
        int after = 0;
        bool cut = false;
        int done = flush(line, s, &after, &cut);
        if (done > 0) {
            made += done;
            lastline = line;
            lastcol = after;
        }
        stopped = cut;
        cols.clear();
    };
    while (!stopped && fastsearch(pattern, p)) {
        if (p.l != line) {
            if (line != nullptr)
                replace();
            line = p.l;
            if (stopped)
                break;
        }
        cols.push_back(p.c);
        int len = textlength(p.l);
        if (p.c > len) {              // a match at the line's end: on to the next line
            p.l = p.l->down;
            p.c = 1;
        } else {
            p.c = std::min(p.c + s, len + 1);
        }
    }
    if (!stopped && line != nullptr)
        replace();
    if (lastline != nullptr) {
        f.lnptr = lastline;
        f.curcol = lastcol;
        f.edited = true;
        int row = distance(f.disln, f.lnptr);
        if (row < 0 || row >= depth)
            f.disln = f.lnptr;
    }
    redisplay = RWINDOW;
    char msg[64];
    std::snprintf(msg, sizeof msg, "%ld changes made", made);
    progress(msg);
    if (stopped)
        diserr("Warning: operation may not have been completed");
}
