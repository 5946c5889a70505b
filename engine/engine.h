// The genra generation engine as the editor sees it: its commands and keys.
#pragma once
#include "editor/editor.h"

// ------------------------------------------------------------ bridge
void generate(); void resumelx(); void vcompare(); void vcompsingle();
void vnewcompare(); void venummorph(); void vglobpre(); void vmakepre();
void disp_sent(); void vreadattr(); void vreadsyn(); void vreadmorph(); void vreadlex();
void vreadtables(); void vreadterm(); void vreaduser(); void vreadipa();
void vreadmerror(); void vreadsem(); void vreadtag(); void vreadtrans();
void rm_vfiles(); void lextrans(); void addlex(); void setmorphpasses(); void vdisplay();
void vfreq(); void vroot(); void rnset(); void rnprint(); void testinput();
void verrorinput(); void vstoretree(); void vrestoretree(); void vtalk();
void seterrorscores(); void perrorscore(); void initgenra();
