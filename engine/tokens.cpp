// The token reader of the engine's description files: bytes become one-byte
// tokens with one token of look-ahead. Handles comments, quoted text, line
// ends, included files and text macros, and reports into corefile 7. Files
// are read in blocks; a reader of one entry per line may take the tokens of
// a line in runs straight from the block.
#include <array>
#include <cstdarg>
#include <cstring>
#include <exception>
#include <unistd.h>
#include "engine/engine.h"
#include "editor/charkind.h"
#include "commands/commands.h"

const tokenelement tokentable[NTOKENWORDS] = {
    /*  0 */ {"INHERIT", 5},
    /*  1 */ {"inherit", 5},
    /*  2 */ {"CHOOSE", 6},
    /*  3 */ {"choose", 6},
    /*  4 */ {"SELECT", 16},
    /*  5 */ {"select", 16},
    /*  6 */ {"RULE", 7},
    /*  7 */ {"rule", 7},
    /*  8 */ {"TRANSFORMATION", 8},
    /*  9 */ {"transformation", 8},
    /* 10 */ {"%INCLUDE", 1},
    /* 11 */ {"%include", 1},
    /* 12 */ {"%", 37},
    /* 13 */ {"PRIORITY", 9},
    /* 14 */ {"priority", 9},
    /* 15 */ {"_and_", 9},
    /* 16 */ {"_makes_", 11},
    /* 17 */ {"_ilt_", 12},
    /* 18 */ {"_lsp_", 9},
    /* 19 */ {"_rhs_", 11},
    /* 20 */ {"_pre_", 14},
    /* 21 */ {"_in_", 14},
    /* 22 */ {"_is_", 17},
    /* 23 */ {"%define", 18},
    /* 24 */ {"", static_cast<char>(255)},
};

char identbuf[IDENTSIZE];
int iptr;
queuetype tokenq;
int istate;
int ccount;
int lfret;
fileinf filestack[NFILESTACK];
int fsptr = -1;
std::unique_ptr<macrodef> macrodict;
int macroptr;
char namebuf[MACRONAMESIZE];
char defbuf[MACRODEFSIZE];
const char *file_operation = "";
char file_position[FILEPOSSIZE];
int v_stat;

inline constexpr int EOFCH = -1;      // end of the current file
inline constexpr int NOCHAR = -2;     // nothing held back

// A macro text being expanded; `after` is the character that ended the
// macro's name, read again when the text is used up. Reading it behind the
// text keeps "%NAME)" in order, and keeping the entry open while it is read
// makes a macro that calls itself at its end stop at the depth limit.
struct expansion {
    const char *pos;
    int after;
};
static expansion macrostack[MACRODEPTH + 1];  // entries 1..macroptr
static int pushback = NOCHAR;         // a character of the file read too far
static int64_t expanded;              // macro text used since the file was opened
static int inclusions;                // files included since the file was opened
static int64_t included;              // their bytes

// Where the current token came from, for messages: the file's name as it was
// given and the line, known from opening a file until the reading is closed.
// The name is copied only when the token's file changes. A reader of one
// entry per line pins the place at the entry's start. Errors of the reader
// itself name the line being read.
static bool placeknown;
static bool placestale = true;        // a file was opened or closed since the copy
static int placedepth = -1;           // filestack entry the copy came from
static std::string placename;
static int placeline;
static bool pinned;
static std::string pinname;
static int pinline;
static bool atreading;                // the message is about the character being read
long v_errcount;
long v_warncount;


void setposition(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(file_position, sizeof file_position, fmt, ap);
    va_end(ap);
}

// ------------------------------------------------------------ characters

// The next byte of a file without taking it, EOFCH at its end. The file is
// read READBUFSIZE bytes at a time.
static int peekfile(fileinf &f)
{
    if (f.at < f.end)
        return *f.at;
    if (f.ended || f.fptr == nullptr || !f.buf)
        return EOFCH;
    size_t n = std::fread(f.buf.get(), 1, READBUFSIZE, f.fptr);
    f.at = f.buf.get();
    f.end = f.at + n;
    if (n == 0) {
        f.ended = true;
        return EOFCH;
    }
    return *f.at;
}

// A file opened at a level of the stack, its buffer made or kept.
static void startfile(fileinf &f, std::FILE *fp, const char *name)
{
    if (!f.buf)
        f.buf = std::make_unique_for_overwrite<unsigned char[]>(READBUFSIZE);
    std::setvbuf(fp, nullptr, _IONBF, 0);  // the blocks are read into buf itself
    f.fptr = fp;
    f.f_name = name;
    f.f_line = 1;
    f.at = f.end = f.buf.get();
    f.ended = false;
}

