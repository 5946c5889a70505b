// The token reader on any file: every token is read to the end of input.
#include <cstdint>
#include "fuzz/common.h"
#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    fuzzfile("input", data, size);
    file_operation = "test input";
    openfile("input", 1);
    for (long n = 0; v_peep() != TEOF; n++) {
        tok2str(v_peep());
        v_next();
        if (n > 10000000)
            __builtin_trap();         // the reader must end
    }
    closeall();
    checkstore();
    return 0;
}
