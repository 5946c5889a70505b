// The HTTP side: the page's few files from memory, the JSON API over the
// sessions, the session cookie, and one access log line per request.
#include "web/web.h"
#include <httplib.h>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

// The page's files; nothing else is ever served, whatever the path asked.
static constexpr static_file statics[] = {
    {"/", "index.html", "text/html; charset=utf-8"},
    {"/app.js", "app.js", "text/javascript; charset=utf-8"},
    {"/style.css", "style.css", "text/css; charset=utf-8"},
};

static std::map<std::string, std::pair<std::string, const char *>> pages;  // path -> text, type
// The listening socket is reachable from a subclass only: the library's
// backlog of 5 pending connections is raised on it.
struct webserver : httplib::Server {
    int socket() const { return svr_sock_; }
};
static std::unique_ptr<webserver> srv;

static constexpr int BACKLOG = 256;                 // connections waiting to be accepted
static constexpr std::size_t KEEPALIVE_MAX = 100;   // requests on one connection

static constexpr const char *COOKIE = "kel_session";
static constexpr std::size_t LOGPATH_MAX = 200;     // characters of a path in the log

// The request being handled on this thread, for its log line.
static thread_local steady::time_point began;
static thread_local std::string logsid;

bool load_static(const std::string &dir, std::string &error)
{
    for (const static_file &f : statics) {
        std::string path = dir + "/" + f.file;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = path + ": cannot be read";
            return false;
        }
        std::ostringstream text;
        text << in.rdbuf();
        pages[f.path] = {text.str(), f.type};
    }
    return true;
}

// ------------------------------------------------------------------ replies

static void reply(httplib::Response &res, int status, const json &body)
{
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

static void busy(httplib::Response &res)
{
    res.set_header("Retry-After", "60");
    reply(res, 503, {{"error", "busy"},
                     {"message", "The server is busy: every exercise place is taken. "
                                 "Please try again in a few minutes."}});
}

// The session id in the request's cookie, if it has the form of one.
static std::string cookiesid(const httplib::Request &req)
{
    std::string name = std::string(COOKIE) + "=";
    for (std::size_t i = 0; i < req.get_header_value_count("Cookie"); i++) {
        std::string h = req.get_header_value("Cookie", i);
        std::size_t at = 0;
        while ((at = h.find(name, at)) != std::string::npos) {
            if (at == 0 || h[at - 1] == ' ' || h[at - 1] == ';') {
                std::string v = h.substr(at + name.size(), 2 * WEB_SID_BYTES);
                std::size_t end = at + name.size() + v.size();
                bool hex = v.size() == 2 * WEB_SID_BYTES &&
                           v.find_first_not_of("0123456789abcdef") == std::string::npos;
                if (hex && (end == h.size() || h[end] == ';'))
                    return v;
            }
            at += name.size();
        }
    }
    return "";
}

// The request's session, or a new one (with its cookie set) when the
// request has none, or one this server does not know: a forged or stale
// id never reaches another learner's session. Null when the server is full.
static std::shared_ptr<session> getsession(const httplib::Request &req, httplib::Response &res,
                                           bool &created)
{
    created = false;
    std::string sid = cookiesid(req);
    std::shared_ptr<session> s = sid.empty() ? nullptr : find_session(sid);
    if (!s) {
        s = add_session();
        if (!s)
            return nullptr;
        created = true;
        res.set_header("Set-Cookie", std::string(COOKIE) + "=" + s->id +
                                         "; Path=/; HttpOnly; SameSite=Strict");
    }
    logsid = s->id.substr(0, 8);
    return s;
}

// Starts a new session's drill on the default pack and tense. False when
// it did not start: the session is dropped and the reply made.
static bool firststart(session &s, httplib::Response &res)
{
    std::string error;
    const offer_pack &p = offer.front();
    if (session_start(s, p.id, p.tenses.front().id, error))
        return true;
    drop_session(s.id);
    res.headers.erase("Set-Cookie");
    if (error == "busy")
        busy(res);
    else
        reply(res, 502, {{"error", s.fault}});
    return false;
}

static bool parsebody(const httplib::Request &req, httplib::Response &res, json &body)
{
    if (req.body.size() > WEB_BODY_MAX) {
        reply(res, 413, {{"error", "The request is too large."}});
        return false;
    }
    body = json::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        reply(res, 400, {{"error", "The request is not a JSON object in UTF-8."}});
        return false;
    }
    return true;
}

// --------------------------------------------------------------------- API

// Runs `handle` on the request's session, locked and marked used, with
// whether it was made for this request; "busy" when there is no room.
template <class F>
static void withsession(const httplib::Request &req, httplib::Response &res, F handle)
{
    bool created;
    auto s = getsession(req, res, created);
    if (!s)
        return busy(res);
    std::lock_guard<std::mutex> g(s->lock);
    s->used = steady::now();
    handle(*s, created);
}

static void apioptions(const httplib::Request &, httplib::Response &res)
{
    reply(res, 200, offer_json());
}

