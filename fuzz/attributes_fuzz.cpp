// The attribute file reader on any file.
#include <cstdint>
#include "fuzz/common.h"
#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzsandbox();
    fuzzreset();
    fuzzfile("input", data, size);
    readattr("input");
    closeall();
    clearattributes();
    checkstore();
    return 0;
}
