// The terminal layer: the editor's character mode and the way back, the size
// of the window, and the signals. Handlers only note a signal and wake the key
// reader through a pipe; sigpoll() then acts on it at a safe point.
//
// Curses writes only on the terminal it drives: standard output when that is a
// terminal, otherwise the controlling terminal opened afresh, otherwise nothing
// (no terminal, unknown terminal type, or not in the terminal's foreground).
// Standard output, when it is not the terminal, thus carries only the lines the
// editor forwards.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include "screen/screen.h"
#include "commands/commands.h"
#include "children/children.h"
#include "operations/operations.h"
// Last, because the terminfo capability names are macros.
#include <curses.h>
#include <term.h>

int sigfd = -1;
int hardscrl;
int windresize;
volatile sig_atomic_t fparmed;
volatile sig_atomic_t fpfault;

static bool tried;                    // the terminal set-up was attempted
static bool active;                   // curses drives a terminal
static SCREEN *scr;                   // that terminal's curses screen
static FILE *termfp;                  // its stream: stdout or the opened terminal
static int termfd = -1;               // descriptor of termfp
static termios oldintrps;             // modes found before curses started
static termios newintrps;             // the editor's modes
static int nlines = 24, ncols = 80;   // window size last measured

static int sigwfd = -1;               // write end of the wake-up pipe
static volatile sig_atomic_t gotint, gottstp, gotcont, gotwinch, gotpipe, gotchld;

static const char cmdkey[] = "\x03";  // what an interrupt types

// Control characters of the editor's modes: the interrupt and suspend keys
// move to C-_ and C-A; the others are freed to reach the editor as keys.
struct ctlchar {
    int index;
    cc_t value;
};
static constexpr ctlchar ctltable[] = {
    {VINTR, 0x1F},
    {VSUSP, 0x01},
    {VQUIT, 0},
    {VSTART, 0},
    {VSTOP, 0},
    {VEOL, 0},
    {VREPRINT, 0},
    {VDISCARD, 0},
    {VWERASE, 0},
    {VLNEXT, 0},
};

#if defined(__SANITIZE_ADDRESS__)
#define LEAKCHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LEAKCHECK 1
#endif
#endif
#if defined(LEAKCHECK)
// When newterm() fails, curses keeps its pre-screen state where the leak
// checker cannot see it; that block is curses' own, allocated once.
extern "C" const char *__lsan_default_suppressions() { return "leak:new_prescr\n"; }
extern "C" const char *__lsan_default_options() { return "print_suppressions=0"; }
#endif

// ------------------------------------------------------------ set-up and reset

static void restoreatexit() { reseterm(); }

// Starts curses on the terminal it may use; leaves `active` false when there
// is none. newterm() reports failure instead of ending the program.
void call_initscr()
{
    if (tried)
        return;
    tried = true;
    FILE *out = nullptr, *in = stdin;
    if (isatty(STDOUT_FILENO)) {
        out = stdout;
    } else {
        int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return;
        // A job in the background must not take the terminal over.
        if (tcgetpgrp(fd) != getpgrp() || (out = fdopen(fd, "r+")) == nullptr) {
            close(fd);
            return;
        }
        in = out;
    }
    int fd = fileno(out);
    bool view = out == stdout && !plainstream;
    if (view)
        viewprepare();
    if (tcgetattr(fd, &oldintrps) != 0 || (scr = newterm(nullptr, out, in)) == nullptr) {
        if (view)
            viewcancel();
        if (out != stdout)
            fclose(out);
        return;
    }
    set_term(scr);
    typeahead(-1);                    // keys are read elsewhere; never postpone output
    termfp = out;
    termfd = fd;
    active = true;
    nlines = LINES;
    ncols = COLS;
    if (view)
        viewstart();
    std::atexit(restoreatexit);
}

