// Edit-table operations of text entry and cursor movement not built yet,
// and the picture and formula-layout operations, which do nothing in this
// system.
#include "editor/editor.h"

void bldrec() {}
void bldmath() {}
void copytxt() {}
void rectxt() {}
void recrec() {}
void recword() {}
void recfield() {}
void recmath() {}
void instabrow() {}
void instabcol() {}
void rubrec() {}
void rubmath() {}
void rubfield() {}
void copyfield() {}
void downfield() {}
void upfield() {}
void leftm() {}
void rightm() {}
void upm() {}
void downm() {}
void uprow() {}
void downrow() {}
void greencur() {}

// Pictures: named empty operations.
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
