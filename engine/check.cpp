// The checker of description files, "kel --check FILE...": each file's kind
// is told by its content or given with --kind, the files are loaded in the
// order the engine needs them without starting the editor, and every problem
// the readers find is printed as "FILE:LINE: error: MESSAGE" (or warning),
// then one summary line.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <strings.h>
#include <sys/stat.h>
#include <vector>
#include "engine/engine.h"
#include "analysis/analysis.h"
#include "editor/editor.h"
#include "screen/screen.h"
#include "commands/commands.h"

static void readlexicon(const char *name)
{
    initdict();
    readdict(name);
}
static void readsyntax(const char *name) { read_syntax(name); }

// The kinds in the order they are loaded: a kind is loaded after those it
// depends on (a lexicon names terminals and attributes; the other files name
// attributes).
struct checkkind {
    const char *name;                 // as given to --kind
    const char *letters;              // the engine's short name, also accepted
    const char *noun;                 // what the summary of one file counts
    void (*reader)(const char *);
    bool needsterminals;
    int row;                          // the kind's row of vfile_table
};
static constexpr checkkind kinds[] = {
    {"attributes", "AT", "types", readattr, false, 1},
    {"terminals", "TM", "terminals", read_terminals, false, 6},
    {"lexicon", "LE", "entries", readlexicon, true, 7},
    {"morphology", "MO", "rules", new_readmorph, false, 4},
    {"tables", "TB", "tables", new_readtables, false, 5},
    {"syntax", "SY", "rules", readsyntax, false, 3},
    {"user", "US", "rules", readsyntax, false, 2},
    {"ipa", "IP", "tables", phon_readtables, false, 8},
    {"morph-errors", "MR", "classes", merror_readtables, true, 9},
    {"tags", "TG", "tags", tag_readtables, false, 10},
    {"lextrans", "LX", "rules", readlextrans, false, 12},
    {"semantic", "SM", "transformations", read_sem_trans, false, 11},
};
static constexpr int NKINDS = static_cast<int>(std::size(kinds));
enum { KATTR, KTERM, KLEX, KMORPH, KTABLES, KSYNTAX, KUSER, KIPA, KMERR, KTAGS, KLT, KSEM };
static_assert(NKINDS == KSEM + 1);

int checkkindnumber(const char *name)
{
    for (int k = 0; k < NKINDS; k++)
        if (strcasecmp(name, kinds[k].name) == 0 || strcasecmp(name, kinds[k].letters) == 0)
            return k;
    return -1;
}

// ------------------------------------------------------------ the report

static std::FILE *out;
static std::string checkedname;           // the file being checked, for places the reader lacks
static long errors, warnings;
static long shown;                    // messages printed for the checkedname file
static long hidden;                   // messages past CHECKMAXMSGS

static void report(std::string_view place, bool error, std::string_view message)
{
    (error ? errors : warnings)++;
    if (shown >= CHECKMAXMSGS) {
        hidden++;
        return;
    }
    shown++;
    std::string line(place.empty() ? checkedname + ": " : std::string(place));
    line += error ? "error: " : "warning: ";
    for (char c : message)            // a message is one line, whatever the file held
        line += static_cast<unsigned char>(c) < ' ' ? '?' : c;
    line += '\n';
    std::fputs(line.c_str(), out);
}

