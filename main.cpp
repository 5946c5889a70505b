// kel: the editor's entry point; everything lives in the kelcore library.
#include "editor/editor.h"

int main(int argc, char **argv) { endprocess(kelmain(argc, argv)); }
