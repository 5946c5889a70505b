// kel-drill: the verb drill at a terminal, or as JSON lines for a program
// driving it. The exercise layer does the work; this reads the answers and
// prints what the layer gives back.
#include <getopt.h>
#include <unistd.h>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include "exercise/exercise.h"
#include "editor/editor.h"
#ifdef KEL_LIBEDIT
#include <editline/readline.h>
#endif

namespace {

const char usage[] =
    "usage: kel-drill [options]\n"
    "  --pack NAME|DIR   the language pack (default fr)\n"
    "  --tense T[,T...]  the tense or tenses drilled, by the pack's names or their\n"
    "                    start (default: the pack's first)\n"
    "  --count N         questions in the drill (default 10; 0: no limit)\n"
    "  --seed N          the same seed gives the same questions\n"
    "  --json            one JSON object a line on standard output\n"
    "  --info            the pack's name, letters, tenses, persons and groups as\n"
    "                    one JSON line, and no drill\n"
    "  --help            this text\n"
    "Type each answer and RETURN; :quit, end of input (C-D) or C-C ends the\n"
    "drill with its summary.\n";

bool json_mode = false;
bool editing = false;       // answers read with line editing
volatile std::sig_atomic_t stopping = 0;   // SIGTERM, SIGINT or SIGHUP came

void stop(int) { stopping = 1; }

// Those signals end the drill as the end of input does: the summary, and the
// engine's temporary files removed at exit. They interrupt the wait for a
// line (no SA_RESTART; libedit hands them on and returns).
void stop_on_signals()
{
    struct sigaction sa = {};
    sa.sa_handler = stop;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

// Writes one line and flushes it, so a program reading a pipe gets it now.
void out(const std::string &line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0)
        std::exit(1);                       // nobody reads any more
}

// A message about the drill as a whole, before it can start.
int fail(const std::string &message)
{
    std::fprintf(stderr, "kel-drill: %s\n", message.c_str());
    if (json_mode)
        out(drill_error_json(message));
    return 1;
}

// One line of standard input, of which at most MAXANSWERLINE bytes are kept
// (a longer one is refused by its length anyway). False at end of input.
bool read_plain(std::string &line)
{
    line.clear();
    int c;
    bool any = false;
    while (!stopping && (c = std::getc(stdin)) != EOF) {
        any = true;
        if (c == '\n')
            return true;
        if (line.size() < MAXANSWERLINE)
            line += static_cast<char>(c);
    }
    return any && !stopping;
}

bool read_answer(std::string &line)
{
#ifdef KEL_LIBEDIT
    if (editing) {
        char *typed = stopping ? nullptr : readline("> ");
        if (!typed || stopping) {
            std::free(typed);
            return false;
        }
        line = typed;
        if (line.find_first_not_of(' ') != std::string::npos && line.size() <= MAXANSWER)
            add_history(typed);
        std::free(typed);
        return true;
    }
#endif
    if (!json_mode && isatty(STDIN_FILENO)) {
        std::fputs("> ", stdout);
        std::fflush(stdout);
    }
    return read_plain(line);
}

void show_question()
{
    out(json_mode ? drill_question_json() : drill_question_text());
}

void show_summary()
{
    if (json_mode) {
        out(drill_summary_json());
        return;
    }
    out("");
    for (const std::string &l : drill_summary_lines())
        out(l);
}

bool number(const char *text, long max, long &value)
{
    char *end;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return *text && !*end && errno == 0 && value >= 0 && value <= max;
}

int drill(int argc, char **argv)
{
    // The character set alone, for line editing: the drill's texts are its
    // own, in UTF-8, and the other categories would cost a file each to load.
    std::setlocale(LC_CTYPE, "");
    std::string packname = "fr";
    drill_options opt;
    bool seeded = false, info = false;
    static const option longopts[] = {
        {"pack", required_argument, nullptr, 'p'}, {"tense", required_argument, nullptr, 't'},
        {"count", required_argument, nullptr, 'n'}, {"seed", required_argument, nullptr, 's'},
        {"json", no_argument, nullptr, 'j'},       {"help", no_argument, nullptr, 'h'},
        {"info", no_argument, nullptr, 'i'},
        {nullptr, 0, nullptr, 0},
    };
    for (int i = 1; i < argc; i++)                   // errors at start-up are JSON too
        if (std::string(argv[i]) == "--json" || std::string(argv[i]) == "--info")
            json_mode = true;
    int c;
    long v;
    while ((c = getopt_long(argc, argv, "", longopts, nullptr)) != -1) {
        switch (c) {
        case 'p':
            packname = optarg;
            break;
        case 't':
            for (std::string t = optarg; !t.empty();) {
                size_t comma = t.find(',');
                if (comma != 0)
                    opt.tenses.push_back(t.substr(0, comma));
                t = comma == std::string::npos ? "" : t.substr(comma + 1);
            }
            break;
        case 'n':
            if (!number(optarg, MAXCOUNT, v))
                return fail("--count takes a number from 0 to " + std::to_string(MAXCOUNT));
            opt.count = static_cast<int>(v);
            break;
        case 's':
            if (!number(optarg, 4294967295L, v))
                return fail("--seed takes a number from 0 to 4294967295");
            opt.seed = static_cast<unsigned>(v);
            seeded = true;
            break;
        case 'j':
            break;
        case 'i':
            info = json_mode = true;
            break;
        case 'h':
            std::fputs(usage, stdout);
            return 0;
        default:
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (optind < argc)
        return fail(std::string("unexpected argument \"") + argv[optind] + "\"; see --help");
    if (!seeded)
        opt.seed = std::random_device{}();

    std::string dir = packname.find('/') != std::string::npos ? packname : find_pack(packname);
    if (dir.empty())
        return fail("no language pack \"" + packname + "\" found (build it, or set KEL_PACKS)");
    pack_info pack;
    std::string error;
    if (info) {                             // the pack offered: nothing loaded
        if (!read_pack(dir, pack, error))
            return fail(error);
        out(drill_pack_json(pack));
        return 0;
    }
    if (!load_pack(dir, pack, error))
        return fail(error);
    if (!drill_start(pack, opt, error))
        return fail(error);

    std::signal(SIGPIPE, SIG_IGN);          // a reader gone shows as a failed write
#ifdef KEL_LIBEDIT
    editing = !json_mode && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
#endif
    stop_on_signals();
    if (!json_mode)
        out(pack.language + " drill: type each answer and RETURN; :quit, C-D or C-C ends it.");

    if (!drill_next(error)) {
        if (!error.empty())
            return fail(error);
        show_summary();
        return 0;
    }
    show_question();
    std::string line;
    while (read_answer(line)) {
        drill_reply r = drill_answer(line);
        if (r.kind == reply_kind::quit)
            break;
        if (json_mode)
            out(drill_reply_json(r));
        else
            for (const std::string &l : drill_reply_text(r))
                out(l);
        if (r.kind != reply_kind::answered)
            continue;
        if (!drill_next(error)) {
            if (!error.empty())
                return fail(error);
            break;
        }
        show_question();
    }
    if (stopping && editing)
        out("");                            // the interrupted line ends
    show_summary();
    return 0;
}

} // namespace

int main(int argc, char **argv) { endprocess(drill(argc, argv)); }
