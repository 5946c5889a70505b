// The shell escape with the terminal handed over, and the working directory:
// CDIRECTORY changes or shows it, DIRECTORY lists it through the shell.
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>
#include "children/children.h"
#include "commands/commands.h"

static const char direrror[] = "Directory not found (or no permission)";

static void tell(const char *text)
{
    std::fputs(text, stdout);
}

// SHELL, UNIX SHELL: sysstring through /bin/sh with the terminal in the
// shell's modes. An empty command line is an interactive shell unless a
// driver is running, which could not answer one.
void calsys()
{
    bool driving = progstate == 1;
    reseterm();
    call_clear_screen();
    char command[STRPARSIZE];
    std::memcpy(command, sysstring, sizeof command);
    command[STRPARSIZE - 1] = '\0';
    tell(command);
    tell("\r\n");
    bool interactive = command[0] == '\0' && !driving;
    flushout();
    pid_t pid = fork();
    if (pid == 0) {
        if (interactive)
            execl("/bin/sh", "sh", "-i", static_cast<char *>(nullptr));
        else
            execl("/bin/sh", "sh", COMMANDFLAG, command, static_cast<char *>(nullptr));
        static const char failed[] = "System error: execl failed\r";
        ssize_t n = write(STDOUT_FILENO, failed, sizeof failed - 1);
        (void)n;
        _exit(1);
    }
    if (pid < 0) {
        tell("System error: vfork failed.\r");
        del = 2;
    } else {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
    }
    initerm();
    if (!driving) {
        int keep = del;
        tell("\r\n\nType [return] to continue\r");
        gcr();
        del = keep;
    }
    int saved = visible;
    visible = 1;
    gendis();
    flushout();
    visible = saved;
}

// CDIRECTORY: empty shows the working directory, otherwise changes to it.
void changedir()
{
    char dir[STRPARSIZE];
    std::memcpy(dir, sysstring, sizeof dir);
    dir[STRPARSIZE - 1] = '\0';
    if (dir[0] != '\0') {
        if (chdir(dir) != 0) {
            diserr(direrror);
            del = 2;
        }
        return;
    }
    char cwd[PATH_MAX + 1];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        diserr(direrror);
        del = 2;
        return;
    }
    cwd[CWDSIZE] = '\0';               // the help line shows the start of a long one
    progress(cwd);
}

// DIRECTORY B (or nothing), F or T: the listing runs as a shell escape.
// Another letter asks again.
void directory()
{
    static const char again[] = "DI";
    const char *listing = nullptr;
    switch (param[1]) {
    case 0:
    case 'B' - 'A' + 1:
        listing = SHORTDIR;
        break;
    case 'F' - 'A' + 1:
        listing = LONGDIR;
        break;
    case 'T' - 'A' + 1:
        listing = TOPDIR;
        break;
    default:
        diserr("Invalid Argument");
        pushfn(again);
        del = 2;
        return;
    }
    std::strcpy(sysstring, listing);
    calsys();
}