static void stopfile(fileinf &f)
{
    if (f.fptr != nullptr)
        std::fclose(f.fptr);
    f.fptr = nullptr;
    f.at = f.end;
    f.ended = true;
}

static int getone()
{
    while (macroptr > 0) {
        expansion &e = macrostack[macroptr];
        if (*e.pos)
            return static_cast<unsigned char>(*e.pos++);
        if (e.after != NOCHAR) {      // stays open while that character is read, so
            int after = e.after;      // that a call ending the text counts as nested
            e.after = NOCHAR;
            return after;
        }
        macroptr--;
    }
    if (pushback != NOCHAR) {
        int c = pushback;
        pushback = NOCHAR;
        return c;
    }
    if (fsptr < 0)
        return EOFCH;
    fileinf &f = filestack[fsptr];
    int c = peekfile(f);
    if (c == EOFCH)
        return EOFCH;
    f.at++;
    return c == 255 ? EOFCH : c;
}

static void countline()
{
    if (fsptr >= 0)
        filestack[fsptr].f_line++;
}

// ----------------------------------------------------------------- queue

static void qreset() { tokenq.head = tokenq.tail = tokenq.length = 0; }

static void noteplace(int t)
{
    if (fsptr < 0)
        return;                       // the end token keeps the last file's place
    if (placestale || placedepth != fsptr) {
        placename = filestack[fsptr].f_name;
        placedepth = fsptr;
        placestale = false;
    }
    placeline = filestack[fsptr].f_line - (t == TLINEEND ? 1 : 0);
    placeknown = true;
}

static void enqueue(int t)
{
    if (tokenq.length >= TOKQSIZE)
        return;
    noteplace(t);
    tokenq.queue[tokenq.tail] = static_cast<char>(t);
    tokenq.tail = (tokenq.tail + 1) % TOKQSIZE;
    tokenq.length++;
}

static void clearident()
{
    iptr = 0;
    identbuf[0] = 0;
}

// ---------------------------------------------------------------- macros

const macrodef *macrosearch(const char *name)
{
    for (const macrodef *m = macrodict.get(); m != nullptr; m = m->another.get())
        if (m->name == name)
            return m;
    return nullptr;
}

// Unlinked one by one, so that a long list never recurses in its destructors.
void macrofree()
{
    while (macrodict)
        macrodict = std::move(macrodict->another);
    macroptr = 0;
}

// "%define": the name, then the rest of the line is the body.
static void define()
{
    int c = getone();
    while (c == ' ' || c == '\t')
        c = getone();
    int n = 0;
    while (identchar(c)) {
        if (n < MACRONAMESIZE - 1)
            namebuf[n++] = static_cast<char>(c);
        c = getone();
    }
    namebuf[n] = 0;
    int len = 0;
    if (c != '\n' && c != EOFCH) {    // the character ending the name is dropped
        c = getone();
        while (c == ' ' || c == '\t')
            c = getone();
        while (c != '\n' && c != EOFCH) {
            if (c != '\r' && len < MACRODEFSIZE - 1)
                defbuf[len++] = static_cast<char>(c);
            c = getone();
        }
    }
    defbuf[len] = 0;
    if (c == '\n')
        countline();
    else
        pushback = EOFCH;             // the file's end is handled by the reader
    if (n == 0)
        return;
    auto m = std::make_unique<macrodef>();
    m->name = namebuf;
    m->def = defbuf;
    m->another = std::move(macrodict);
    macrodict = std::move(m);
}

// ------------------------------------------------------------------ files

static void report(const char *name, int lines)
{
    v_linef(MSGCORE, "Finished reading %s from file '%s' [%d lines.]", file_operation, name, lines);
}

void closefile()
{
    if (fsptr < 0)
        return;
    fileinf &f = filestack[fsptr];
    report(f.f_name.c_str(), f.f_line - 1);
    stopfile(f);
}

static void endfile()
{
    closefile();
    if (fsptr >= 0)
        filestack[fsptr--].f_name.clear();
    pushback = NOCHAR;
    placestale = true;
}

void closeall()
{
    for (; fsptr >= 0; fsptr--) {
        stopfile(filestack[fsptr]);
        filestack[fsptr].f_name.clear();
    }
    pushback = NOCHAR;
    macrofree();
    placeknown = pinned = false;
    placestale = true;
}

