// kel-web: the exercise in a browser. Reads its flags, blocks the stop
// signals in every thread but one that waits for them (and ends idle
// sessions meanwhile), serves, and at the end stops and reaps every drill.
#include "web/web.h"
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <unistd.h>

static constexpr int DEFAULT_PORT = 8080;
static constexpr std::size_t MIN_THREADS = 16;   // HTTP worker threads, at least

static const char usage[] =
    "usage: kel-web [options]\n"
    "  --port N           port to listen on (default 8080; 0 any free port)\n"
    "  --bind ADDRESS     address to listen on (default 127.0.0.1)\n"
    "  --max-sessions N   exercises running at once (default 64)\n"
    "  --idle TIME        a session unused this long ends: N minutes, or Ns seconds (default 15)\n"
    "  --drill PROGRAM    the drill to run (default kel-drill beside kel-web)\n"
    "  --static DIR       the page's files (default the installed or source web/static)\n"
    "  --packs DIR        the language packs offered, a folder each (default $KEL_PACKS,\n"
    "                     the build tree's, or the installed share/kel/packs)\n"
    "  --count N          questions per drill (default 10; 0 until the learner ends it)\n"
    "  --seed N           every drill on this seed (default a random one each)\n";

static std::atomic<bool> stopping{false};
static std::string host = "127.0.0.1";   // the address listened on

static void ready(int port)
{
    bool v6 = host.find(':') != std::string::npos;
    std::printf("kel-web: serving http://%s%s%s:%d/\n", v6 ? "[" : "", host.c_str(), v6 ? "]" : "", port);
    std::fflush(stdout);
}

static bool number(const char *s, long lo, long hi, long &out)
{
    char *end;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (errno || end == s || *end || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

static bool idletime(std::string s, std::chrono::seconds &out)
{
    long unit = 60;
    if (!s.empty() && (s.back() == 's' || s.back() == 'm')) {
        unit = s.back() == 's' ? 1 : 60;
        s.pop_back();
    }
    long v;
    if (!number(s.c_str(), 1, 7 * 24 * 3600, v))
        return false;
    out = std::chrono::seconds(v * unit);
    return true;
}

// The folder of this program, for the files that sit beside it.
static std::filesystem::path selfdir()
{
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path(".") : p.parent_path();
}

static void waitsignals(sigset_t set)
{
    timespec tick = {1, 0};
    while (!stopping) {
        int sig = sigtimedwait(&set, nullptr, &tick);
        if (sig > 0) {
            std::fprintf(stderr, "kel-web: %s: ending every session\n", strsignal(sig));
            stopping = true;
            web_stop();
            return;
        }
        sweep_sessions();
    }
}

int main(int argc, char **argv)
{
    long port = DEFAULT_PORT;
    auto here = selfdir();
    std::string webdir = std::filesystem::exists(here / "../share/kel/web/index.html")
                             ? (here / "../share/kel/web").string() : KEL_WEB_STATIC;
    std::string packs;
    // The drill beside this program when installed, one folder up in a build tree.
    config.drill_program = (here / "kel-drill").string();
    if (!std::filesystem::exists(config.drill_program) && std::filesystem::exists(here / "../kel-drill"))
        config.drill_program = (here / "../kel-drill").lexically_normal().string();

    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "kel-web: %s needs a value\n%s", a.c_str(), usage);
            return 2;
        }
        const char *v = argv[++i];
        long n;
        bool ok = true;
        if (a == "--port")
            ok = number(v, 0, 65535, port);
        else if (a == "--bind")
            host = v;
        else if (a == "--max-sessions" && (ok = number(v, 1, WEB_SESSIONS_MAX, n)))
            config.max_sessions = static_cast<std::size_t>(n);
        else if (a == "--idle")
            ok = idletime(v, config.idle);
        else if (a == "--drill")
            config.drill_program = v;
        else if (a == "--static")
            webdir = v;
        else if (a == "--packs")
            packs = v;
        else if (a == "--count")
            ok = number(v, 0, WEB_COUNT_MAX, config.count);
        else if (a == "--seed" && (ok = number(v, 0, 0x7fffffff, n)))
            config.seed = n;
        else if (a != "--max-sessions" && a != "--seed") {
            std::fprintf(stderr, "kel-web: unknown option %s\n%s", a.c_str(), usage);
            return 2;
        }
        if (!ok) {
            std::fprintf(stderr, "kel-web: %s: bad value \"%s\"\n", a.c_str(), v);
            return 2;
        }
    }
    if (packs.empty()) {
        const char *env = getenv("KEL_PACKS");
        if (env && *env)
            packs = env;
        else if (std::filesystem::exists(here / "../share/kel/packs"))
            packs = (here / "../share/kel/packs").string();
        else
            packs = KEL_WEB_PACKS;
    }

    std::string error;
    if (!read_offer(packs, error) || !load_static(webdir, error)) {
        std::fprintf(stderr, "kel-web: %s\n", error.c_str());
        return 1;
    }
    // Drills run in their own directories: the program is found from here.
    config.drill_program = std::filesystem::absolute(config.drill_program).string();
    if (access(config.drill_program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "kel-web: %s: not an executable program\n", config.drill_program.c_str());
        return 1;
    }

    const char *tmp = getenv("TMPDIR");
    std::string root = std::string(tmp && *tmp ? tmp : "/tmp") + "/kel-web-XXXXXX";
    if (!mkdtemp(root.data())) {
        std::fprintf(stderr, "kel-web: cannot make a directory in %s: %s\n",
                     tmp && *tmp ? tmp : "/tmp", strerror(errno));
        return 1;
    }
    config.tmproot = root;

    // Every thread started from here on inherits the blocked stop signals;
    // only the waiting thread takes them.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    std::thread waiter(waitsignals, stops);

    std::size_t threads = std::max(MIN_THREADS, 2 * config.max_sessions + 8);
    bool served = web_serve(host, static_cast<int>(port), threads, ready);
    if (!served && !stopping)
        std::fprintf(stderr, "kel-web: cannot listen on %s port %ld\n", host.c_str(), port);
    stopping = true;
    waiter.join();
    end_all_sessions();
    std::error_code ec;
    std::filesystem::remove_all(config.tmproot, ec);
    return served || port == 0 ? 0 : 1;
}