// The three texts of an engine error, blanks tidied, with the reader's place
// within the file (a rule's or an entry's name) after them.
static void onerror(const char *place, const char *a, const char *b, const char *c)
{
    std::string text;
    for (const char *part : {a, b, c}) {
        if (!text.empty() && text.back() != ' ')
            text += ' ';
        for (const char *p = part; *p; p++) {
            bool blank = *p == ' ';
            if (blank && (text.empty() || text.back() == ' '))
                continue;
            text += *p;
        }
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    std::string_view where = file_position;
    while (!where.empty() && where.back() == ' ')
        where.remove_suffix(1);
    if (!where.empty())
        text += " (" + std::string(where) + ")";
    bool warning = strncasecmp(text.c_str(), "warning", 7) == 0;
    report(place, !warning, text);
}

static void onwarning(const char *place, const char *what, const char *state)
{
    std::string text = std::strcmp(what, "EOF") == 0 ? "end of file" : what;
    text += ' ';
    text += state;
    bool error = std::strcmp(what, "EOF") == 0;  // an unclosed quote or comment ate the rest
    if (error)
        text += std::strcmp(state, "within comments") == 0 ? " (a { without its })"
                                                           : " (a quote mark without its pair)";
    report(place, error, text);
}

// ------------------------------------------------------- the file's bytes

static std::string placeof(const std::string &name, long line)
{
    return name + ":" + std::to_string(line) + ": ";
}

// A UTF-8 sequence at p (at most n bytes): its length and code point, or 0
// when it is not one.
static int utf8seq(const unsigned char *p, size_t n, unsigned *code)
{
    int len = p[0] >= 0xf0 && p[0] <= 0xf4 ? 4 : p[0] >= 0xe0 ? 3 : p[0] >= 0xc2 && p[0] < 0xe0 ? 2 : 0;
    if (p[0] >= 0xf5 || len == 0 || static_cast<size_t>(len) > n)
        return 0;
    unsigned v = p[0] & (0x7f >> len);
    for (int i = 1; i < len; i++) {
        if ((p[i] & 0xc0) != 0x80)
            return 0;
        v = v << 6 | (p[i] & 0x3f);
    }
    if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10ffff)) ||
        (v >= 0xd800 && v <= 0xdfff))
        return 0;
    *code = v;
    return len;
}

// The checks on the bytes themselves. False when the file is no text to load.
static bool checkbytes(const std::string &name, const std::string &text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    size_t n = text.size();
    long line = 1, linestart = 0, firstutf8 = 0, lone = 0;
    struct wide { long line; unsigned cp; std::string bytes; };
    std::vector<wide> wides;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = p[i];
        if (c == 0) {
            report(placeof(name, line), true, "binary data (a zero byte): not a description file");
            return false;
        }
        if (c == '\n') {
            line++;
            linestart = static_cast<long>(i) + 1;
            continue;
        }
        if (static_cast<long>(i) - linestart >= CHECKMAXLINE) {
            report(placeof(name, line), true,
                   "line longer than " + std::to_string(CHECKMAXLINE) + " bytes: not a description file");
            return false;
        }
        if (c < 0x80)
            continue;
        if (c == 0xff)                // the readers stop at this byte
            report(placeof(name, line), true,
                   "byte 255 (\xc3\xbf in Latin-1) ends the file for kel's readers: what follows is not read");
        unsigned point = 0;
        int len = utf8seq(p + i, n - i, &point);
        if (len == 0) {
            lone++;
            continue;
        }
        if (firstutf8 == 0)
            firstutf8 = line;
        if (point > 0xff)
            wides.push_back({line, point, text.substr(i, static_cast<size_t>(len))});
        i += static_cast<size_t>(len) - 1;
    }
    if (firstutf8 == 0 || lone > 0)   // Latin-1 text, or bytes no UTF-8 file holds
        return true;
    report(placeof(name, firstutf8), false,
           "the file looks like UTF-8, but description files are Latin-1 (one byte a character); "
           "convert it: iconv -f UTF-8 -t LATIN1 " + name + " > " + name + ".latin1");
    for (const wide &w : wides) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", w.cp);
        report(placeof(name, w.line), true,
               std::string("character ") + code + " '" + w.bytes + "' cannot be written in Latin-1");
    }
    return true;
}

// The first bytes of a file with comments blanked out and quoted text made
// letters, quote marks and line ends kept.
static std::string plaintext(const std::string &text)
{
    std::string s = text.substr(0, CHECKGUESSBYTES);
    int state = 0;                    // 0 plain, 1 within quotes, 2 within a comment
    for (char &c : s) {
        if (c == '\n')
            continue;
        if (state == 0) {
            if (c == '{') {
                state = 2;
                c = ' ';
            } else if (c == '"') {
                state = 1;
            }
        } else if (state == 1) {
            if (c == '"')
                state = 0;
            else
                c = 'x';
        } else {
            if (c == '}')
                state = 0;
            c = ' ';
        }
    }
    return s;
}

static bool wordchar(char c) { return identchar(static_cast<unsigned char>(c)) && c != '%'; }

