// Scratch files holding generated descriptions, and their unloading, for
// the benchmarks.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include "engine/engine.h"

inline std::string scratch(const std::string &text)
{
    char path[] = "/tmp/kelbenchXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return "";
    std::FILE *f = fdopen(fd, "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return path;
}

// Everything a benchmark loaded is unloaded: generations, syntax, lexicon,
// terminals and morphology.
inline void unload_descriptions()
{
    clear_GP();
    purge_syntax();
    clearlexicon();
    clear_terminals();
    clear_mrules();
}
