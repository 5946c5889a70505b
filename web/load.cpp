// kel-web-load: many learners at once against a kel-web of its own on
// loopback. Starts the server, opens the sessions together, has each answer
// its questions in turn, and reports every answer's latency (median, 95th
// percentile), answers per second and the memory each live session holds.
// Bounded in time; fails when an answer gets no feedback or anything errs.
//   kel-web-load KEL_WEB DRILL [--sessions N] [--answers N] [--seconds N]
//                [--answer TEXT] [--packs DIR] [--think MS]
// --think: each learner's pause between receiving feedback and answering
// again (default 0: answers back to back, the server's throughput).
#include "web/web.h"
#include <httplib.h>
#include <algorithm>
#include <atomic>
#include <barrier>
#include <semaphore>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

static constexpr long SESSIONS_MAX = 500;        // learners one run may play
static constexpr long ANSWERS_MAX = 1000;        // answers per learner
static constexpr int CLIENT_TIMEOUT_S = 30;      // one request, at most

struct learner {
    std::string cookie;
    std::vector<double> ms;           // latency of each answer
    int errors = 0;
    std::string firsterror;
};

static std::atomic<bool> late{false};
// Learners arrive a few at a time, as they would: fifty drills starting in
// the same instant would measure the start-up queue, not the answers.
static constexpr std::ptrdiff_t ARRIVING = 4;
static std::counting_semaphore<ARRIVING> door(ARRIVING);
static steady::time_point deadline;

static void err(learner &l, const std::string &what)
{
    if (l.errors++ == 0)
        l.firsterror = what;
}

static long thinkms = 0;              // pause between a learner's answers

static void play(int port, long answers, const std::string &text, learner &l,
                 std::barrier<> &started, std::barrier<> &done)
{
    httplib::Client cli("127.0.0.1", port);
    cli.set_keep_alive(true);
    cli.set_tcp_nodelay(true);
    cli.set_connection_timeout(CLIENT_TIMEOUT_S);
    cli.set_read_timeout(CLIENT_TIMEOUT_S);
    door.acquire();
    auto r = cli.Get("/api/state");
    door.release();
    if (!r || r->status != 200)
        err(l, r ? "start: status " + std::to_string(r->status) + " " + r->body : "start: no reply");
    else {
        std::string setc = r->get_header_value("Set-Cookie");
        l.cookie = setc.substr(0, setc.find(';'));
    }
    started.arrive_and_wait();
    httplib::Headers h = {{"Cookie", l.cookie}};
    std::string body = json{{"answer", text}}.dump();
    for (long i = 0; i < answers && l.errors == 0; i++) {
        if (i > 0 && thinkms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(thinkms));
        if (steady::now() > deadline) {
            late = true;
            break;
        }
        auto t0 = steady::now();
        auto a = cli.Post("/api/answer", h, body, "application/json");
        double ms = std::chrono::duration<double, std::milli>(steady::now() - t0).count();
        if (!a || a->status != 200) {
            err(l, a ? "answer: status " + std::to_string(a->status) + " " + a->body
                     : "answer: no reply (" + httplib::to_string(a.error()) + ")");
            break;
        }
        json j = json::parse(a->body, nullptr, false);
        if (j.is_discarded() || !j.contains("result") || !j["result"].contains("words")) {
            err(l, "answer without feedback: " + a->body.substr(0, 200));
            break;
        }
        l.ms.push_back(ms);
    }
    done.arrive_and_wait();           // sessions stay live while memory is read
    done.arrive_and_wait();
}

static std::vector<pid_t> children(pid_t parent)
{
    std::vector<pid_t> kids;
    for (auto &e : std::filesystem::directory_iterator("/proc")) {
        std::string name = e.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream f(e.path() / "stat");
        std::string stat;
        std::getline(f, stat);
        std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        char state;
        long ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 && ppid == parent)
            kids.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return kids;
}

// The process's proportional and resident set sizes, in kB.
static void memory(pid_t pid, long &pss, long &rss)
{
    pss = rss = 0;
    std::ifstream f("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(f, line)) {
        long v;
        if (std::sscanf(line.c_str(), "Pss: %ld", &v) == 1)
            pss = v;
        else if (std::sscanf(line.c_str(), "Rss: %ld", &v) == 1)
            rss = v;
    }
}