void pinplace()
{
    pinned = placeknown;
    if (pinned) {
        pinname = placename;
        pinline = placeline;
    }
}

// "NAME:LINE: " while a file is being read, else "".
const char *v_place()
{
    static char text[INCNAMESIZE + 24];
    if (atreading && fsptr >= 0) {
        const fileinf &f = filestack[fsptr];
        std::snprintf(text, sizeof text, "%s:%d: ", f.f_name.c_str(), f.f_line);
        return text;
    }
    if (!placeknown)
        return "";
    if (pinned)
        std::snprintf(text, sizeof text, "%s:%d: ", pinname.c_str(), pinline);
    else
        std::snprintf(text, sizeof text, "%s:%d: ", placename.c_str(), placeline);
    return text;
}

// An error found by the reader itself, at the line being read.
static void readerr(const char *a, const char *b)
{
    atreading = true;
    v_err(a, b, "");
    atreading = false;
}

// The line of the file being read leads the message (see v_place).
static void toomuch()
{
    readerr("too much included, reading stopped", "");
    v_stat = 1;
    closeall();
}

// "%include": the file named between the next two quote marks.
static void include()
{
    int c = getone();
    while (c != '"' && c != EOFCH) {
        if (c == '\n')
            countline();
        c = getone();
    }
    char name[INCNAMESIZE];
    int n = 0;
    if (c == '"')
        for (c = getone(); c != '"' && c != EOFCH; c = getone())
            if (n < INCNAMESIZE - 1)
                name[n++] = static_cast<char>(c);
    name[n] = 0;
    if (c == EOFCH) {                 // the name never ended: nothing to open
        pushback = EOFCH;
        readerr("unable to open file: ", name);
        v_stat = 1;
        return;
    }
    // Files that include each other many times over: the inclusions of the
    // whole load (refused ones too, each costing a message) and the bytes of
    // the files opened are bounded, and the load stops where a bound is passed.
    if (++inclusions > INCLUSIONLIMIT) {
        toomuch();
        return;
    }
    if (fsptr + 1 >= NFILESTACK) {
        readerr("inclusion depth too great ", name);
        v_stat = 1;
        return;
    }
    int64_t size = 0;
    std::FILE *f = fopenregular(name, &size);
    if (f == nullptr) {
        readerr("unable to open file: ", name);
        v_stat = 1;
        return;
    }
    included += size;
    if (included > INCLUDEDTEXTLIMIT) {
        std::fclose(f);
        toomuch();
        return;
    }
    fsptr++;
    startfile(filestack[fsptr], f, name);
    placestale = true;
}

// ----------------------------------------------------------------- tokens

// The rows of tokentable by the first character of their word, so that an
// identifier is compared only with the keywords that start like it and have
// its length.
struct keywordrows {
    int count[256] = {};
    unsigned char row[256][NTOKENWORDS];
    size_t length[NTOKENWORDS];
    keywordrows()
    {
        for (int i = 0; i < NTOKENWORDS - 1; i++) {
            auto c = static_cast<unsigned char>(tokentable[i].tokenword[0]);
            row[c][count[c]++] = static_cast<unsigned char>(i);
            length[i] = std::strlen(tokentable[i].tokenword);
        }
    }
};
static const keywordrows keywords;

// The keyword code of the n characters at s, 0 for an identifier.
static int keyword(const char *s, size_t n)
{
    auto c = static_cast<unsigned char>(s[0]);
    for (int k = 0; k < keywords.count[c]; k++) {
        int i = keywords.row[c][k];
        if (keywords.length[i] == n && std::memcmp(tokentable[i].tokenword, s, n) == 0)
            return static_cast<unsigned char>(tokentable[i].token);
    }
    return 0;
}

int str2tok() { return keyword(identbuf, std::strlen(identbuf)); }

// Ends the identifier that character c delimited. True when c was held back
// behind a macro's text, so that the macro stands where its name stood.
static bool finishident(int c)
{
    if (iptr == 0)
        return false;
    identbuf[iptr] = 0;
    int code = str2tok();
    if (code == TDEFINE && macroptr == 0) {
        clearident();
        define();
        return false;
    }
    if (code == TINCLUDE) {
        clearident();
        include();
        return false;
    }
    if (code != 0) {
        clearident();
        enqueue(code);
        return false;
    }
    if (identbuf[0] == '%') {
        if (const macrodef *m = macrosearch(identbuf + 1)) {
            clearident();
            if (macroptr >= MACRODEPTH)
                return false;
            expanded += static_cast<int64_t>(m->def.size()) + 1;
            if (expanded > MACROTEXTLIMIT) {  // macros calling each other many times over
                v_err("macro expansion too long, reading stopped", "", "");
                v_stat = 1;
                closeall();
                return false;
            }
            macrostack[++macroptr] = {m->def.c_str(), c};
            return true;
        }
    }
    enqueue(TIDENT);                  // the text stays until the token is consumed
    return false;
}