static void apistate(const httplib::Request &req, httplib::Response &res)
{
    withsession(req, res, [&res](session &s, bool created) {
        if (created && !firststart(s, res))
            return;
        reply(res, 200, session_state(s));
    });
}

static void apistart(const httplib::Request &req, httplib::Response &res)
{
    json body;
    if (!parsebody(req, res, body))
        return;
    std::string pack = body.value("pack", json()).is_string() ? body["pack"].get<std::string>() : "";
    std::string tense = body.value("tense", json()).is_string() ? body["tense"].get<std::string>() : "";
    const offer_pack *p = find_offer(pack);
    if (!p)
        return reply(res, 400, {{"error", "There is no such pack here."}});
    if (!offers_tense(*p, tense))
        return reply(res, 400, {{"error", "The pack offers no such tense."}});
    withsession(req, res, [&](session &s, bool created) {
        std::string error;
        if (!session_start(s, pack, tense, error)) {
            if (error == "busy") {
                if (created) {
                    drop_session(s.id);
                    res.headers.erase("Set-Cookie");
                }
                return busy(res);
            }
            return reply(res, 502, session_state(s));
        }
        reply(res, 200, session_state(s));
    });
}

static void apianswer(const httplib::Request &req, httplib::Response &res)
{
    json body;
    if (!parsebody(req, res, body))
        return;
    if (!body.contains("answer") || !body["answer"].is_string())
        return reply(res, 400, {{"error", "The request has no answer."}});
    std::string answer = body["answer"].get<std::string>();
    // One answer is one line to the drill: a line break or other control
    // character would split it or smuggle a second answer in.
    for (unsigned char c : answer)
        if (c < 0x20 || c == 0x7f)
            return reply(res, 400, {{"error", "An answer is one line of text, without control characters."}});
    withsession(req, res, [&](session &s, bool created) {
        if (created) {
            // A new session never takes an answer to a question it did not ask.
            if (!firststart(s, res))
                return;
            json st = session_state(s);
            st["notice"] = "A new session was started: here is its first question.";
            return reply(res, 200, st);
        }
        json out;
        int status = session_answer(s, answer, out);
        json st = session_state(s);
        st.update(out);
        reply(res, status, st);
    });
}

static void apiend(const httplib::Request &req, httplib::Response &res)
{
    withsession(req, res, [&res](session &s, bool) {
        session_finish(s);
        reply(res, 200, session_state(s));
    });
}

// ------------------------------------------------------------------- server

static std::string clean(const std::string &path)
{
    std::string out;
    for (unsigned char c : path.substr(0, LOGPATH_MAX))
        out += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
    return out;
}

static void accesslog(const httplib::Request &req, const httplib::Response &res)
{
    char when[32];
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &tm);
    std::string took = "-";
    if (began != steady::time_point{}) {
        double ms = std::chrono::duration<double, std::milli>(steady::now() - began).count();
        char t[32];
        std::snprintf(t, sizeof t, "%.1fms", ms);
        took = t;
    }
    std::fprintf(stderr, "%s %s %s %s %d %s\n", when, logsid.empty() ? "-" : logsid.c_str(),
                 clean(req.method).c_str(), clean(req.path).c_str(), res.status, took.c_str());
    began = {};
    logsid.clear();
}

bool web_serve(const std::string &host, int port, std::size_t threads, void (*ready)(int))
{
    srv = std::make_unique<webserver>();
    srv->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    srv->set_payload_max_length(WEB_BODY_MAX);
    srv->set_tcp_nodelay(true);
    srv->set_keep_alive_max_count(KEEPALIVE_MAX);
    srv->set_pre_routing_handler([](const httplib::Request &, httplib::Response &) {
        began = steady::now();
        logsid.clear();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    srv->set_logger(accesslog);
    srv->set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request &, httplib::Response &res) {
        if (!res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        const char *text = res.status == 404 ? "Not found." : res.status == 413 ? "The request is too large." : "The request was refused.";
        res.set_content(std::string(text) + "\n", "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    }));

    for (const static_file &f : statics) {
        std::string pattern;          // the path as a pattern matching itself alone
        for (const char *c = f.path; *c; c++)
            pattern += *c == '.' ? std::string("\\.") : std::string(1, *c);
        srv->Get(pattern, [path = f.path](const httplib::Request &, httplib::Response &res) {
            auto &[text, type] = pages.at(path);
            res.set_header("Content-Security-Policy", "default-src 'self'; img-src 'self' data:");
            res.set_header("X-Content-Type-Options", "nosniff");
            res.set_content(text, type);
        });
    }
    srv->Get("/api/options", apioptions);
    srv->Get("/api/state", apistate);
    srv->Post("/api/start", apistart);
    srv->Post("/api/answer", apianswer);
    srv->Post("/api/end", apiend);

    int bound = port == 0 ? srv->bind_to_any_port(host) : (srv->bind_to_port(host, port) ? port : -1);
    if (bound <= 0)
        return false;
    listen(srv->socket(), BACKLOG);   // listening again sets a new backlog
    ready(bound);
    return srv->listen_after_bind();
}

void web_stop()
{
    if (srv)
        srv->stop();
}
