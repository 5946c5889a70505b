// A scratch file holding a generated description, for the benchmarks.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

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