// The kind of a file by its content, else by its name; -1 when neither tells.
static int guesskind(const std::string &name, const std::string &text)
{
    std::string s = plaintext(text);
    auto skip = [&](size_t i) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            i++;
        return i;
    };
    size_t i = skip(0);
    size_t w = i;
    while (w < s.size() && wordchar(s[w]))
        w++;
    std::string first = s.substr(i, w - i);
    size_t after = skip(w);
    char next = after < s.size() ? s[after] : 0;
    if (first == "RULE" || first == "rule") {
        size_t j = after;
        return j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])) ? KLT : KMORPH;
    }
    if (s.find("RULE") != std::string::npos && s.find("_rhs_") != std::string::npos)
        return KLT;
    if (!first.empty() && next == '=')
        return KSYNTAX;
    if (i < s.size() && s[i] == '"' && s.find('(') != std::string::npos)
        return KIPA;
    if (i < s.size() && s[i] == '$')
        return KSEM;
    long lines = 0, barred = 0;
    for (size_t a = 0; a < s.size();) {
        size_t b = s.find('\n', a);
        if (b == std::string::npos)
            b = s.size();
        std::string_view l(s.data() + a, b - a);
        if (l.find_first_not_of(" \t\r") != std::string_view::npos) {
            lines++;
            barred += std::count(l.begin(), l.end(), '|') >= 2;
        }
        a = b + 1;
    }
    if (barred > 0 && barred * 2 >= lines)
        return KLEX;
    if (!first.empty() && next == '(') {
        size_t close = s.find(')', after);
        std::string inside = close == std::string::npos ? "" : s.substr(after + 1, close - after - 1);
        size_t k = skip(close == std::string::npos ? s.size() : close + 1);
        bool digits = !inside.empty() && inside.find_first_not_of(" \t\r\n0123456789") == std::string::npos;
        if (digits)
            return KTAGS;
        if (k < s.size() && s[k] == ':')
            return KSEM;
        bool quoted = text.find('"') != std::string::npos;
        bool endsinpercent = s.find('%') != std::string::npos;
        if (endsinpercent && !quoted)
            return KATTR;
        if (quoted || s.find('$') != std::string::npos || s.find('#') != std::string::npos)
            return KTABLES;
        return endsinpercent ? KATTR : KTABLES;
    }
    if (!first.empty() && (next == ':' || next == '.'))
        return KSEM;
    if (!first.empty() && s.find(')') != std::string::npos && s.find('(') == std::string::npos)
        return KMERR;
    if (!first.empty() && s.find_first_of("()|=:;%\"") == std::string::npos)
        return KTERM;
    // The name, as a last resort.
    static constexpr struct { const char *part; int kind; } hints[] = {
        {"attr", KATTR}, {"term", KTERM}, {"lex", KLEX}, {"morph", KMORPH}, {"tabl", KTABLES},
        {"syn", KSYNTAX}, {"ipa", KIPA}, {"phon", KIPA}, {"merr", KMERR}, {"tag", KTAGS},
        {"sem", KSEM},
    };
    const char *base = std::strrchr(name.c_str(), '/');
    std::string lower = base ? base + 1 : name;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto &h : hints)
        if (lower.find(h.part) != std::string::npos)
            return h.kind;
    return -1;
}

// ------------------------------------------------------------ checking

struct checkfile {
    std::string name;
    int kind;                         // -1: by content
    std::string text;
    bool loadable;
};

