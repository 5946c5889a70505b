// Start-up, the edit loop that dispatches every key through the edit table,
// and leaving the editor.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"
#include "operations/operations.h"
#include "engine/engine.h"
#include "children/children.h"

bool overflg = false;
int repflag = 1;
int mode = 1;
int fparnum = 0;
const char *fparam1, *fparam2, *fparam3, *fparam4;
char versionbuffer[VERSIONSIZE];

static const char start_up[] = "\x03";        // the command key
static char fcall[CALLSIZE] = "PR";           // PROCEDURE of the -p file
static char dcall[CALLSIZE] = "RU./";         // RUN of the -d file
static char parfetch[PARFETCHSIZE];           // FETCH or NAME of the file argument

static const char *const helptext[] = {
    "To start kel, use one of the following:",
    "\tkel [-s] [filename]              edit a file (named, empty, when it does not exist)",
    "\tkel [-s] -p <procedurefilename>  run a procedure file",
    "\tkel [-s] -d <driverfilename>     run a driver program, whose output is the keystrokes",
    "\tkel [-s] -- <filename>           a file whose name begins with \"-\"",
    "\tkel --check [--kind KIND] FILE...  check description files and say where they are wrong",
    "\tkel -h | --help                  this help",
    "\tkel --version                    the version and the build date",
    "",
    "Options:",
    "\t-s   write the forwarded lines on standard output even on a terminal",
    "",
    "Notes:",
    "(1) You MUST provide the exact path to <driverfilename> if",
    "it is not in the current directory.",
    "",
    "(2) Exit status: 0 done; 1 a procedure or driver file that cannot be",
    "opened, corefiles left unsaved after a failed save, or errors found by",
    "--check; 2 a wrong command line.",
    "",
    "(3) For more help, see",
    "man kel and man 5 kel-files",
};

static int startmessage(const char *text)
{
    std::printf("\n%s\n\n", text);
    return 0;
}

static int help()
{
    std::string_view sep = "";
    std::string text;
    for (const char *line : helptext) {
        text += sep;
        text += line;
        sep = "\n";
    }
    return startmessage(text.c_str());
}

static int version()
{
    std::printf("kel %s (build date: %s; time: %s)\n", kelversion, kelbuilddate, kelbuildtime);
    return 0;
}

// Appends name and a RETURN to a call buffer; false when it does not fit.
static bool buildcall(char *buf, size_t size, const char *name)
{
    size_t used = std::strlen(buf), n = std::strlen(name);
    if (used + n + 2 > size)
        return false;
    std::memcpy(buf + used, name, n);
    buf[used + n] = '\r';
    buf[used + n + 1] = 0;
    return true;
}

// The file argument: FETCH it when it can be read, otherwise NAME the
// empty corefile after it. Longer names than a corefile can hold are ignored.
static void getfpar()
{
    if (fparnum != 2)
        return;
    size_t n = std::strlen(fparam1);
    if (n > NAMESIZE - 1)
        return;
    std::memcpy(curfile, fparam1, n + 1);
    std::strcpy(parfetch, fprs() ? "FE" : "NA");
    buildcall(parfetch, sizeof parfetch, fparam1);
    pushfn(parfetch);
}

static bool unsavedfailures();

// A wrong command line: the message and the usage on standard error, status 2.
static int usage(const char *message)
{
    std::fprintf(stderr, "kel: %s\nusage: kel [-s] [filename | -p procedurefile | -d driverfile | -- filename]\n"
                 "       kel --check [--kind KIND] FILE...\n       kel -h | --help | --version\n",
                 message);
    return 2;
}

// A file named on the command line that cannot be used: status 1.
static int cannotopen(const char *what, const char *name)
{
    std::fprintf(stderr, "kel: cannot open the %s file %s: %s\n", what, name, std::strerror(errno));
    return 1;
}

