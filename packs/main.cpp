// kelpack LANG VERBISTE-DIR SOURCE-DIR OUTPUT-DIR: writes a language pack.
#include <cstdio>
#include "packs/packs.h"

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: kelpack LANG VERBISTE-DIR SOURCE-DIR OUTPUT-DIR\n");
        return 2;
    }
    vdata data;
    pack_counts counts;
    std::string error;
    if (!read_verbiste(argv[2], argv[1], data, error) ||
        !write_pack(data, argv[1], argv[3], argv[4], counts, error)) {
        std::fprintf(stderr, "kelpack: %s\n", error.c_str());
        return 1;
    }
    std::printf("kelpack %s: %d verbs (%d in some tenses or persons only, %d listed under "
                "several templates), %d left out, %d forms\n",
                argv[1], counts.verbs, counts.partial, counts.merged, counts.left_out, counts.forms);
    return 0;
}