static const char *charname(int c)
{
    static char one[2];
    switch (c) {
    case '\t': return "tab";
    case '\n': return "new line";
    case '\r': return "CR";
    case EOFCH: return "EOF";
    default:
        one[0] = static_cast<char>(c);
        one[1] = 0;
        return one;
    }
}

void (*warnhook)(const char *place, const char *what, const char *state) = nullptr;

void warn(int c, int state)
{
    static const char *const states[] = {"outside quotes/comments", "within quotes",
                                         "within comments"};
    char place[INCNAMESIZE + 24] = "";
    if (fsptr >= 0) {                 // a line end or the end was counted already
        const fileinf &f = filestack[fsptr];
        int line = f.f_line - (c == '\n' || c == EOFCH ? 1 : 0);
        std::snprintf(place, sizeof place, "%s:%d: ", f.f_name.c_str(), line < 1 ? 1 : line);
    }
    v_warncount++;
    if (warnhook != nullptr)
        warnhook(place, charname(c), states[state >= 0 && state <= 2 ? state : 0]);
    v_linef(MSGCORE, "%s%s warning: %s %s", place, file_operation, charname(c),
            states[state >= 0 && state <= 2 ? state : 0]);
}

static void addident(int c)
{
    if (iptr < IDENTSIZE - 1) {
        identbuf[iptr++] = static_cast<char>(c);
        identbuf[iptr] = 0;
    } else {
        readerr("identifier truncated: ", identbuf);
    }
}

static void plain(int c)
{
    switch (c) {
    case EOFCH:
        if (!finishident(c))
            endfile();
        return;
    case ' ':
    case '\t':
    case '\r':
        finishident(c);
        return;
    case '\n':
        if (finishident(c))
            return;
        countline();
        if (lfret)
            enqueue(TLINEEND);
        return;
    case '"':
        if (finishident(c))
            return;
        enqueue(TQUOTE);
        istate = 1;
        ccount = 0;
        return;
    case '{':
        if (finishident(c))
            return;
        istate = 2;
        ccount = 0;
        return;
    case '}':
        if (finishident(c))
            return;
        warn(c, 0);
        enqueue(c);
        return;
    default:
        break;
    }
    if (identchar(c)) {
        addident(c);
        // The rest of a word comes straight from the file: a round of the
        // queue per character would cost more than the word itself. The
        // character that ends it stays in the file's buffer.
        if (macroptr == 0 && pushback == NOCHAR && fsptr >= 0) {
            fileinf &f = filestack[fsptr];
            for (int d; (d = peekfile(f)) != EOFCH && d != 255 && identchar(d); f.at++)
                addident(d);
        }
        return;
    }
    if (finishident(c))
        return;
    enqueue(c);
}

static void quoted(int c)
{
    switch (c) {
    case '"':
        istate = 0;
        if (ccount > 80)
            readerr("warning: very long quoted string", "");
        enqueue(TQUOTE);
        return;
    case '\n':
        ccount++;
        countline();
        if (lfret) {
            warn(c, 1);
            enqueue(TLINEEND);
            istate = 0;
        }
        return;
    case '\t':
    case '\r':
        ccount++;
        warn(c, 1);
        return;
    case '{':
    case '|':
    case '}':
        ccount++;
        warn(c, 1);
        enqueue(c);
        return;
    case EOFCH:
        warn(c, 1);
        istate = 0;                   // a quote never runs on into the including file
        endfile();
        return;
    default:
        ccount++;
        enqueue(c);
    }
}

static void comment(int c)
{
    switch (c) {
    case '}':
        istate = 0;
        if (ccount > 300)
            readerr("warning: very long comment", "");
        return;
    case '{':
    case '|':
        ccount++;
        warn(c, 2);
        return;
    case '\n':
        ccount++;
        countline();
        if (lfret)
            warn(c, 2);
        return;
    case EOFCH:
        warn(c, 2);
        istate = 0;                   // nor does a comment
        endfile();
        return;
    default:
        ccount++;
    }
}

