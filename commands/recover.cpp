// Recovery files: when the editor is told to end by a signal, every corefile
// with unsaved changes is written beside its file as "<name>.save", or as
// "kel<n>.save" in the working directory when it has no name. An existing
// file is never written over: a number is added to the name instead.
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include "commands/commands.h"

inline constexpr int NRECOVERYNAMES = 100;   // "<name>.save", then "<name>.save1" ...

// Creates a new recovery file for corefile n; -1 when every name is taken.
static int createrecovery(int n, std::string &name)
{
    const COREFILE &f = core[n];
    std::string base = f.filname[0] != 0 ? std::string(f.filname) + ".save"
                                         : "kel" + std::to_string(n) + ".save";
    for (int i = 0; i < NRECOVERYNAMES; i++) {
        name = i == 0 ? base : base + std::to_string(i);
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

static bool writerecovery(int n, std::string &name)
{
    int fd = createrecovery(n, name);
    if (fd < 0)
        return false;
    std::FILE *out = fdopen(fd, "wb");
    if (out == nullptr) {
        close(fd);
        unlink(name.c_str());
        return false;
    }
    int keep = corenum;
    corenum = n;
    param[2] = param[3] = 0;          // every line
    bool ok = pfile(out) == 0;
    corenum = keep;
    ok = std::fflush(out) == 0 && fsync(fileno(out)) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    if (!ok)
        unlink(name.c_str());
    return ok;
}

int recoverfiles()
{
    int failed = 0;
    for (int n = 0; n < NCORE; n++) {
        if (core[n].header == nullptr || !core[n].edited)
            continue;
        std::string name;
        if (writerecovery(n, name)) {
            std::fprintf(stderr, "kel: corefile %d saved in %s\n", n, name.c_str());
        } else {
            std::fprintf(stderr, "kel: corefile %d could not be saved\n", n);
            failed++;
        }
    }
    return failed;
}