static double percentile(std::vector<double> &v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    std::size_t i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: kel-web-load KEL_WEB DRILL [--sessions N] [--answers N] [--seconds N] "
                             "[--answer TEXT] [--packs DIR] [--think MS]\n");
        return 2;
    }
    std::string server = argv[1], drillprog = argv[2], text = "nous parlons", packs;
    long sessions = 50, answers = 20, seconds = 120;
    for (int i = 3; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--answer" || a == "--packs") {
            (a == "--answer" ? text : packs) = argv[i + 1];
            continue;
        }
        long v = std::atol(argv[i + 1]);
        if (a == "--sessions")
            sessions = std::clamp(v, 1L, SESSIONS_MAX);
        else if (a == "--answers")
            answers = std::clamp(v, 1L, ANSWERS_MAX);
        else if (a == "--seconds")
            seconds = std::clamp(v, 1L, 3600L);
        else if (a == "--think")
            thinkms = std::clamp(v, 0L, 60000L);
        else {
            std::fprintf(stderr, "kel-web-load: unknown option %s\n", a.c_str());
            return 2;
        }
    }

    // The server, on a free loopback port, its access log thrown away.
    int outp[2];
    if (pipe(outp) != 0)
        return 1;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, outp[1], 1);
    posix_spawn_file_actions_addclose(&fa, outp[0]);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::string cap = std::to_string(sessions);
    // Drills without a question limit: each learner answers as many as asked.
    std::vector<const char *> args = {server.c_str(), "--port", "0", "--bind", "127.0.0.1", "--drill",
                                      drillprog.c_str(), "--max-sessions", cap.c_str(), "--count", "0"};
    if (!packs.empty()) {
        args.push_back("--packs");
        args.push_back(packs.c_str());
    }
    args.push_back(nullptr);
    pid_t srv;
    int spawned = posix_spawn(&srv, server.c_str(), &fa, nullptr, const_cast<char **>(args.data()), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (spawned != 0) {
        std::fprintf(stderr, "kel-web-load: cannot start %s\n", server.c_str());
        return 1;
    }
    close(outp[1]);
    char line[200] = {};
    FILE *out = fdopen(outp[0], "r");
    int port = 0;
    if (!out || !std::fgets(line, sizeof line, out) || std::sscanf(line, "kel-web: serving http://127.0.0.1:%d/", &port) != 1) {
        std::fprintf(stderr, "kel-web-load: the server did not start\n");
        kill(srv, SIGTERM);
        waitpid(srv, nullptr, 0);
        return 1;
    }

    deadline = steady::now() + std::chrono::seconds(seconds);
    std::vector<learner> ls(static_cast<std::size_t>(sessions));
    std::barrier<> started(sessions + 1), done(sessions + 1);
    std::vector<std::thread> threads;
    for (auto &l : ls)
        threads.emplace_back(play, port, answers, std::cref(text), std::ref(l), std::ref(started), std::ref(done));
    started.arrive_and_wait();
    auto t0 = steady::now();
    done.arrive_and_wait();
    double wall = std::chrono::duration<double>(steady::now() - t0).count();

    long srvpss, srvrss, pss = 0, rss = 0;
    memory(srv, srvpss, srvrss);
    auto kids = children(srv);
    for (pid_t k : kids) {
        long p, r;
        memory(k, p, r);
        pss += p;
        rss += r;
    }
    done.arrive_and_wait();
    for (auto &t : threads)
        t.join();
    kill(srv, SIGTERM);
    int status = 0;
    waitpid(srv, &status, 0);

    std::vector<double> all;
    int errors = 0;
    for (auto &l : ls) {
        all.insert(all.end(), l.ms.begin(), l.ms.end());
        errors += l.errors;
        if (l.errors)
            std::fprintf(stderr, "kel-web-load: %s\n", l.firsterror.c_str());
    }
    long want = sessions * answers;
    std::size_t got = all.size();
    double med = percentile(all, 0.5), p95 = percentile(all, 0.95), max = all.empty() ? 0 : all.back();
    double live = kids.empty() ? 1 : static_cast<double>(kids.size());
    std::printf("web load: %ld sessions x %ld answers, %ld ms between answers: %zu of %ld answered with feedback, "
                "%d errors, in %.2f s\n", sessions, answers, thinkms, got, want, errors, wall);
    std::printf("  latency: median %.1f ms, 95th percentile %.1f ms, max %.1f ms; %.0f answers per second\n",
                med, p95, max, static_cast<double>(got) / wall);
    std::printf("  memory: %zu live drills, %.1f MB PSS (%.1f MB RSS) per session; kel-web itself %.1f MB RSS\n",
                kids.size(), static_cast<double>(pss) / 1024 / live, static_cast<double>(rss) / 1024 / live,
                static_cast<double>(srvrss) / 1024);
    if (late)
        std::printf("  stopped at the time limit of %ld s\n", seconds);
    bool clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!clean)
        std::printf("  kel-web did not end cleanly at SIGTERM\n");
    return errors == 0 && !late && static_cast<long>(got) == want && clean ? 0 : 1;
}