static void replenish()
{
    qreset();
    if (fsptr >= 0 && stopping()) {   // the interrupt key or an ending signal
        v_err("reading interrupted", "", "");
        v_stat = 1;
        closeall();
    }
    if (fsptr < 0) {
        macrofree();
        pushback = NOCHAR;
        enqueue(TEOF);
        return;
    }
    int c = getone();
    if (istate == 1)
        quoted(c);
    else if (istate == 2)
        comment(c);
    else
        plain(c);
}

static void fill()
{
    while (tokenq.length == 0)
        replenish();
}

int v_peep()
{
    fill();
    return static_cast<unsigned char>(tokenq.queue[tokenq.head]);
}

void v_next()
{
    fill();
    if (static_cast<unsigned char>(tokenq.queue[tokenq.head]) == TIDENT)
        clearident();
    tokenq.head = (tokenq.head + 1) % TOKQSIZE;
    tokenq.length--;
    fill();
}

// What a run does with each byte, outside quotes (row 0) and within them.
enum : unsigned char { RSELF, RSKIP, RWORD, RQUOTE, RSTOP };
static constexpr std::array<std::array<unsigned char, 256>, 2> runkind = [] {
    std::array<std::array<unsigned char, 256>, 2> t{};
    for (int c = 0; c < 256; c++) {
        t[0][c] = (charkind[c] & KWORD) != 0 ? RWORD : RSELF;
        t[1][c] = RSELF;
    }
    for (int c : {' ', '\t', '\r'})
        t[0][c] = RSKIP;
    for (unsigned char c : {'\n', '{', '}', '%', '\xff'})
        t[0][c] = RSTOP;
    for (unsigned char c : {'\n', '\t', '\r', '{', '|', '}', '\xff'})
        t[1][c] = RSTOP;
    t[0]['"'] = t[1]['"'] = RQUOTE;
    // Control bytes go through the queue: some of them are token codes
    // (TIDENT, TEOF), which a run could not tell from the character.
    for (int c = 0; c < ' '; c++)
        for (int state = 0; state < 2; state++)
            if (t[static_cast<size_t>(state)][static_cast<size_t>(c)] == RSELF)
                t[static_cast<size_t>(state)][static_cast<size_t>(c)] = RSTOP;
    return t;
}();

// The tokens that follow the token at the head of the queue on its line, up
// to max of them, straight from the file's buffer into out: words, the
// characters that stand for themselves, and quote marks with the ordinary
// characters between them, each the token the queue would hand out, except
// that characters each their own token come together as RUNCHARS ("|"
// outside quotes always comes alone). Asked to
// merge, the run also puts into RUNCHARS the words that are no keywords and
// the quote marks: every token but "|" whose text a reader copies as it is.
// A blank outside quotes ends a RUNCHARS. The run stops before
// whatever the queue must see itself: a line end, a comment or brace, a
// macro or directive, a word too long or running on past the buffer, a
// quote long enough to be warned about, a character warned about, the
// file's end. Nothing is taken unless the head is the queue's only token,
// read from the file itself (no macro text pending). Returns how many were
// taken.
int v_run(runtoken *out, int max, bool merge)
{
    if (max < 2 || istate == 2 || tokenq.length != 1 || macroptr != 0 || pushback != NOCHAR ||
        fsptr < 0)
        return 0;
    fileinf &f = filestack[fsptr];
    if (peekfile(f) == EOFCH)         // the words of an earlier run are used: the buffer may be read again
        return 0;
    const unsigned char *p = f.at;
    const unsigned char *const end = f.end;
    int state = istate;
    int count = ccount;
    int n = 0;
    const unsigned char *span = nullptr;  // where the RUNCHARS being gathered start
    auto endspan = [&]() {
        if (span != nullptr)
            out[n++] = {RUNCHARS, reinterpret_cast<const char *>(span), static_cast<int>(p - span)};
        span = nullptr;
    };
    auto token = [&](int code, const unsigned char *text, size_t len) {
        endspan();
        out[n++] = {code, reinterpret_cast<const char *>(text), static_cast<int>(len)};
    };
    while (n < max - 1 && p < end) {
        int c = *p;
        switch (runkind[static_cast<size_t>(state)][c]) {
        case RSELF:
            if (state == 0 && c == '|') {
                token(c, nullptr, 0);
            } else {
                count += state;       // characters within quotes are counted
                if (span == nullptr)
                    span = p;
            }
            p++;
            continue;
        case RSKIP:
            endspan();
            p++;
            continue;
        case RQUOTE:
            if (state == 1 && count > 80)
                break;                // the queue warns about it
            if (state == 0)
                count = 0;
            state = 1 - state;
            if (!merge)
                token(TQUOTE, nullptr, 0);
            else if (span == nullptr)
                span = p;
            p++;
            continue;
        case RWORD: {
            const unsigned char *w = p + 1;
            while (w < end && identchar(*w))
                w++;
            // A word is handed out with what the character after it does:
            // that character warned about, counted as a line end or ending
            // the file leaves the word to the queue.
            if (w == end || w - p >= IDENTSIZE || *w == '}' || *w == '\n' || *w == 255)
                break;
            auto len = static_cast<size_t>(w - p);
            int code = keyword(reinterpret_cast<const char *>(p), len);
            if (merge && code == 0) {
                if (span == nullptr)
                    span = p;
            } else {
                token(code != 0 ? code : TIDENT, p, len);
            }
            p = w;
            continue;
        }
        default:
            break;
        }
        break;
    }
    endspan();
    istate = state;
    ccount = count;
    f.at = p;
    return n;
}

