// The picture operations, which do nothing in this system: pictures are
// empty handles, kept so that the edit table, the display and the file
// reader have something to call.
#include "editor/editor.h"

void rubgraph() {}
void addpic() {}
void droppoint() {}
void grops() {}
void nextitem() {}
void previtem() {}
void pickpoint() {}
void picleft() {}
void picright() {}
void picup() {}
void picdown() {}
void preview() {}
void remember() {}
void freepic(int64_t) {}
