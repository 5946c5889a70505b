// Shared by the fuzz targets: a fresh editor, a sandbox for whatever the
// input makes the editor write or run, and the text store's invariants.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Resets the editor to its start-up state with its output discarded.
void fuzzreset();

// Confines the process to the working directory (chroot) so that file names
// in the input cannot reach the rest of the system and no program can be
// run. Ends the process with a message when that is not possible.
void fuzzsandbox();

// A file `name` in the working directory holding the input.
void fuzzfile(const char *name, const uint8_t *data, size_t size);

// A file `name` in the working directory holding a text.
void fuzztext(const char *name, const char *text);

// Checks the text store; aborts with a description when it is unsound.
// Returns the number of records it walked.
size_t checkstore(bool bytes = true);   // bytes: also look at every stored byte
