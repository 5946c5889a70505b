// The web front end: a small HTTP server that gives each learner session an
// exercise process of its own (the drill in its JSON line mode) and relays
// between the page and that process. It holds no exercise logic: questions,
// judgements, feedback and summaries all come from the drill.
#pragma once
#include <nlohmann/json.hpp>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

using json = nlohmann::json;
using steady = std::chrono::steady_clock;

inline constexpr std::size_t WEB_BODY_MAX = 4096;      // bytes of a request body
inline constexpr std::size_t WEB_LINE_MAX = 65536;     // bytes of one line from a drill
inline constexpr std::size_t WEB_ERRTEXT_MAX = 400;    // bytes of a drill's last words kept
inline constexpr int WEB_SID_BYTES = 32;               // random bytes of a session id
inline constexpr int WEB_START_MS = 15000;             // a drill's first question, at most
inline constexpr int WEB_REPLY_MS = 10000;             // a drill's reply to an answer, at most
inline constexpr int WEB_STOP_MS = 2000;               // a drill's exit after the end, at most
inline constexpr int WEB_SESSIONS_MAX = 4096;          // the highest cap a flag may set
inline constexpr long WEB_COUNT_MAX = 1000;            // the most questions per drill a flag may set

// ---------------------------------------------------------------- offer.cpp
// What the server offers: the language packs found at start-up in one
// folder, each with its tenses and accented letters from its pack.json.
// The client chooses among these ids and nothing else.

struct offer_choice {
    std::string id;                   // passed to the drill as it is
    std::string label;                // shown on the page
};

struct offer_pack {
    std::string id, label;            // "fr", "French"
    std::string dir;                  // the pack's folder, passed to the drill
    std::vector<std::string> letters; // accent buttons
    std::vector<offer_choice> tenses; // the first is the default
};

extern std::vector<offer_pack> offer; // by id; the first is the default

// Reads every pack.json in the folders of `packs`. False, with `error`
// naming the file and the fault, when a pack.json is damaged or none is found.
bool read_offer(const std::string &packs, std::string &error);
const offer_pack *find_offer(const std::string &pack);
bool offers_tense(const offer_pack &p, const std::string &tense);
json offer_json();

// -------------------------------------------------------------- drill.cpp
// One drill process: spawned with pipes on its standard input and output,
// its standard error in a file of its temporary directory.

struct drill {
    pid_t pid = -1;
    int in = -1;                      // its standard input (we write)
    int out = -1;                     // its standard output (we read)
    std::string buf;                  // read but not yet split into lines
    std::string dir;                  // its temporary directory, its working directory
};

// Starts `program` with `args` in a new temporary directory under `tmproot`.
// False with `error` when it cannot.
bool drill_start(drill &d, const std::string &program,
                 const std::vector<std::string> &args,
                 const std::string &tmproot, std::string &error);
// Writes one line. False when the drill is gone.
bool drill_send(drill &d, const std::string &line);
// Reads one line within `ms` milliseconds: 1 a line, 0 end of output,
// -1 timeout, -2 a line too long or a read error.
int drill_read(drill &d, std::string &line, int ms);
// True when a whole line or the end of output is ready now.
bool drill_ready(drill &d);
// Closes its input so that it ends by itself.
void drill_close_input(drill &d);
// Ends it (SIGTERM to its process group, SIGKILL after `ms`), reaps it and
// removes its directory. Safe on a drill never started or already stopped.
void drill_stop(drill &d, int ms);
// The last line the drill wrote on its standard error, cut to a length.
std::string drill_last_words(const drill &d);

// ------------------------------------------------------------ session.cpp
// Learner sessions: one drill each, found by an unguessable id.

struct web_config {
    std::string drill_program;        // the drill, never chosen by a client
    std::string tmproot;              // where session directories go
    std::size_t max_sessions = 64;    // live drills at once
    std::chrono::seconds idle{900};   // a session unused this long ends
    long seed = -1;                   // fixed seed for every drill; -1 a random one each
    long count = 10;                  // questions per drill; 0 until the learner ends it
};

struct session {
    std::mutex lock;                  // one request at a time per session
    std::string id;                   // 64 hex digits
    drill proc;                       // pid -1 when no drill runs
    std::string pack, tense;
    json question;                    // the question being asked (no expected answer), or null
    json last;                        // the last answer's result, or null
    json summary;                     // the summary once the drill ended, or null
    std::string fault;                // why the drill stopped, when it failed
    int answered = 0, right = 0;
    steady::time_point used;          // last request
};

extern web_config config;

std::string new_session_id();         // from the system's random source
// The session with id `sid`, or null.
std::shared_ptr<session> find_session(const std::string &sid);
// A new session with no drill yet, or null when the cap is reached.
std::shared_ptr<session> add_session();
void drop_session(const std::string &sid);
std::size_t live_sessions();          // sessions with a drill running

// Starts (or restarts) the session's drill on `pack` and `tense`, taken from
// the offer. False with s.fault set when the drill did not start or gave no
// question. Called with s.lock held; may refuse with "busy" in `error`.
bool session_start(session &s, const std::string &pack, const std::string &tense,
                   std::string &error);
// Relays one answer. Returns the HTTP status: 200 with the drill's result in
// `reply`, 422 when the drill refused the answer (its message in `reply`),
// 409 when no drill runs, 504/502 when the drill hung or died (it is ended).
int session_answer(session &s, const std::string &answer, json &reply);
// Ends the drill at the end of its input and keeps its summary.
void session_finish(session &s);
// The page's view of the session.
json session_state(const session &s);
// Ends sessions idle longer than the configured time.
void sweep_sessions();
// Ends every session and reaps every drill: at shutdown.
void end_all_sessions();

// ------------------------------------------------------------- server.cpp
// The HTTP side: static page, JSON API, cookies, access log.

struct static_file {
    const char *path;                 // request path
    const char *file;                 // file in the static directory
    const char *type;                 // content type
};

// Loads the page's files from `dir`. False with `error` naming the file.
bool load_static(const std::string &dir, std::string &error);
// Serves on `host`:`port` until web_stop(). False when it cannot listen.
bool web_serve(const std::string &host, int port, std::size_t threads,
               void (*ready)(int port));
void web_stop();