// First call: start curses. Later calls: take the window's present size.
void stermpars()
{
    if (!tried) {
        call_initscr();
        return;
    }
    if (!active)
        return;
    winsize ws{};
    if (ioctl(termfd, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
        if (is_term_resized(ws.ws_row, ws.ws_col))
            resizeterm(ws.ws_row, ws.ws_col);
        nlines = ws.ws_row;
        ncols = ws.ws_col;
    }
}

static int bound(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

int setgeometry(int rows, int cols)
{
    cols = bound(cols, MINCOLS, MAXCOLS);
    rows = bound(rows, MINLINES, MAXLINES);
    int olddepth = depth, oldswidth = swidth;
    swidth = cols - 2;
    rightcol = swidth;
    shiftc = cols - overlap - 2;
    if (shiftc < 1)
        shiftc = 1;
    pshift = 0;
    cmdline = rows - 1;
    helpline = rows - 2;
    windowend = rows - 3;
    depth = rows - 4;
    return depth != olddepth || swidth != oldswidth;
}

int getwindsize() { return setgeometry(get_lines(), get_columns()); }

void physterm() {}
void setintran() {}
void set_suspend() {}
void scrclear() {}
void restorecursor() {}
void call_set_background() {}

void call_intrflush()
{
    if (!active)
        return;
    intrflush(stdscr, FALSE);
    keypad(stdscr, FALSE);
}

// The saved start modes are never re-read here: after a resume or a resize
// the terminal may already hold the editor's modes.
void initerm()
{
    if (!active)
        return;
    if (isendwin() && !viewactive())
        refresh();                    // back from reseterm: curses resumes the screen
    cbreak();
    noecho();
    nonl();
    call_intrflush();
    if (tcgetattr(termfd, &newintrps) == 0) {
        for (const ctlchar &c : ctltable)
            newintrps.c_cc[c.index] = c.value;
        tcsetattr(termfd, TCSANOW, &newintrps);
        def_prog_mode();              // so curses restores these, not its own copy
    }
}

// Curses' own exit first (shell modes, cursor, alternate screen), then the
// exact modes found at start. Safe to repeat.
void reseterm()
{
    if (!active)
        return;
    if (termfp == stdout)
        std::fflush(stdout);
    if (!isendwin())
        endwin();
    tcsetattr(termfd, TCSANOW, &oldintrps);
}

// ------------------------------------------------------- capability wrappers

static int termputc(int c) { return putc(c, termfp); }

static void sendcap(const char *cap)
{
    if (!active || cap == nullptr || cap == reinterpret_cast<const char *>(-1))
        return;
    tputs(cap, 1, termputc);
    std::fflush(termfp);
}

void call_enter_ca_mode() { if (active) sendcap(enter_ca_mode); }
void call_exit_ca_mode() { if (active) sendcap(exit_ca_mode); }
void call_init_2string() { if (active) sendcap(init_2string); }
void call_clr_eol() { if (active) sendcap(clr_eol); }
void call_clear_screen() { if (active) sendcap(clear_screen); }

void call_cursor_address(int row, int column)
{
    if (active && cursor_address != nullptr)
        sendcap(tgoto(cursor_address, column, row));
}

void call_reset_prog_mode()
{
    if (active)
        reset_prog_mode();
}

int get_columns() { return ncols; }
int get_lines() { return nlines; }

void setwindsize(int rows, int cols)
{
    nlines = rows;
    ncols = cols;
}

bool termactive() { return active; }

// Once per key read: refresh() costs little when nothing changed. Nothing is
// done while the terminal is handed back to the shell.
void termrefresh()
{
    if (!active)
        return;
    if (viewactive())
        viewrefresh();
    else if (!isendwin())
        refresh();
}

void termbeep()
{
    if (active)
        beep();
}

// ------------------------------------------------------------------- signals

static void note(volatile sig_atomic_t &flag)
{
    int saved = errno;
    flag = 1;
    if (sigwfd >= 0) {
        char b = 0;
        ssize_t n = write(sigwfd, &b, 1);   // a full pipe already wakes the reader
        (void)n;
    }
    errno = saved;
}

void IntHandler(int) { abortreq = 1; note(gotint); }
void SuspHandler(int) { note(gottstp); }
void ResHandler(int)
{
    gottstp = 0;                      // a stop not yet acted on is called off
    note(gotcont);
}
void PipeHandler(int) { note(gotpipe); }
void WindowHandler(int) { note(gotwinch); }
void ChldHandler(int) { note(gotchld); }
// An ending signal is acted on where the editor waits for a key, which long
// work reaches soon by giving up (stopping()). When a second one comes after
// ENDGRACE and the first has still not been acted on, the editor is stuck:
// the recovery files are written from the handler and the process ends.
inline constexpr long ENDGRACE = 1000;  // milliseconds the editor has to act on an ending signal
static volatile sig_atomic_t ending;  // the editor is acting on the signal
static timespec endsince;             // when the first ending signal came

static void lastresort(int sig)
{
    if (active)
        tcsetattr(termfd, TCSANOW, &oldintrps);
    if (child_pid > 0)
        kill(-child_pid, SIGCONT);    // a stopped driver sees its pipes close
    recoverfast();
    _exit(128 + sig);
}

void EndHandler(int sig)
{
    int saved = errno;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (endreq == 0) {
        endsince = now;
        endreq = sig;
    } else if (ending == 0 && (now.tv_sec - endsince.tv_sec) * 1000 +
                                  (now.tv_nsec - endsince.tv_nsec) / 1000000 >= ENDGRACE) {
        lastresort(sig);
    }
    errno = saved;
    note(abortreq);
}

// A hangup, quit or termination: the terminal gets its modes back, unsaved
// corefiles go to recovery files, and the editor ends.
static void endbysignal(int sig)
{
    ending = 1;
    reseterm();
    std::fflush(stdout);
    endchildren();
    recoverfiles();
    std::fprintf(stderr, "kel: ended by signal %d\n", sig);
    std::exit(128 + sig);
}

void checkend()
{
    if (endreq != 0)
        endbysignal(endreq);
}

void termgone()
{
    if (endreq == 0)
        endreq = SIGHUP;
    checkend();
}

bool takeinterrupt()
{
    if (!gotint)
        return false;
    gotint = 0;
    abortreq = 0;
    return true;
}

// An arithmetic fault during an evaluation is noted for the evaluator, which
// checks its results itself and ends the expression. Outside an evaluation,
// or when the fault comes again at once (a faulting instruction that would
// run again on return), it is a real fault: the start modes are put back
// (tcsetattr is safe in a handler) and the default action ends the program.
void FpHandler(int)
{
    if (fparmed && !fpfault) {
        fpfault = 1;
        return;
    }
    if (active)
        tcsetattr(termfd, TCSANOW, &oldintrps);
    struct sigaction dfl{};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(SIGFPE, &dfl, nullptr);
    raise(SIGFPE);                    // delivered when this handler returns
}

struct sigrow {
    int sig;
    void (*handler)(int);
};
static constexpr sigrow sigtable[] = {
    {SIGINT, IntHandler},
    {SIGTSTP, SuspHandler},
    {SIGCONT, ResHandler},
    {SIGFPE, FpHandler},
    {SIGPIPE, PipeHandler},
    {SIGWINCH, WindowHandler},
    {SIGCHLD, ChldHandler},
    {SIGHUP, EndHandler},
    {SIGQUIT, EndHandler},
    {SIGTERM, EndHandler},
};

// No SA_RESTART: a signal ends the key reader's wait at once.
void setsig()
{
    if (sigfd < 0) {
        int fds[2];
        if (pipe(fds) == 0) {
            for (int fd : fds) {
                fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
                fcntl(fd, F_SETFD, FD_CLOEXEC);
            }
            sigfd = fds[0];
            sigwfd = fds[1];
        }
    }
    for (const sigrow &r : sigtable) {
        struct sigaction sa{};
        sa.sa_handler = r.handler;
        sigemptyset(&sa.sa_mask);
        if (r.sig == SIGTSTP)
            sigaddset(&sa.sa_mask, SIGCONT);  // the order of the two is what counts
        sa.sa_flags = r.sig == SIGCHLD ? SA_RESTART | SA_NOCLDSTOP : 0;  // children end at any time
        sigaction(r.sig, &sa, nullptr);
    }
}

// Redraw of everything with `visible` forced on.
static void redrawall()
{
    int saved = visible;
    visible = 1;
    gendis();
    restorecursor();
    std::fflush(stdout);
    visible = saved;
}

static void resume()
{
    call_enter_ca_mode();
    call_reset_prog_mode();
    physterm();
    initerm();
    redrawall();
}

static void suspend()
{
    if (child_pid != 0) {
        voluntary = 0;
        suspendprog();
        return;
    }
    reseterm();
    std::fflush(stdout);
    raise(SIGSTOP);
    gotcont = 0;                      // continued: resume here, once
    resume();
}

// The new size is read from the terminal directly; the modes stay set
// throughout, so keys typed meanwhile are not echoed.
static void resize()
{
    stermpars();
    physterm();
    initerm();
    if (getwindsize()) {
        COREFILE &c = curcore();
        if (c.disln != nullptr && c.lnptr != nullptr && distance(c.disln, c.lnptr) >= depth)
            c.disln = c.lnptr;
        windresize = 1;
        redrawall();
        termrefresh();
        termbeep();
    }
    txtcur();
    gendis();
    putstats();
    discur();
}

bool sigpoll()
{
    checkend();
    bool any = false;
    if (gotint) {
        gotint = 0;
        abortreq = 0;                 // whatever it stopped has given up by now
        pushfn(cmdkey);
        any = true;
    }
    if (gotpipe) {
        gotpipe = 0;
        killprog();
        any = true;
    }
    if (gotchld) {
        gotchld = 0;
        reapdriver();
    }
    if (gottstp) {
        gottstp = 0;
        suspend();
        any = true;
    }
    if (gotcont) {
        gotcont = 0;
        resume();
        any = true;
    }
    if (gotwinch) {
        gotwinch = 0;
        resize();
        any = true;
    }
    return any;
}