int kelmain(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "-s") == 0) {  // the plain stream on a terminal
        plainstream = true;
        argv[1] = argv[0];
        argv++;
        argc--;
    }
    if (argc > 1 && std::strcmp(argv[1], "--check") == 0)
        return kelcheck(argc - 2, argv + 2);
    bool dashdash = argc > 1 && std::strcmp(argv[1], "--") == 0;
    if (dashdash) {                   // what follows is a file name, whatever it begins with
        argv[1] = argv[0];
        argv++;
        argc--;
    }
    fparnum = argc;
    fparam1 = argc > 1 ? argv[1] : nullptr;
    fparam2 = argc > 2 ? argv[2] : nullptr;
    fparam3 = argc > 3 ? argv[3] : nullptr;
    fparam4 = argc > 4 ? argv[4] : nullptr;

    // The long options a newcomer tries first; a file of either name is
    // opened as ./--help or with "--".
    if (!dashdash && argc == 2 && (std::strcmp(fparam1, "-h") == 0 || std::strcmp(fparam1, "--help") == 0))
        return help();
    if (!dashdash && argc == 2 && std::strcmp(fparam1, "--version") == 0)
        return version();
    bool driver = !dashdash && argc >= 2 && std::strcmp(fparam1, "-d") == 0;
    bool procedure = !dashdash && argc >= 2 && std::strcmp(fparam1, "-p") == 0;
    if (driver && argc == 2)
        return usage("You need to give the name of the driver file. Type kel -h for details.");
    if (procedure && argc == 2)
        return usage("You need to give the name of the procedure file. Type kel -h for details.");
    if (!dashdash && !driver && !procedure && argc >= 2 && fparam1[0] == '-' && fparam1[1] != 0) {
        std::string msg = std::string("unknown option ") + fparam1 + ". Type kel -h for details.";
        return usage(msg.c_str());
    }
    if (argc > 3 || (argc == 3 && !driver && !procedure))
        return usage("Too many arguments. Type kel -h for details.");
    if (driver && fparam2[0] == '/')
        dcall[2] = 0;                       // an absolute path is run as it stands
    if (driver && !buildcall(dcall, sizeof dcall, fparam2)) {
        char msg[120];
        std::snprintf(msg, sizeof msg,
                      "The name of the driver file is too long (at most %zu characters). "
                      "Type kel -h for details.", sizeof dcall - std::strlen(dcall) - 2);
        return usage(msg);
    }
    if (procedure && !buildcall(fcall, sizeof fcall, fparam2))
        return usage("The name of the procedure file is too long (at most 45 characters). Type kel -h for details.");
    if (procedure && access(fparam2, R_OK) != 0)
        return cannotopen("procedure", fparam2);
    if (driver) {                           // run as RUN runs it: ./name, or the absolute path
        std::string path = fparam2[0] == '/' ? fparam2 : std::string("./") + fparam2;
        if (access(path.c_str(), X_OK) != 0)
            return cannotopen("driver", fparam2);
    }

    static char outbuf[1 << 16];
    std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);

    initstate();
    stermpars();
    getwindsize();
    physterm();
    setintran();
    initerm();
    termrefresh();
    inptr = &stdinsource;
    setsig();
    initgenra();
    gendis();
    discur();

    if (driver)
        pushfn(dcall);
    else if (procedure)
        pushfn(fcall);
    else
        getfpar();
    pushfn(start_up);

    editor();
    endchildren();
    reseterm();
    scrclear();
    flushout();
    return unsavedfailures() ? 1 : 0;
}

#if defined(__SANITIZE_ADDRESS__)
#define ENDBYEXIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ENDBYEXIT 1
#endif
#endif

void endprocess(int status)
{
    std::fflush(nullptr);
#if defined(ENDBYEXIT)
    std::exit(status);
#else
    std::quick_exit(status);
#endif
}

// Corefiles still unsaved after a save of theirs failed, told on standard error.
static bool unsavedfailures()
{
    bool any = false;
    for (int i = 0; i < NCORE; i++)
        if (core[i].edited && (savefailures & (1u << i))) {
            std::fprintf(stderr, "kel: corefile %d not saved: its save failed\n", i);
            any = true;
        }
    return any;
}

void initstate()
{
    initsettings();
    initdisplay();
    initinput();
    initfiles();
    initcore();
    initentry();
    initcursor();
    initsort();
    initsearch();
    mode = 1;
    repflag = 1;
    overflg = false;
}

void editor()
{
    int prevtype = 0, repcount = 0;
    while (!overflg) {
        txtcur();
        fetchchar();
        rmtxtcur();
        if (type == prevtype)
            repcount++;
        else
            repcount = 0;
        prevtype = type;
        if (type < 0 || type >= NEDITROWS)
            continue;
        const edtable &row = edittable[type];
        COREFILE &c = curcore();
        int object = c.lnptr->object;
        curviewmask = object >= 0 && object < NOBJECTS ? viewmask[object] : 0;
        curopmask = row.cmpmask;
        if (repflag == 0 && repcount >= row.replimit)
            continue;
        if (full && (row.sideffects & EROOM))
            continue;
        if ((cureditmask & (curviewmask | curopmask)) == 0)
            continue;
        row.operatn[c.viewtype]();
        fixcursor();
        display();
        COREFILE &now = curcore();          // the operation may change corefile
        if (row.sideffects & EEDITED)
            now.edited = true;
        if (row.sideffects & ECURLINE)
            now.curline = distance(now.header, now.lnptr);
        if ((avail > hiaddr || reserve == nullptr) && !full)
            garbage();
        putstats();
        discur();
    }
}

void goodbye()
{
    char msg[80];
    overflg = true;
    for (int i = 0; i < NCORE; i++) {
        if (!core[i].edited)
            continue;
        std::snprintf(msg, sizeof msg, "WARNING: corefile %d not saved. <del> aborts", i);
        if (diserr(msg) == 2) {
            overflg = false;
            return;
        }
    }
    mode = 1;                               // ends command mode
}

// Standard input ended with no driver as the input: nobody can answer a
// question any more, so leave as GOODBYE would, warning on standard error.
void (*inputended)() = endofinput;

void endofinput()
{
    for (int i = 0; i < NCORE; i++)
        if (core[i].edited)
            std::fprintf(stderr, "WARNING: corefile %d not saved\n", i);
    endchildren();
    reseterm();
    scrclear();
    flushout();
    endprocess(unsavedfailures() ? 1 : 0);
}

void identify()
{
    std::snprintf(versionbuffer, sizeof versionbuffer, "%s date: %s; time: %s", "GWKEL",
                  kelbuilddate, kelbuildtime);
    diserr(versionbuffer);
}

void uclcsw() { transb = !transb; }

void noop() {}
