// The drill: the sequence of questions and what steers it, the checking of
// one answer, its feedback in plain words, the running score and the
// summary, as text and as JSON lines.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <nlohmann/json.hpp>
#include "exercise/exercise.h"

namespace {

using json = nlohmann::ordered_json;   // keys in the order written

// How the learner fares with one tense, person or verb group.
struct tally {
    int asked = 0;
    int wrong = 0;
    int weak = 0;           // steering weight: up on a wrong answer, down on a right one
};

constexpr int WEAKSTEP = 2;  // weight a wrong answer adds to its tense, person, group
constexpr int MAXWEAK = 8;   // so that the other choices still come now and then
constexpr int ANYGROUP = 3;  // weight of leaving the verb group to the engine

// One dimension the drill varies: the pack's choices and their tallies.
struct dimension {
    const char *title;      // "By tense"
    std::vector<pack_choice> choices;
    std::map<std::string, tally> tallies;
};

struct drill_state {
    pack_info pack;
    drill_options opt;
    dimension tenses{"By tense", {}, {}};
    dimension persons{"By person", {}, {}};
    dimension groups{"By verb group", {}, {}};
    uint64_t rng = 0;        // the drill's own generator (splitmix64)
    int n = 0;               // the open question's number, from 1
    bool open = false;       // a question waits for its answer
    question q;
    int answered = 0;
    int right = 0;
    std::map<std::string, int> errors;  // word results by class, EXACT left out
};

drill_state drill;

uint64_t next_random()
{
    uint64_t z = (drill.rng += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// An index drawn with the given weights (all >= 0, at least one > 0).
size_t draw(const std::vector<int> &weights)
{
    uint64_t total = 0;
    for (int w : weights)
        total += static_cast<uint64_t>(w);
    uint64_t r = next_random() % total;
    for (size_t i = 0; i < weights.size(); i++) {
        if (r < static_cast<uint64_t>(weights[i]))
            return i;
        r -= static_cast<uint64_t>(weights[i]);
    }
    return weights.size() - 1;
}

// Tenses and persons: each choice weighs one, more where the learner errs.
std::string steer(const dimension &d)
{
    if (d.choices.empty())
        return "";
    std::vector<int> w;
    for (const pack_choice &c : d.choices) {
        auto t = d.tallies.find(c.id);
        w.push_back(1 + (t == d.tallies.end() ? 0 : t->second.weak));
    }
    return d.choices[draw(w)].id;
}

// Verb groups are left to the engine (so verbs come as the pack has them)
// until the learner errs in one; then that group is drawn now and then.
std::string steer_group(const dimension &d)
{
    std::vector<int> w{ANYGROUP};
    int sum = 0;
    for (const pack_choice &c : d.choices) {
        auto t = d.tallies.find(c.id);
        w.push_back(t == d.tallies.end() ? 0 : t->second.weak);
        sum += w.back();
    }
    if (sum == 0)
        return "";
    size_t i = draw(w);
    return i == 0 ? "" : d.choices[i - 1].id;
}

void count(dimension &d, const std::string &id, bool ok)
{
    if (id.empty())
        return;
    tally &t = d.tallies[id];
    t.asked++;
    if (ok) {
        t.weak = std::max(0, t.weak - 1);
    } else {
        t.wrong++;
        t.weak = std::min(MAXWEAK, t.weak + WEAKSTEP);
    }
}

std::string label_of(const dimension &d, const std::string &id)
{
    for (const pack_choice &c : d.choices)
        if (c.id == id)
            return c.label;
    return id;
}

std::string value_label(const std::string &value)
{
    auto l = drill.pack.labels.find(value);
    return l == drill.pack.labels.end() ? value : l->second;
}

// ------------------------------------------------------------ the answer

// Characters of a UTF-8 text (bytes that do not continue one).
size_t characters(const std::string &s)
{
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

void replace_all(std::string &s, const std::string &from, const std::string &to)
{
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

// What a learner's keyboard gives for plain characters: typographic
// apostrophes, no-break spaces, tabs.
std::string plain_keys(std::string s)
{
    replace_all(s, "\xE2\x80\x99", "'");   // right single quotation mark
    replace_all(s, "\xE2\x80\x98", "'");   // left single quotation mark
    replace_all(s, "\xCA\xBC", "'");       // modifier letter apostrophe
    replace_all(s, "\xE2\x80\xAF", " ");   // narrow no-break space
    replace_all(s, "\xC2\xA0", " ");       // no-break space
    std::replace(s.begin(), s.end(), '\t', ' ');
    return s;
}

// Words separated by one space, none at the ends.
std::string single_spaces(const std::string &s)
{
    std::string out;
    for (char c : s) {
        if (c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool latin1_letter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c >= 0xC0 && c != 0xD7 && c != 0xF7);
}

// Characters a learner may reach for that Latin-1 lacks, and what to type.
struct stand_in {
    const char *utf8, *instead;
};
constexpr stand_in stand_ins[] = {
    {"\xC5\x93", "oe"}, {"\xC5\x92", "OE"}, {"\xE2\x82\xAC", "euro"},
    {"\xE2\x80\x9C", "\""}, {"\xE2\x80\x9D", "\""}, {"\xE2\x80\xA6", "..."},
};

std::string refusal(const std::string &line, const std::string &why)
{
    std::string m = "Not taken as an answer: " + why + ".";
    for (const stand_in &s : stand_ins)
        if (line.find(s.utf8) != std::string::npos) {
            m += std::string(" Type ") + s.instead + " for " + s.utf8 + ".";
            break;
        }
    return m;
}

bool is_quit(const std::string &s)
{
    return s == ":q" || s == ":quit" || s == ":Q";
}

// ------------------------------------------------------------ feedback

std::vector<std::string> value_names(const std::string &side)
{
    std::vector<std::string> names;
    std::string cur;
    for (char c : side + " ") {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            cur += c;
        } else if (!cur.empty()) {
            names.push_back(cur);
            cur.clear();
        }
    }
    return names;
}

std::string joined(const std::vector<std::string> &v, const std::string &sep)
{
    std::string s;
    for (const std::string &x : v)
        s += (s.empty() ? "" : sep) + x;
    return s;
}

// Who the question is about: the prompt's words before the bracket.
std::string subject()
{
    size_t at = drill.q.prompt.find(" (");
    if (at == std::string::npos || at == 0)
        return "the subject";
    return drill.q.prompt.substr(0, at);
}

// Another form of the expected word. The detail pairs the expected word's
// attribute values with the typed form's ("p1/p2"): where the values name
// the question's person or tense, the typed form is described by that
// label with the values exchanged ("1st person plural" -> "2nd person plural").
std::string morph_line(const word_result &w)
{
    std::string detail = w.detail;
    size_t alt = detail.find(" OR ");
    if (alt != std::string::npos)
        detail.resize(alt);
    size_t slash = detail.find('/');
    std::vector<std::string> want, got;
    if (slash != std::string::npos) {
        want = value_names(detail.substr(0, slash));
        got = value_names(detail.substr(slash + 1));
    }
    if (want.empty() || want.size() != got.size())
        return w.response + ": another form of " + w.expected + "; the question needs " + w.expected;

    auto exchanged = [&](std::string label) {
        for (size_t i = 0; i < want.size(); i++) {
            std::string from = value_label(want[i]);
            size_t at = label.find(from);
            if (at == std::string::npos)
                return std::string();
            label.replace(at, from.size(), value_label(got[i]));
        }
        return label;
    };
    std::string person = label_of(drill.persons, drill.q.person);
    std::string as = exchanged(person);
    if (!as.empty() && !drill.q.person.empty())
        return w.response + ": " + as + "; " + subject() + " needs the " + person + ": " + w.expected;
    // Values that are tenses are named as the pack names its tenses.
    auto named = [](const std::string &value) {
        for (const pack_choice &c : drill.pack.tenses)
            if (c.id == value)
                return c.label;
        return value_label(value);
    };
    std::vector<std::string> g, e;
    for (const std::string &v : got)
        g.push_back(named(v));
    for (const std::string &v : want)
        e.push_back(named(v));
    std::string needs = want.size() == 1 && want[0] == drill.q.tense ? "; the question asks for the "
                                                                     : "; the question needs the ";
    return w.response + ": " + joined(g, ", ") + needs + joined(e, ", ") + ": " + w.expected;
}

// A homophone: the same sound, another ending; the endings are shown.
std::string phono_line(const word_result &w)
{
    size_t k = 0;
    while (k < w.expected.size() && k < w.response.size() && w.expected[k] == w.response[k])
        k++;
    while (k > 0 && (static_cast<unsigned char>(w.expected[k]) & 0xC0) == 0x80)
        k--;                                   // not inside a character
    std::string line = w.response + ": sounds right, but is written " + w.expected;
    if (k > 0 && k < w.expected.size() && k < w.response.size())
        line += " (-" + w.expected.substr(k) + ", not -" + w.response.substr(k) + ")";
    return line;
}

// `next` is the word after `w` in the answer, or null: an elided word is
// shown with the word it runs into when that one is right ("je aime:
// French writes j'aime").
std::string word_line(const word_result &w, const word_result *next)
{
    const std::string &c = w.cls;
    if (c == "EXACT")
        return "";
    if (c == "MORPH")
        return morph_line(w);
    if (c == "APPROX")
        return w.response + ": a spelling slip; it is written " + w.expected;
    if (c == "PHONO")
        return phono_line(w);
    if (c == "LEX")
        return w.response + ": a related word" + (w.detail.empty() ? "" : " (" + w.detail + ")") +
               ", not the one asked: " + w.expected;
    if (c == "ELISION") {
        if (next != nullptr && next->cls == "EXACT")
            return w.response + " " + next->response + ": " + drill.pack.language + " writes " +
                   w.expected + next->expected;
        return w.response + ": " + drill.pack.language + " writes " + w.expected;
    }
    if (w.response.empty())
        return "missing word: " + w.expected;
    if (w.expected.empty())
        return "extra word: " + w.response;
    return w.response + ": the question needs " + w.expected;
}

std::string running_score()
{
    return "Score: " + std::to_string(drill.right) + " of " + std::to_string(drill.answered) +
           " right";
}

std::string dump(const json &j)
{
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

json tallies_json(const dimension &d)
{
    json a = json::array();
    for (const pack_choice &c : d.choices) {
        auto t = d.tallies.find(c.id);
        if (t == d.tallies.end() || t->second.asked == 0)
            continue;
        a.push_back({{"id", c.id}, {"label", c.label}, {"asked", t->second.asked},
                     {"wrong", t->second.wrong}});
    }
    return a;
}

// Labels of the choices still weak at the end, the weakest first.
std::vector<std::string> weak_spots()
{
    std::vector<std::pair<int, std::string>> weak;
    for (const dimension *d : {&drill.persons, &drill.tenses, &drill.groups})
        for (const pack_choice &c : d->choices) {
            auto t = d->tallies.find(c.id);
            if (d->choices.size() > 1 && t != d->tallies.end() && t->second.weak > 0)
                weak.emplace_back(-t->second.weak, c.label);
        }
    std::stable_sort(weak.begin(), weak.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<std::string> v;
    for (const auto &w : weak)
        v.push_back(w.second);
    return v;
}

// Plain names of the classes of the analysis, in the report's order.
struct class_name {
    const char *cls, *words;
};
constexpr class_name class_names[] = {
    {"MORPH", "wrong form"},      {"APPROX", "spelling slip"}, {"PHONO", "homophone ending"},
    {"LEX", "related word"},      {"ELISION", "missed elision"}, {"MISSING", "missing word"},
    {"EXTRA", "extra word"},
};

// The tense a learner names: its id, its label or the name in the label's
// brackets ("futur simple"), in any case, or the start of one of these when
// only one tense has it.
std::string lower(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

const pack_choice *find_tense(const pack_info &pack, const std::string &name)
{
    std::string want = lower(name);
    const pack_choice *found = nullptr;
    int starts = 0;
    for (const pack_choice &c : pack.tenses) {
        std::string names[3] = {lower(c.id), lower(c.label), ""};
        size_t open = names[1].find(" ("), close = names[1].rfind(')');
        if (open != std::string::npos && close > open)
            names[2] = names[1].substr(open + 2, close - open - 2);
        bool starts_here = false;
        for (const std::string &n : names) {
            if (n.empty())
                continue;
            if (n == want)
                return &c;
            starts_here = starts_here || (!want.empty() && n.rfind(want, 0) == 0);
        }
        if (starts_here) {
            found = &c;
            starts++;
        }
    }
    return starts == 1 ? found : nullptr;
}

} // namespace

// ------------------------------------------------------------ the drill

bool drill_start(const pack_info &pack, const drill_options &opt, std::string &error)
{
    drill = drill_state{};
    drill.pack = pack;
    drill.opt = opt;
    drill.persons.choices = pack.persons;
    drill.groups.choices = pack.groups;
    if (pack.tenses.empty()) {
        error = "the pack in " + pack.dir + " names no tense";
        return false;
    }
    if (opt.tenses.empty())
        drill.tenses.choices.push_back(pack.tenses.front());
    for (const std::string &want : opt.tenses) {
        const pack_choice *t = find_tense(pack, want);
        if (t == nullptr) {
            std::vector<std::string> ids;
            for (const pack_choice &c : pack.tenses)
                ids.push_back(c.id);
            error = "no tense \"" + want + "\" in the " + pack.language + " pack; it has " +
                    joined(ids, ", ");
            return false;
        }
        if (std::none_of(drill.tenses.choices.begin(), drill.tenses.choices.end(),
                         [&](const pack_choice &c) { return c.id == t->id; }))
            drill.tenses.choices.push_back(*t);
    }
    drill.rng = opt.seed;
    seed_questions(opt.seed);
    return true;
}

bool drill_next(std::string &error)
{
    error.clear();
    drill.open = false;
    if (drill.opt.count > 0 && drill.n >= drill.opt.count)
        return false;
    selection sel;
    sel.tense = steer(drill.tenses);
    sel.person = steer(drill.persons);
    sel.group = steer_group(drill.groups);
    // A choice the pack cannot fill is let go, the group first.
    bool made = make_question(sel, drill.q, error);
    if (!made && !sel.group.empty()) {
        sel.group.clear();
        made = make_question(sel, drill.q, error);
    }
    if (!made && !sel.person.empty()) {
        sel.person.clear();
        made = make_question(sel, drill.q, error);
    }
    if (!made) {
        if (error.empty())
            error = "the pack gave no question";
        return false;
    }
    error.clear();
    drill.n++;
    drill.open = true;
    return true;
}

drill_reply drill_answer(const std::string &line)
{
    drill_reply r;
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (characters(text) > MAXANSWER) {
        r.message = refusal("", "the answer is longer than " + std::to_string(MAXANSWER) +
                                    " characters");
        return r;
    }
    text = plain_keys(text);
    std::string latin1, why;
    if (!to_latin1(text, latin1, why)) {
        r.message = refusal(text, why);
        return r;
    }
    latin1 = single_spaces(latin1);
    if (is_quit(latin1)) {
        r.kind = reply_kind::quit;
        return r;
    }
    if (!drill.open) {
        r.message = "No question is waiting for an answer.";
        return r;
    }
    if (latin1.empty()) {
        r.message = "An empty answer: type the answer, or :quit to stop.";
        return r;
    }
    if (std::none_of(latin1.begin(), latin1.end(),
                     [](char c) { return latin1_letter(static_cast<unsigned char>(c)); })) {
        r.message = refusal("", "the answer has only punctuation, no word");
        return r;
    }
    // A full stop the question does not have is no error.
    const std::string &exp = drill.q.expected;
    if (exp.empty() || std::string(".!?").find(exp.back()) == std::string::npos) {
        while (!latin1.empty() && std::string(".!? ").find(latin1.back()) != std::string::npos)
            latin1.pop_back();
    }

    r.kind = reply_kind::answered;
    r.answer = to_utf8(latin1);
    r.result = check_answer(latin1);
    if (!r.result.correct && r.answer == single_spaces(exp)) {
        // The expected text itself is right, whatever the analysis makes of
        // words it glues or splits.
        r.result = answer_result{true, 0, {}};
        for (size_t at = 0; at < r.answer.size();) {
            size_t end = std::min(r.answer.find(' ', at), r.answer.size());
            std::string w = r.answer.substr(at, end - at);
            r.result.words.push_back({"EXACT", w, w, ""});
            at = end + 1;
        }
    }
    if (!r.result.correct && r.result.score <= 0)
        r.result.score = 1;                  // an error never scores as a right answer
    if (r.result.correct)
        r.result.score = 0;

    drill.answered++;
    drill.right += r.result.correct;
    drill.open = false;
    count(drill.tenses, drill.q.tense, r.result.correct);
    count(drill.persons, drill.q.person, r.result.correct);
    count(drill.groups, drill.q.group, r.result.correct);
    for (const word_result &w : r.result.words)
        if (w.cls != "EXACT")
            drill.errors[w.cls]++;

    if (r.result.correct) {
        r.feedback = "Correct.";
        return r;
    }
    // Missing words, then extra words, each kind on one line.
    std::vector<std::string> missing, extra;
    const std::vector<word_result> &words = r.result.words;
    for (size_t i = 0; i < words.size(); i++) {
        const word_result &w = words[i];
        if (w.cls == "MISSING")
            missing.push_back(w.expected);
        else if (w.cls == "EXTRA")
            extra.push_back(w.response);
        else if (std::string l = word_line(w, i + 1 < words.size() ? &words[i + 1] : nullptr);
                 !l.empty())
            r.lines.push_back(l);
    }
    if (r.lines.empty() && !missing.empty() && missing.size() == r.result.words.size() - extra.size()) {
        r.lines.push_back("no word of the answer fits: " + drill.q.expected + " was asked for");
        missing.clear();
        extra.clear();
    }
    if (!missing.empty())
        r.lines.push_back((missing.size() > 1 ? "missing words: " : "missing word: ") +
                          joined(missing, ", "));
    if (!extra.empty())
        r.lines.push_back((extra.size() > 1 ? "extra words: " : "extra word: ") + joined(extra, ", "));
    if (r.lines.empty())
        r.lines.push_back("not quite: the answer is " + drill.q.expected);
    r.feedback = joined(r.lines, ". ") + ".";
    return r;
}

std::string drill_question_text()
{
    std::string s = "Question " + std::to_string(drill.n);
    if (drill.opt.count > 0)
        s += " of " + std::to_string(drill.opt.count);
    s += ": " + drill.q.prompt;
    if (drill.tenses.choices.size() > 1)
        s += "  [" + label_of(drill.tenses, drill.q.tense) + "]";
    return s;
}

std::vector<std::string> drill_reply_text(const drill_reply &r)
{
    if (r.kind == reply_kind::refused)
        return {r.message};
    if (r.kind == reply_kind::quit)
        return {};
    std::vector<std::string> out;
    if (r.result.correct) {
        out.push_back("Correct.  " + running_score() + ".");
        return out;
    }
    for (const std::string &l : r.lines)
        out.push_back("  " + l);
    out.push_back("The answer: " + drill.q.expected + "   " + running_score() + ".");
    return out;
}

std::vector<std::string> drill_summary_lines()
{
    std::vector<std::string> out;
    out.push_back("Summary: " + std::to_string(drill.right) + " of " +
                  std::to_string(drill.answered) + " answers right.");
    std::vector<std::string> kinds;
    for (const class_name &c : class_names) {
        auto e = drill.errors.find(c.cls);
        if (e != drill.errors.end())
            kinds.push_back(std::to_string(e->second) + " " + c.words + (e->second > 1 ? "s" : "") +
                            " (" + c.cls + ")");
    }
    for (const auto &e : drill.errors)
        if (std::none_of(std::begin(class_names), std::end(class_names),
                         [&](const class_name &c) { return e.first == c.cls; }))
            kinds.push_back(std::to_string(e.second) + " " + e.first);
    out.push_back("Errors: " + (kinds.empty() ? std::string("none") : joined(kinds, ", ")) + ".");
    for (const dimension *d : {&drill.persons, &drill.tenses, &drill.groups}) {
        std::vector<std::string> parts;
        for (const pack_choice &c : d->choices) {
            auto t = d->tallies.find(c.id);
            if (t != d->tallies.end() && t->second.asked > 0)
                parts.push_back(c.label + " " + std::to_string(t->second.wrong) + " wrong of " +
                                std::to_string(t->second.asked));
        }
        if (!parts.empty())
            out.push_back(std::string(d->title) + ": " + joined(parts, "; ") + ".");
    }
    std::vector<std::string> weak = weak_spots();
    out.push_back(weak.empty() ? std::string("Nothing left to practise in this session.")
                               : "Practise next: " + joined(weak, ", ") + ".");
    return out;
}

std::string drill_question_json()
{
    return dump({{"n", drill.n},
                 {"question", drill.q.prompt},
                 {"expected", drill.q.expected},
                 {"tense", label_of(drill.tenses, drill.q.tense)},
                 {"person", label_of(drill.persons, drill.q.person)}});
}

std::string drill_reply_json(const drill_reply &r)
{
    if (r.kind == reply_kind::refused)
        return dump({{"n", drill.n}, {"error", r.message}});
    if (r.kind == reply_kind::quit)
        return "";
    json words = json::array();
    for (const word_result &w : r.result.words)
        words.push_back({{"class", w.cls}, {"expected", w.expected}, {"response", w.response},
                         {"detail", w.detail}});
    return dump({{"n", drill.n},
                 {"answer", r.answer},
                 {"correct", r.result.correct},
                 {"score", r.result.score},
                 {"words", words},
                 {"feedback", r.feedback},
                 {"expected", drill.q.expected},
                 {"right", drill.right},
                 {"answered", drill.answered}});
}

std::string drill_summary_json()
{
    json errors = json::object();
    for (const auto &e : drill.errors)
        errors[e.first] = e.second;
    return dump({{"summary",
                  {{"asked", drill.n},
                   {"answered", drill.answered},
                   {"right", drill.right},
                   {"errors", errors},
                   {"persons", tallies_json(drill.persons)},
                   {"tenses", tallies_json(drill.tenses)},
                   {"groups", tallies_json(drill.groups)},
                   {"practise", weak_spots()},
                   {"seed", drill.opt.seed},
                   {"text", drill_summary_lines()}}}});
}

std::string drill_error_json(const std::string &message)
{
    return dump({{"error", message}});
}

std::string drill_pack_json(const pack_info &pack)
{
    auto choices = [](const std::vector<pack_choice> &list) {
        json a = json::array();
        for (const pack_choice &c : list)
            a.push_back({{"id", c.id}, {"label", c.label}});
        return a;
    };
    return dump({{"pack",
                  {{"name", pack.name},
                   {"language", pack.language},
                   {"letters", pack.letters},
                   {"tenses", choices(pack.tenses)},
                   {"persons", choices(pack.persons)},
                   {"groups", choices(pack.groups)}}}});
}
