// The diagnostic dump of the text store, written to "test.file": the ends of
// the physical chain, every corefile's counts and line records, the start
// of the character arena and the physical chain itself.
//
// Line records are written as numbers that do not depend on where the
// records happen to lie in memory, so two dumps of the same store are
// equal: 0 is no record, 1 the chain's anchor, then the records of the
// physical chain in chain order, then any other record in the order met.
#include <cstdio>
#include <unordered_map>
#include "operations/operations.h"
#include "operations/stars.h"
#include "screen/screen.h"

namespace {

constexpr int DUMPCORES = NCORE - 1;      // corefiles 0..18
constexpr int DUMPLINES = 50;             // line records listed per corefile
constexpr int DUMPCHARS = 2001;           // arena characters listed
constexpr int PERROW = 10;

class recordnumbers {
public:
    recordnumbers()
    {
        ids[nullptr] = 0;
        ids[&firstphys] = 1;
        for (const LINE *l = firstphys.nextphys; l != nullptr; l = l->nextphys)
            (*this)(l);
    }
    long operator()(const LINE *l)
    {
        auto [it, added] = ids.try_emplace(l, next);
        if (added)
            next++;
        return it->second;
    }

private:
    std::unordered_map<const LINE *, long> ids;
    long next = 2;
};

void dumpcore(std::FILE *f, int n, recordnumbers &id)
{
    const COREFILE &c = core[n];
    std::fprintf(f, "\nCOREFILE #%d", n);
    std::fprintf(f, "\n     HEADER    LNPTR     CURLINE   CURCOL    LNCOUNT   CHARCNT   DISLN");
    // Numbers are handed out as the records are met, left to right: each is
    // taken before the call, where the order of evaluation is fixed.
    long header = id(c.header), lnptr = id(c.lnptr), disln = id(c.disln);
    std::fprintf(f, "\n%10ld%10ld%10d%10d%10d%10ld%10ld\n", header, lnptr, c.curline, c.curcol,
                 c.lncount, static_cast<long>(c.charcount), disln);
    std::fprintf(f, "\n    address      up        down      nextphys     object     count     lnindex");
    int count = 0;
    if (c.header != nullptr) {
        for (const LINE *l = c.header->down; l != nullptr && l != c.header; l = l->down, count++) {
            if (count >= DUMPLINES)
                continue;
            long self = id(l), up = id(l->up), down = id(l->down), next = id(l->nextphys);
            std::fprintf(f, "\n%10ld:%10ld,%10ld,%10ld,%10d,%10d,%10ld", self, up, down, next,
                         l->object, l->length,
                         static_cast<long>(l->index));
        }
    }
    std::fprintf(f, "\nend of lineheaders,for core #%d", n);
    std::fprintf(f, "\nnumber of lineheaders = %d\n", count);
}

void dumparena(std::FILE *f)
{
    std::fprintf(f, "\n\ncontents of character array\n");
    std::fprintf(f, "\nindex                       contents\n");
    for (int i = 0; i < DUMPCHARS; i += PERROW) {
        std::fprintf(f, "\n%8d", i);
        for (int j = i; j < i + PERROW && j < DUMPCHARS; j++) {
            unsigned char ch = textbase[j];
            if (ch == FREECH)
                std::fprintf(f, "  ZAP!");
            else if (ch >= ' ' && ch < 127)
                std::fprintf(f, "%6c", ch);
            else
                std::fprintf(f, "   %3o", ch);
        }
    }
}

} // namespace

void show()
{
    std::FILE *f = std::fopen("test.file", "w");
    if (f == nullptr) {
        std::printf("error in opening file tf!!!");
        return;
    }
    recordnumbers id;
    if (curcore().starcount != 0)
        locatestars();
    std::fprintf(f, "\nlastphys.............%ld", id(lastphys));
    std::fprintf(f, "\n&firstphys...........%ld", id(&firstphys));
    std::fprintf(f, "\nfirstphys.nextphys...%ld", id(firstphys.nextphys));
    std::fprintf(f, "\nfirst................%ld", id(first));
    std::fprintf(f, "\nlast.................%ld", id(last));
    std::fprintf(f, "\navail................%ld\n", static_cast<long>(avail));
    for (int n = 0; n < DUMPCORES; n++)
        dumpcore(f, n, id);
    dumparena(f);
    std::fprintf(f, "\n\nPhysical List:\n\n");
    std::fprintf(f, "&FirstPhys = %ld\n", id(&firstphys));
    for (const LINE *l = firstphys.nextphys; l != nullptr; l = l->nextphys)
        std::fprintf(f, "%ld\n", id(l));
    std::fprintf(f, "LastPhys = %ld\n\n", id(lastphys));
    bool failed = std::ferror(f) != 0;
    if (std::fclose(f) != 0 || failed) {
        std::printf("error in writing file tf!!!");
        return;
    }
    std::printf("\ntest done");
}