// Reads a file for checking; false (reported) when it cannot be or must not be.
static bool readfile(checkfile &f)
{
    struct stat st;
    if (stat(f.name.c_str(), &st) != 0) {
        report("", true, std::string("cannot open: ") + std::strerror(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        report("", true, S_ISDIR(st.st_mode) ? "a directory, not a file" : "not a regular file");
        return false;
    }
    if (st.st_size > CHECKMAXBYTES) {
        report("", true, "too large to be a description file (" + std::to_string(st.st_size) +
                             " bytes; at most " + std::to_string(CHECKMAXBYTES) + ")");
        return false;
    }
    std::FILE *in = fopenregular(f.name.c_str());
    if (in == nullptr) {
        report("", true, std::string("cannot open: ") + std::strerror(errno));
        return false;
    }
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0 &&
           f.text.size() + n <= static_cast<size_t>(CHECKMAXBYTES))
        f.text.append(buf, n);
    std::fclose(in);
    return true;
}

// Loads one file of a known kind; its messages go through the hooks.
static void loadone(const checkfile &f, int loaded)
{
    const checkkind &k = kinds[f.kind];
    if (k.needsterminals && !(loaded & (1 << KTERM))) {
        report(placeof(f.name, 1), true,
               std::string("a ") + (f.kind == KLEX ? "lexicon" : "morph-error file") +
                   " names terminals: give the terminals file on the same command line");
        return;
    }
    long more = 0;
    try {
        uninstall_n(k.row);           // a second file of a kind replaces the first
        k.reader(f.name.c_str());
        if (f.kind == KLEX && numerrors > NLEXERRORS)
            more = numerrors - NLEXERRORS;
    } catch (const std::exception &) {
        report("", true, "out of memory");
    }
    closeall();
    if (more > 0) {                   // the lexicon names its first errors only
        report("", true, std::to_string(more) + " more entries with errors (only the first " +
                             std::to_string(NLEXERRORS) + " are named)");
        errors += more - 1;
    }
}

int checkfiles(const std::vector<std::pair<std::string, int>> &names, std::FILE *to)
{
    out = to;
    errors = warnings = 0;
    initstate();
    visible = 0;                      // nothing drawn, nothing forwarded
    initgenra();
    auto keeperr = errhook;
    auto keepwarn = warnhook;
    errhook = onerror;
    warnhook = onwarning;

    std::vector<checkfile> files;
    for (const auto &[name, kind] : names) {
        checkfile f{name, kind, "", false};
        checkedname = name;
        shown = hidden = 0;
        if (readfile(f) && checkbytes(f.name, f.text)) {
            if (f.kind < 0)
                f.kind = guesskind(f.name, f.text);
            if (f.kind < 0)
                report(placeof(f.name, 1), true,
                       "cannot tell what kind of description file this is: give it with --kind");
            else
                f.loadable = true;
        }
        if (hidden > 0)
            std::fprintf(out, "%s: %ld more messages not shown\n", name.c_str(), hidden);
        f.text.clear();
        f.text.shrink_to_fit();
        files.push_back(std::move(f));
    }
    std::stable_sort(files.begin(), files.end(),
                     [](const checkfile &a, const checkfile &b) { return a.kind < b.kind; });
    int loaded = 0;
    for (const checkfile &f : files) {
        if (!f.loadable)
            continue;
        checkedname = f.name;
        shown = hidden = 0;
        loadone(f, loaded);
        loaded |= 1 << f.kind;
        installed |= 1 << (kinds[f.kind].row - 1);
        if (hidden > 0)
            std::fprintf(out, "%s: %ld more messages not shown\n", f.name.c_str(), hidden);
    }
    std::fprintf(out, "kel --check: %zu file%s, %ld error%s, %ld warning%s\n", names.size(),
                 names.size() == 1 ? "" : "s", errors, errors == 1 ? "" : "s", warnings,
                 warnings == 1 ? "" : "s");
    std::fflush(out);
    errhook = keeperr;
    warnhook = keepwarn;
    initgenra();
    return errors > 0 ? 1 : 0;
}

static int checkusage(const char *why)
{
    std::fprintf(stderr,
                 "kel --check: %s\n"
                 "usage: kel --check [--kind KIND] FILE...\n"
                 "  KIND (for the files after it; by content when not given): auto", why);
    for (const checkkind &k : kinds)
        std::fprintf(stderr, ", %s", k.name);
    std::fprintf(stderr, "\n");
    return 2;
}

int kelcheck(int argc, char **argv)
{
    std::vector<std::pair<std::string, int>> names;
    int kind = -1;
    bool options = true;
    for (int i = 0; i < argc; i++) {
        std::string_view a = argv[i];
        if (options && a == "--") {
            options = false;
            continue;
        }
        if (options && (a == "--kind" || a == "-k" || a.starts_with("--kind="))) {
            std::string value;
            if (a.starts_with("--kind="))
                value = a.substr(7);
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return checkusage("--kind needs a kind");
            if (value == "auto")
                kind = -1;
            else if ((kind = checkkindnumber(value.c_str())) < 0)
                return checkusage(("unknown kind: " + value).c_str());
            continue;
        }
        if (options && a.size() > 1 && a[0] == '-')
            return checkusage(("unknown option: " + std::string(a)).c_str());
        names.emplace_back(std::string(a), kind);
    }
    if (names.empty())
        return checkusage("no file to check");
    return checkfiles(names, stdout);
}
