// Placeholder until this file is built.
#include "screen/screen.h"

int hardscrl;
int windresize;
void stermpars() {}
int getwindsize() { return {}; }
void physterm() {}
void setintran() {}
void set_suspend() {}
void scrclear() {}
void restorecursor() {}
void call_set_background() {}
void initerm() {}
void reseterm() {}
void call_enter_ca_mode() {}
void call_exit_ca_mode() {}
void call_init_2string() {}
void call_clr_eol() {}
void call_clear_screen() {}
void call_cursor_address(int, int) {}
void call_reset_prog_mode() {}
void call_initscr() {}
void call_intrflush() {}
int get_columns() { return {}; }
int get_lines() { return {}; }
void termrefresh() {}
void termbeep() {}
void setsig() {}
int sigfd = -1;
bool sigpoll() { return false; }
