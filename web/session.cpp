// Learner sessions: the table of them, the cap on running drills, and the
// relay of questions, answers and summaries between a session and its drill.
#include "web/web.h"
#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <sys/random.h>

web_config config;

static std::mutex tablelock;          // guards `table`
static std::map<std::string, std::shared_ptr<session>> table;
static std::atomic<std::size_t> running{0};   // drills alive, at most config.max_sessions

// Finished sessions keep their summary until they go idle; this many
// records per running place at most.
static constexpr std::size_t RECORDS_PER_PLACE = 4;

static void randombytes(unsigned char *p, std::size_t n)
{
    while (n > 0) {
        ssize_t r = getrandom(p, n, 0);
        if (r <= 0)
            continue;                 // EINTR; the kernel's source never runs dry
        p += r;
        n -= static_cast<std::size_t>(r);
    }
}

std::string new_session_id()
{
    unsigned char raw[WEB_SID_BYTES];
    randombytes(raw, sizeof raw);
    static constexpr char hex[] = "0123456789abcdef";
    std::string id;
    for (unsigned char c : raw) {
        id += hex[c >> 4];
        id += hex[c & 15];
    }
    return id;
}

std::shared_ptr<session> find_session(const std::string &sid)
{
    std::lock_guard<std::mutex> g(tablelock);
    auto it = table.find(sid);
    return it == table.end() ? nullptr : it->second;
}

std::shared_ptr<session> add_session()
{
    if (running.load() >= config.max_sessions)
        return nullptr;
    auto s = std::make_shared<session>();
    s->id = new_session_id();
    s->used = steady::now();
    std::lock_guard<std::mutex> g(tablelock);
    if (table.size() >= config.max_sessions * RECORDS_PER_PLACE)
        return nullptr;
    table[s->id] = s;
    return s;
}

void drop_session(const std::string &sid)
{
    std::lock_guard<std::mutex> g(tablelock);
    table.erase(sid);
}

std::size_t live_sessions()
{
    return running.load();
}

static bool reserve()
{
    std::size_t n = running.load();
    do {
        if (n >= config.max_sessions)
            return false;
    } while (!running.compare_exchange_weak(n, n + 1));
    return true;
}

// Ends the session's drill, if one runs, and gives back its place.
static void stopdrill(session &s)
{
    if (s.proc.pid > 0) {
        drill_stop(s.proc, WEB_STOP_MS);
        running--;
    } else {
        drill_stop(s.proc, 0);
    }
}

static void fail(session &s, const std::string &why)
{
    std::string words = drill_last_words(s.proc);
    s.fault = words.empty() ? why : why + " (" + words + ")";
    std::fprintf(stderr, "kel-web: session %.8s: %s\n", s.id.c_str(), s.fault.c_str());
    s.question = nullptr;
    stopdrill(s);
}

// Takes one line of the drill's output into the session. Returns what it
// was: 'q' a question, 'a' an answer's result, 's' the summary, 'e' an
// error about the input, '?' anything else, 0 unreadable.
static char take(session &s, const std::string &line, json &error)
{
    json j = json::parse(line, nullptr, false);
    if (j.is_discarded() || !j.is_object())
        return 0;
    if (j.contains("summary")) {
        s.summary = j["summary"];
        s.question = nullptr;
        return 's';
    }
    if (j.contains("error")) {
        error = j;
        return 'e';
    }
    if (j.contains("answer")) {
        // The result carries the question it answers, and its expected answer.
        if (s.question.is_object()) {
            if (!j.contains("expected"))
                j["expected"] = s.question.value("expected", "");
            if (!j.contains("question"))
                j["question"] = s.question.value("question", "");
        }
        // The drill's running score where it gives one, else counted here.
        bool correct = j.value("correct", false);
        s.answered = j.contains("answered") && j["answered"].is_number_integer() ? j["answered"].get<int>() : s.answered + 1;
        s.right = j.contains("right") && j["right"].is_number_integer() ? j["right"].get<int>() : s.right + correct;
        s.last = j;
        return 'a';
    }
    if (j.contains("question")) {
        s.question = j;
        return 'q';
    }
    return '?';
}

// Reads until the drill asks a question or ends; `got` is the kind of line
// that stopped the reading. Returns an HTTP status: 200, or 504/502 when the
// drill hung or failed (it has then been ended).
static int readuntil(session &s, int ms, char &got, json &error)
{
    for (;;) {
        std::string line;
        int r = drill_read(s.proc, line, ms);
        if (r == -1) {
            fail(s, "The exercise did not answer in time and was stopped.");
            return 504;
        }
        if (r <= 0) {
            fail(s, "The exercise stopped unexpectedly.");
            return 502;
        }
        got = take(s, line, error);
        if (got == 0) {
            fail(s, "The exercise sent a line that is not JSON.");
            return 502;
        }
        if (got == 'q' || got == 'e')
            return 200;
        if (got == 's') {
            stopdrill(s);
            return 200;
        }
    }
}