// The ordinary characters of quoted text that follow the token at the head
// of the queue, up to max of them, straight from the file into out (the
// character that ends them stays in the file): they are the tokens the
// queue would hand out one by one, each its own character, all on the
// head's line. Nothing is taken unless the head is the queue's only token,
// read in quoted text from the file itself (no macro text pending). Returns
// how many were taken.
int v_quoted(char *out, int max)
{
    if (istate != 1 || tokenq.length != 1 || macroptr != 0 || pushback != NOCHAR || fsptr < 0)
        return 0;
    fileinf &f = filestack[fsptr];
    if (peekfile(f) == EOFCH)
        return 0;
    const unsigned char *p = f.at;
    int n = 0;
    for (; n < max && p < f.end; p++) {
        unsigned char d = *p;
        if (d == 255 || d == '"' || d == '\n' || d == '\t' || d == '\r' || d == '{' || d == '|' || d == '}')
            break;
        out[n++] = static_cast<char>(d);
    }
    f.at = p;
    ccount += n;
    return n;
}

const char *tok2str(int token)
{
    static char outbuf[TOKSTRSIZE];
    switch (token) {
    case TIDENT:
        std::snprintf(outbuf, sizeof outbuf, "identifier: %s", identbuf);
        return outbuf;
    case TQUOTE:
        return "quote";
    case TEOF:
        return "EOF";
    case TLINEEND:
        return "linefeed";
    default:
        break;
    }
    for (int i = 0; i < NTOKENWORDS - 1; i++)
        if (static_cast<unsigned char>(tokentable[i].token) == token) {
            std::snprintf(outbuf, sizeof outbuf, "token: %s", tokentable[i].tokenword);
            return outbuf;
        }
    std::snprintf(outbuf, sizeof outbuf, "char '%c'", token);
    return outbuf;
}

bool openfile(const char *name, int lfr)
{
    closeall();
    istate = 0;
    ccount = 0;
    clearident();
    qreset();
    lfret = lfr;
    expanded = 0;
    inclusions = 0;
    included = 0;
    std::FILE *f = fopenregular(name);
    if (f == nullptr) {
        v_err("unable to open file: ", name, "");
        v_stat = 1;
        enqueue(TEOF);
        return false;
    }
    fsptr = 0;
    startfile(filestack[0], f, name);
    fill();
    return true;
}

// TSTINPUT: every token of a file as a line of corefile 7.
void testinput()
{
    file_operation = "test input";
    file_position[0] = 0;
    try {
        if (!openfile(curfile, 1))
            return;
        for (int t; (t = v_peep()) != TEOF; v_next())
            v_line(MSGCORE, 0, tok2str(t));
        v_line(MSGCORE, 0, "end of input");
        closeall();
    } catch (const std::exception &) {  // nothing thrown reaches the editor
        closeall();
        v_err("out of memory", "", "");
        del = 2;
    }
}

// A description held in memory, read by a reader of files (for fuzzing):
// the text goes to a scratch file that is removed afterwards.
bool readthrough(const char *text, size_t len, const std::function<void(const char *)> &reader)
{
    char name[] = "/tmp/kelreadXXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < len) {
        ssize_t n = write(fd, text + done, len - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    bool written = done == len;
    close(fd);
    if (written)
        reader(name);
    closeall();
    unlink(name);
    return written;
}
