#include "fuzz/common.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <unordered_set>
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"

static void broken(const char *what)
{
    std::fprintf(stderr, "text store unsound: %s\n", what);
    std::abort();
}

void fuzzreset()
{
    static bool once = false;
    if (!once) {
        once = true;
        std::freopen("/dev/null", "w", stdout);
    }
    initstate();
    pauselength = 0;                  // the pause key would only slow the run
}

void fuzzsandbox()
{
    static bool done = false;
    if (done)
        return;
    if (chroot(".") != 0 || chdir("/") != 0) {
        std::perror("fuzz: chroot to the working directory (needs root)");
        std::exit(2);
    }
    done = true;
}

void fuzzfile(const char *name, const uint8_t *data, size_t size)
{
    std::FILE *f = std::fopen(name, "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// The physical chain runs from firstphys to lastphys in ascending arena
// order without overlaps; every line of every corefile is live, linked both
// ways, counted, within avail, free of byte 255, and on the chain when it
// holds text.
size_t checkstore(bool bytes)
{
    size_t walked = 0;
    if (avail < 0 || avail > TEXTSIZE)
        broken("avail outside the arena");
    std::unordered_set<const LINE *> chain;
    int64_t end = 0;
    const LINE *last = &firstphys;
    for (const LINE *l = firstphys.nextphys; l != nullptr; l = l->nextphys) {
        if (!chain.insert(l).second)
            broken("a record twice on the physical chain");
        if (l->object != 2 && l->object != -1 && l->length > 0) {
            if (l->index < end)
                broken("physical chain out of order or overlapping");
            end = l->index + l->length;
        }
        last = l;
        walked++;
    }
    if (last != lastphys)
        broken("lastphys is not the chain's end");
    if (end > avail)
        broken("text above avail");
    for (int n = 0; n < NCORE; n++) {
        const COREFILE &f = core[n];
        if (f.header == nullptr)
            continue;
        int32_t count = 0;
        int64_t chars = 0;
        for (const LINE *l = f.header->down; l != f.header; l = l->down) {
            if (l->down->up != l || l->up->down != l)
                broken("line list not linked both ways");
            if (l->object < 0)
                broken("a dead record on a line list");
            if (l->object != 2 && l->object != 5 && l->length > 0) {
                if (l->index < 0 || l->index + l->length > avail)
                    broken("line text outside 0..avail");
                if (chain.count(l) == 0)
                    broken("a line with text not on the physical chain");
                for (int i = 0; bytes && i < l->length; i++)
                    if (textbase[l->index + i] == FREECH)
                        broken("byte 255 in a line");
            }
            chars += l->object == 2 || l->object == 5 ? 0 : l->length;
            if (++count > 10000000)
                broken("line list does not close");
            walked++;
        }
        if (count != f.lncount)
            broken("lncount differs from the lines");
        (void)chars;
    }
    return walked;
}

void fuzztext(const char *name, const char *text)
{
    fuzzfile(name, reinterpret_cast<const uint8_t *>(text), std::strlen(text));
}