// Lines the drill wrote unasked (a question repeated after an error, say).
static void drain(session &s)
{
    std::string line;
    json error;
    while (s.proc.pid > 0 && drill_ready(s.proc) && drill_read(s.proc, line, 0) == 1)
        if (take(s, line, error) == 's')
            stopdrill(s);
}

static unsigned seedfor()
{
    if (config.seed >= 0)
        return static_cast<unsigned>(config.seed);
    unsigned v;
    randombytes(reinterpret_cast<unsigned char *>(&v), sizeof v);
    return v & 0x7fffffff;
}

bool session_start(session &s, const std::string &pack, const std::string &tense,
                   std::string &error)
{
    if (s.proc.pid > 0)
        stopdrill(s);
    else
        drill_stop(s.proc, 0);
    if (!reserve()) {
        error = "busy";
        return false;
    }
    s.pack = pack;
    s.tense = tense;
    s.question = s.last = s.summary = nullptr;
    s.fault.clear();
    s.answered = s.right = 0;
    // Every argument is the server's own: the pack's folder as found at
    // start-up, and a tense id and pack name equal to ones it offers.
    const offer_pack *p = find_offer(pack);
    std::vector<std::string> args = {"--json", "--pack", p ? p->dir : pack, "--tense", tense,
                                     "--count", std::to_string(config.count),
                                     "--seed", std::to_string(seedfor())};
    if (!drill_start(s.proc, config.drill_program, args, config.tmproot, error)) {
        running--;
        s.fault = "The exercise could not be started.";
        std::fprintf(stderr, "kel-web: %s\n", error.c_str());
        return false;
    }
    char got = 0;
    json derr;
    if (readuntil(s, WEB_START_MS, got, derr) != 200)
        return false;
    if (got == 'e') {
        fail(s, "The exercise refused to start: " + derr.value("error", std::string("no reason given")));
        return false;
    }
    if (got != 'q') {
        fail(s, "The exercise ended before its first question.");
        return false;
    }
    return true;
}

int session_answer(session &s, const std::string &answer, json &reply)
{
    drain(s);
    if (s.proc.pid <= 0 || !s.question.is_object()) {
        reply = {{"error", "No exercise is running: start one."}};
        return 409;
    }
    if (!drill_send(s.proc, answer)) {
        fail(s, "The exercise stopped unexpectedly.");
        reply = {{"error", s.fault}};
        return 502;
    }
    char got = 0;
    json derr;
    int status = readuntil(s, WEB_REPLY_MS, got, derr);
    if (status != 200) {
        reply = {{"error", s.fault}};
        return status;
    }
    if (got == 'e') {
        reply = {{"refused", derr.value("error", std::string("The answer was refused."))}};
        return 422;
    }
    reply = {{"result", s.last}};
    return 200;
}

void session_finish(session &s)
{
    drain(s);
    if (s.proc.pid <= 0)
        return;
    drill_close_input(s.proc);
    char got = 0;
    json derr;
    // The drill writes its summary at the end of its input and exits.
    if (readuntil(s, WEB_STOP_MS, got, derr) == 200 && got != 's')
        stopdrill(s);
}

json session_state(const session &s)
{
    json q = s.question;
    if (q.is_object())
        q.erase("expected");          // shown after the answer, not before
    const offer_pack *p = find_offer(s.pack);
    json st = {
        {"pack", s.pack}, {"tense", s.tense}, {"question", q}, {"last", s.last},
        {"summary", s.summary}, {"running", s.proc.pid > 0},
        {"score", {{"answered", s.answered}, {"right", s.right}}},
        {"letters", p ? p->letters : std::vector<std::string>{}},
    };
    if (!s.fault.empty())
        st["fault"] = s.fault;
    return st;
}

void sweep_sessions()
{
    std::vector<std::shared_ptr<session>> all;
    {
        std::lock_guard<std::mutex> g(tablelock);
        for (auto &[id, s] : table)
            all.push_back(s);
    }
    auto now = steady::now();
    for (auto &s : all) {
        std::unique_lock<std::mutex> g(s->lock, std::try_to_lock);
        if (!g.owns_lock() || now - s->used < config.idle)
            continue;
        stopdrill(*s);
        drop_session(s->id);
    }
}

void end_all_sessions()
{
    std::vector<std::shared_ptr<session>> all;
    {
        std::lock_guard<std::mutex> g(tablelock);
        for (auto &[id, s] : table)
            all.push_back(s);
        table.clear();
    }
    // Every drill is told first, then each is waited for in turn, so that
    // the whole end takes one stop time, not one per drill.
    for (auto &s : all) {
        std::lock_guard<std::mutex> g(s->lock);
        drill_close_input(s->proc);
        if (s->proc.pid > 0)
            kill(-s->proc.pid, SIGTERM);
    }
    for (auto &s : all) {
        std::lock_guard<std::mutex> g(s->lock);
        stopdrill(*s);
    }
}
