// The lexicon: the terminals file, the lexicon files with their encoded entry
// records, the listing of the records, attribute agreement between a leaf and
// a record, and the frequency-weighted choice of a leaf's word.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory_resource>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <string_view>
#include <unordered_map>
#include <vector>
#include "engine/engine.h"
#include "commands/commands.h"
#include "screen/screen.h"

std::string terminal_table[NTERMINALS];
int terminal_count;
std::unique_ptr<recnode *[]> dictionary;
int dictterm = -1;
recnode *nodearray[NCANDIDATES];
int prob_array[NCANDIDATES];
int numnodes, prob_tot;
lex_comp lexatt[NLEXATT];
int lexatt_index;
int newM;
char dictbuf[DICTBUFSIZE];
int dictptr;
char attribarray[NATTRIBARRAY][ATTRIBSIZE];
long numentries, numerrors;
recnode *restoredlexarray[NRESTORED];
int lastrestored = -1;
constinit t_dict_lookup dict_table[NDICTSLOTS];
int d_table_count;

// The loaded lexicon's entries, each node with its record after it, lie in
// a store given back all together; a node of the store owns nothing, so
// none is destroyed by itself. A big lexicon file's entries go first into
// whole huge pages (when the system has them): hundreds of page faults
// would cost more than reading the file. The restored entries are owned
// one by one. The lists above only point into these.
namespace {
struct hugeblock {
    char *at = nullptr;
    size_t size = 0;
    hugeblock() = default;
    hugeblock(const hugeblock &) = delete;
    hugeblock &operator=(const hugeblock &) = delete;
    ~hugeblock() { clear(); }
    void clear()
    {
        if (at != nullptr)
            munmap(at, size);
        at = nullptr;
        size = 0;
    }
    // At least n bytes on a huge page boundary; false if none could be had.
    bool map(size_t n)
    {
        clear();
        size = (n + HUGEPAGE - 1) / HUGEPAGE * HUGEPAGE;
        void *m = mmap(nullptr, size + HUGEPAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                       -1, 0);
        if (m == MAP_FAILED) {
            size = 0;
            return false;
        }
        auto start = reinterpret_cast<uintptr_t>(m);
        uintptr_t aligned = (start + HUGEPAGE - 1) / HUGEPAGE * HUGEPAGE;
        if (aligned > start)
            munmap(m, aligned - start);
        munmap(reinterpret_cast<void *>(aligned + size), start + HUGEPAGE - aligned);
        at = reinterpret_cast<char *>(aligned);
        madvise(at, size, MADV_HUGEPAGE);
        return true;
    }
};
}  // namespace
static hugeblock lexhuge;
static std::optional<std::pmr::monotonic_buffer_resource> lexrecords;
static long lexentries;               // entries in the store
static std::vector<std::unique_ptr<recnode>> restoredstore;

// A lookup's candidates kept for the next lookup that asks the same.
struct candlist {
    std::vector<uint32_t> place;      // the entries' numbers in termindex::entries, newest first
    std::vector<int> total;           // running totals of their frequencies
    uint64_t freqs = 0;               // termindex::freqs when the totals were added up
    bool byfreq = false;              // restrictions read field 4, so the list itself may change
};

// Per terminal, its entries oldest first and their field 3 decoded: the count
// of compound attributes, then each one's sign, segment count, and type and
// value bytes. Entries whose field 3 does not fit are matched on the text.
struct termindex {
    std::vector<recnode *> entries;
    std::vector<uint32_t> at;         // where an entry's code starts in codes
    std::string codes;
    std::vector<uint32_t> freqat;     // where field 4 starts in each entry's record
    std::vector<int> freq;            // the frequency written there
    // The text that a mandated word is compared with (from the record's
    // second character to the next quote mark) and the newest entry that has
    // it; each entry's `sameword` is the next older one with its text. An
    // entry whose text runs into field 4, which frequency adjustments
    // rewrite, is in `loose` instead and tried for every word.
    std::unordered_map<std::string_view, uint32_t> words;
    bool worded = false;              // words and sameword are made (at the first lookup by word)
    std::vector<uint32_t> sameword;
    std::vector<uint32_t> loose;
    std::unordered_map<std::string, candlist> choices;  // by what candidates() asks
    uint64_t freqs = 0;               // raised when a frequency of the terminal changes
};
inline constexpr uint32_t NOCODE = UINT32_MAX;
static std::vector<termindex> lexindex;
static std::unordered_map<std::string_view, int> terminalindex;  // names in terminal_table
static int lastterminal = -1;         // the terminal found last, tried first
static size_t keptcandidates;         // candidates held in every terminal's choices
static size_t keptlists;
inline constexpr long PROGRESSENTRIES = 10000;  // entries read between progress lines

static const unsigned char *ubytes(const char *s) { return reinterpret_cast<const unsigned char *>(s); }

// -------------------------------------------------------------- terminals

void clear_terminals()
{
    terminalindex.clear();
    for (int i = 0; i < terminal_count; i++)
        std::string().swap(terminal_table[i]);
    terminal_count = 0;
    lastterminal = -1;
}

int lookup_terminal(const char *name)
{
    if (name == nullptr)
        return -1;
    std::string_view want(name, std::strcspn(name, "|"));
    if (lastterminal >= 0 && lastterminal < terminal_count && terminal_table[lastterminal] == want)
        return lastterminal;
    auto found = terminalindex.find(want);
    return found != terminalindex.end() ? lastterminal = found->second : -1;
}

void read_terminals(const char *filename)
{
    file_operation = "terminals input";
    file_position[0] = 0;
    v_stat = 0;
    if (!openfile(filename, 0))
        return;
    for (int tok; (tok = v_peep()) != TEOF; v_next()) {
        if (tok != TIDENT) {
            v_err("Unexpected symbol", tok2str(tok), "");
            continue;
        }
        if (lookup_terminal(identbuf) >= 0)
            v_err("Repeated terminal", identbuf, "");
        else if (terminal_count >= NTERMINALS)
            v_err("Too many terminals", identbuf, "");
        else {
            terminal_table[terminal_count] = identbuf;
            terminalindex.emplace(terminal_table[terminal_count], terminal_count);
            terminal_count++;
        }
    }
    closeall();                       // later messages are about no file
}

// ------------------------------------------------------------ lexicon store

// The store emptied, the first file to be read into it of filesize bytes.
static void newstore(int64_t filesize)
{
    lexentries = 0;
    lexrecords.emplace(static_cast<size_t>(RECORDBLOCK));  // before the huge block it used goes
    lexhuge.clear();
    if (filesize >= HUGESTOREMIN && lexhuge.map(static_cast<size_t>(filesize)))
        lexrecords.emplace(lexhuge.at, lexhuge.size);
}

void initdict()
{
    newstore(0);
    lexindex.clear();
    keptcandidates = keptlists = 0;
    dictterm = terminal_count;
    lexindex.resize(static_cast<size_t>(std::max(dictterm, 0)));
    dictionary = std::make_unique<recnode *[]>(static_cast<size_t>(dictterm > 0 ? dictterm : 1));
}

void clearlexicon()
{
    lt_cleanup(0);                    // a suspended transformation holds places in the lists
    clear_SE_PRE(1);                  // so do the generated trees' lookups and the preselection
    dictionary.reset();
    newstore(0);
    lexindex.clear();
    lexindex.shrink_to_fit();
    keptcandidates = keptlists = 0;
    dictterm = -1;
    numerrors = 0;
    numnodes = prob_tot = 0;
}

void clearrecoveredlexicon()
{
    restoredstore.clear();
    std::fill(std::begin(restoredlexarray), std::end(restoredlexarray), nullptr);
    lastrestored = -1;
}

const char *fourdigits(int n)
{
    static char digits[5];
    n = std::clamp(n, 0, MAXFREQ);
    for (int i = 3; i >= 0; i--, n /= 10)
        digits[i] = static_cast<char>('0' + n % 10);
    return digits;
}

void d_err(const char *m1, const char *m2)
{
    if (++numerrors <= NLEXERRORS)
        v_err(m1, m2, "");
}

const char *getfieldptr(const char *record, int n)
{
    if (record == nullptr)
        return "";
    const char *s = record;
    for (int field = 1; field < n; field++) {
        s = fieldend(s, field);
        if (*s == 0)
            return s;
        s++;
    }
    return s;
}

// The frequency in field 4; an empty or missing field counts 0.
static int digits(const char *f)
{
    int n = 0;
    for (; *f >= '0' && *f <= '9' && n <= MAXFREQ; f++)
        n = n * 10 + (*f - '0');
    return std::min(n, MAXFREQ);
}

static int frequency(const char *record) { return digits(getfieldptr(record, 4)); }

// ------------------------------------------------------------ reading

namespace {

// One line of a lexicon file being turned into a record.
struct entryreader {
    int field = 1;
    int separators = 0;
    bool any = false;                 // some token came on the line
    bool toolong = false;
    bool failed = false;              // an error was reported: the entry is dropped
    char terminal[IDENTSIZE] = "";
    int termlen = 0;
    int poslen = 0;                   // characters of file_position
    int ncomp = 0;                    // compound attributes collected
    int complen[NATTRIBARRAY] = {};
    bool freqseen = false;

    void put(unsigned char c)
    {
        if (dictptr >= DICTBUFSIZE - 1) {
            toolong = true;
            return;
        }
        dictbuf[dictptr++] = static_cast<char>(c);
    }
    void puts(const char *s)
    {
        for (; *s; s++)
            put(static_cast<unsigned char>(*s));
    }
    void puts(const char *s, size_t n)
    {
        if (n == 0)
            return;                   // a token of no text may come without one
        if (n > static_cast<size_t>(DICTBUFSIZE - 1 - dictptr)) {
            toolong = true;           // the entry is dropped: what is kept does not matter
            return;
        }
        std::memcpy(dictbuf + dictptr, s, n);
        dictptr += static_cast<int>(n);
    }
    void position(const char *s, size_t n)
    {
        for (size_t i = 0; i < n && poslen < FILEPOSSIZE - 1; i++)
            file_position[poslen++] = s[i];
        file_position[poslen] = 0;
    }
    void compchar(unsigned char c)
    {
        if (ncomp >= NATTRIBARRAY) {
            toolong = true;
            return;
        }
        if (complen[ncomp] >= ATTRIBSIZE - 1) {
            toolong = true;
            return;
        }
        attribarray[ncomp][complen[ncomp]++] = static_cast<char>(c);
    }
    void closecomp()
    {
        if (ncomp < NATTRIBARRAY && complen[ncomp] > 0)
            ncomp++;
    }
    // The compound attributes in order of their first type, each and a blank.
    // Equal first types keep their order: the sort key ends with the place.
    void writeattributes()
    {
        int order[NATTRIBARRAY];
        for (int i = 0; i < ncomp; i++) {
            const char *a = attribarray[i];
            const void *m = std::memchr(a, ATTRMARK, static_cast<size_t>(complen[i]));
            const char *p = static_cast<const char *>(m);
            int type = p != nullptr && p + 1 < a + complen[i] ? static_cast<unsigned char>(p[1]) : 0;
            order[i] = type * NATTRIBARRAY + i;
        }
        std::sort(order, order + ncomp);
        for (int i = 0; i < ncomp; i++) {
            int c = order[i] % NATTRIBARRAY;
            puts(attribarray[c], static_cast<size_t>(complen[c]));
            put(' ');
        }
    }
    void separator()
    {
        if (field == 3) {
            closecomp();
            writeattributes();
        } else if (field == 4 && !freqseen) {
            puts(fourdigits(1));
        }
        put('|');
        separators++;
        field++;
    }
    void attribute(int tok, const char *word)
    {
        if (tok == TIDENT) {
            if (!lookup_attr(word)) {
                d_err("Unknown attribute", word);
                failed = true;
                return;
            }
            compchar(ATTRMARK);
            compchar(static_cast<unsigned char>(att_class));
            compchar(att_value == -1 ? TYPEONLY : static_cast<unsigned char>(att_value));
        } else if (tok == '.' || tok == '<' || tok == '>') {
            compchar(static_cast<unsigned char>(tok));
        } else if (tok == ',') {
            closecomp();
        } else {
            d_err("Unexpected character in attribute field", tok2str(tok));
            failed = true;
        }
    }
    // A token; an identifier's characters are the n at word. Past field 4
    // every token is copied as it is.
    void token(int tok, const char *word, size_t n)
    {
        any = true;
        if (tok == '|')
            separator();
        else if (field <= 4)
            leading(tok, word, n);
        else if (tok == TIDENT)
            puts(word, n);
        else
            put(static_cast<unsigned char>(tok));
    }
    // Characters that are each a token, or past field 4 the text of tokens.
    void chars(const char *text, size_t n)
    {
        if (field > 4) {
            any = true;
            puts(text, n);
            return;
        }
        for (size_t i = 0; i < n && !failed; i++)
            token(static_cast<unsigned char>(text[i]), nullptr, 0);
    }
    void leading(int tok, const char *word, size_t n)
    {
        char text[IDENTSIZE];           // an attribute or frequency with its ending zero
        if (tok == TIDENT && field >= 3) {
            n = std::min(n, sizeof text - 1);
            std::memcpy(text, word, n);
            text[n] = 0;
        }
        switch (field) {
        case 1:
            if (tok == TIDENT) {
                puts(word, n);
                position(word, n);
            } else {
                put(static_cast<unsigned char>(tok));
                char c = static_cast<char>(tok);
                position(&c, tok != 0 ? 1 : 0);  // a zero byte ends nothing
            }
            break;
        case 2:
            if (tok == TIDENT) {
                puts(word, n);
                for (size_t i = 0; i < n && termlen < IDENTSIZE - 1; i++)
                    terminal[termlen++] = word[i];
                terminal[termlen] = 0;
            } else {
                put(static_cast<unsigned char>(tok));
            }
            break;
        case 3:
            attribute(tok, text);
            break;
        default:
            if (tok == TIDENT && !freqseen) {
                freqseen = true;
                puts(fourdigits(static_cast<int>(std::min(std::atol(text), 99999L))));
            }
            break;
        }
    }
};

}  // namespace

// The sign of the compound attribute at s: its "<" or ">", else a blank.
static int compsign(const unsigned char *s)
{
    while (*s && *s != ' ' && *s != '|') {
        if (*s == ATTRMARK && s[1] && s[2]) {
            s += 3;
            continue;
        }
        if (*s == '<' || *s == '>')
            return *s;
        s++;
    }
    return ' ';
}

// Field 3 of a record (at field3) added to codes in the decoded form of
// termindex::codes; false, with nothing added, when it does not fit that form.
static bool encodeattrs(const char *field3, std::string &code)
{
    locate_comp(field3);
    size_t start = code.size();
    code += static_cast<char>(lexatt_index);
    for (int k = 0; k < lexatt_index; k++) {
        if (lexatt[k].count > 255 || lexatt_index >= NLEXATT) {
            code.resize(start);
            return false;
        }
        const unsigned char *p = ubytes(lexatt[k].start);
        code += static_cast<char>(compsign(p));
        code += static_cast<char>(lexatt[k].count);
        for (int i = 0; i < lexatt[k].count; p++) {
            if (*p == ATTRMARK && p[1] && p[2]) {
                code += static_cast<char>(p[1]);
                code += static_cast<char>(p[2]);
                p += 2;
                i++;
            }
        }
    }
    return true;
}

static recnode *newentry(const char *record)
{
    auto node = std::make_unique<recnode>();
    node->recordptr = v_strdup(record);
    return node.release();
}

// An entry of the loaded lexicon, its record in the store.
static recnode *newlexentry(const char *record)
{
    size_t n = std::strlen(record) + 1;
    void *entry = lexrecords->allocate(sizeof(recnode) + n, alignof(recnode));
    char *text = static_cast<char *>(entry) + sizeof(recnode);
    std::memcpy(text, record, n);
    lexentries++;
    return new (entry) recnode{nullptr, recordtext(text, recordfree(false))};
}

// The text of a record that a mandated word is compared with.
static std::string_view wordtext(const char *record)
{
    const char *s = record[0] != 0 ? record + 1 : record;
    const char *e = s;
    while (*e && *e != '"')
        e++;
    return {s, static_cast<size_t>(e - s)};
}

static void forgetchoices(termindex &ix)
{
    for (const auto &[key, c] : ix.choices)
        keptcandidates -= c.place.size();
    keptlists -= ix.choices.size();
    ix.choices.clear();
}

void dropchoices()
{
    for (termindex &ix : lexindex)
        forgetchoices(ix);
}

// An entry under its word, or among the loose ones.
static void indexword(termindex &ix, uint32_t place)
{
    const char *record = ix.entries[place]->recordptr.get();
    std::string_view word = wordtext(record);
    if (word.data() + word.size() <= record + ix.freqat[place]) {
        auto [w, fresh] = ix.words.try_emplace(word, place);
        ix.sameword.push_back(fresh ? NOCODE : w->second);
        w->second = place;
    } else {
        ix.sameword.push_back(NOCODE);
        ix.loose.push_back(place);
    }
}

// The index of words, made when a terminal is first searched by word.
static termindex &worded(termindex &ix)
{
    if (!ix.worded) {
        ix.words.reserve(ix.entries.size());
        for (uint32_t place = 0; place < ix.entries.size(); place++)
            indexword(ix, place);
        ix.worded = true;
    }
    return ix;
}

// A terminal's entries in storing order with their decoded field 3, side by
// side so that a search over them reads memory in order.
static void indexentry(int t, recnode *node)
{
    termindex &ix = lexindex[static_cast<size_t>(t)];
    forgetchoices(ix);                // every kept list may gain the entry
    auto place = static_cast<uint32_t>(ix.entries.size());
    node->terminal = t;
    ix.entries.push_back(node);
    const char *record = node->recordptr.get();
    const char *field3 = getfieldptr(record, 3);
    auto at = static_cast<uint32_t>(ix.codes.size());
    ix.at.push_back(encodeattrs(field3, ix.codes) ? at : NOCODE);
    const char *field4 = fieldend(field3, 3);
    if (*field4 != 0)
        field4++;
    ix.freqat.push_back(static_cast<uint32_t>(field4 - record));
    ix.freq.push_back(digits(field4));
    if (ix.worded)
        indexword(ix, place);
}

inline constexpr int TOKENRUN = 64;   // tokens taken from the reader at once

int readentry(int linktolexicon)
{
    entryreader e;
    dictptr = 0;
    file_position[0] = 0;
    pinplace();                       // messages about the entry name its line
    for (;;) {
        int tok = v_peep();
        if (tok == TEOF)
            break;
        if (tok == TLINEEND) {
            v_next();
            break;
        }
        if (!e.failed)
            e.token(tok, identbuf, tok == TIDENT ? std::strlen(identbuf) : 0);
        // The tokens after it on the line come in runs straight from the
        // file; past field 4 they come as the text to copy.
        runtoken run[TOKENRUN];
        for (int n; (n = v_run(run, TOKENRUN, e.field > 4)) > 0;)
            for (int i = 0; i < n && !e.failed; i++) {
                const runtoken &r = run[i];
                if (r.code == RUNCHARS)
                    e.chars(r.text, static_cast<size_t>(r.len));
                else
                    e.token(r.code, r.text, static_cast<size_t>(r.len));
            }
        v_next();
    }
    dictbuf[dictptr] = 0;
    if (!e.any || e.failed)
        return 0;
    if (e.separators < 2) {
        d_err("Entry has fewer than two complete fields", "");
        return 0;
    }
    while (e.separators < NSEPARATORS) {
        e.put('|');
        e.separators++;
    }
    if (dictptr > 0 && dictbuf[dictptr - 1] != '|')
        e.put('|');
    if (e.toolong) {
        d_err("Entry is too long", "");
        return 0;
    }
    dictbuf[dictptr] = 0;
    const char *record = dictbuf;
    if (record[0] == '\\' && record[1] == 'r')
        record += 2;
    if (linktolexicon) {
        int t = lookup_terminal(e.terminal);
        if (t < 0 || t >= dictterm || !dictionary) {
            d_err("Terminal not found:", e.terminal);
            return 0;
        }
        recnode *node = newlexentry(record);
        node->previous = dictionary[t];
        dictionary[t] = node;
        indexentry(t, node);
        return 1;
    }
    if (lastrestored >= NRESTORED - 1) {
        d_err("Too many restored entries", "");
        return 0;
    }
    recnode *node = newentry(record);
    restoredstore.emplace_back(node);
    node->previous = lastrestored >= 0 ? restoredlexarray[lastrestored] : nullptr;
    restoredlexarray[++lastrestored] = node;
    return 1;
}

void readdict(const char *filename)
{
    file_operation = "lexicon input";
    file_position[0] = 0;
    v_stat = 0;
    numentries = 0;
    numerrors = 0;
    if (dictterm < 0)
        initdict();
    if (!openfile(filename, 1))
        return;
    struct stat st;
    if (lexentries == 0 && fsptr == 0 && fstat(fileno(filestack[0].fptr), &st) == 0)
        newstore(st.st_size);
    while (v_peep() != TEOF) {
        if (readentry(1) && ++numentries % PROGRESSENTRIES == 0) {
            char msg[ENGLINESIZE];
            std::snprintf(msg, sizeof msg, "Lexical Entries Processed: %ld", numentries);
            progress(msg);
        }
    }
    file_position[0] = 0;
    v_linef(MSGCORE, "Total Words: %ld. Number of Errors: %ld", numentries, numerrors);
    closeall();                       // later messages are about no file
}

int readlexicon(const char *text, size_t len)
{
    return readthrough(text, len, readdict) ? static_cast<int>(numentries) : 0;
}

// ------------------------------------------------------------ listing

// A record as a line: the value byte of a segment naming only a type is
// shown as that type's name, so that no byte 255 reaches a corefile.
std::string showrecord(const char *record)
{
    std::string line;
    if (record == nullptr)
        return line;
    const unsigned char *p = ubytes(record);
    int field = 1;
    while (*p) {
        if (field == 3 && *p == ATTRMARK && p[1] && p[2]) {
            line += static_cast<char>(p[0]);
            line += static_cast<char>(p[1]);
            if (p[2] == TYPEONLY)
                line += att_get_name(p[1], -1);
            else
                line += static_cast<char>(p[2]);
            p += 3;
            continue;
        }
        if (*p == '|')
            field++;
        line += *p == TYPEONLY ? '?' : static_cast<char>(*p);
        p++;
    }
    return line;
}

void printlex()
{
    if (!dictionary)
        return;
    for (int t = 0; t < dictterm; t++)
        for (const recnode *r = dictionary[t]; r != nullptr; r = r->previous)
            v_line(MSGCORE, 0, showrecord(r->recordptr.get()));
}

// ---------------------------------------------------- attribute agreement

void locate_comp(const char *field3)
{
    lexatt_index = 0;
    const unsigned char *p = ubytes(field3);
    while (*p && *p != '|' && lexatt_index < NLEXATT) {
        if (*p == ' ') {
            p++;
            continue;
        }
        lex_comp &c = lexatt[lexatt_index++];
        c.start = reinterpret_cast<const char *>(p);
        c.count = 0;
        while (*p && *p != ' ' && *p != '|') {
            if (*p == ATTRMARK && p[1] && p[2]) {
                c.count++;
                p += 3;
            } else {
                p++;
            }
        }
    }
}

// A record's compound attribute against rows: as many segments as rows, the
// same types, and each value the record gives valid for the row's value.
// Open rows note the record's value; `noted` receives them.
static bool agrees(const unsigned char *comp, int count, const attr_row *rows, int nrows,
                   int *noted)
{
    if (count != nrows)
        return false;
    int sign = compsign(comp);
    int i = 0;
    for (const unsigned char *s = comp; i < nrows && *s && *s != ' ' && *s != '|';) {
        if (!(*s == ATTRMARK && s[1] && s[2])) {
            s++;
            continue;
        }
        int segtype = s[1], value = s[2];
        const attr_row &row = rows[i];
        if (segtype != row.type)
            return false;
        if (value != TYPEONLY) {
            if (row.value != -1) {
                if (!valid(sign, segtype, value, row.value))
                    return false;
            } else if (noted != nullptr) {
                noted[i] = value;
            }
        }
        i++;
        s += 3;
    }
    return true;
}

static int firsttype(const lex_comp &c)
{
    const unsigned char *s = ubytes(c.start);
    for (; *s && *s != ' ' && *s != '|'; s++)
        if (*s == ATTRMARK && s[1])
            return s[1];
    return 0;
}

int match_comp(int k)
{
    if (k < 0 || k >= lexatt_index)
        return 0;
    int noted[NATTRROWS];
    std::fill(std::begin(noted), std::end(noted), -1);
    if (!agrees(ubytes(lexatt[k].start), lexatt[k].count, attr, attr_index, noted))
        return 0;
    if (newM == 1)
        for (int i = 0; i < attr_index; i++)
            if (noted[i] != -1 && attr[i].ltindex >= 0 && attr[i].ltindex < NDELAY)
                lt_delayed[attr[i].ltindex].choice = noted[i];
    return 1;
}

// Some compound attribute of the located record agrees with the rows in
// attr; the search stops at a first type beyond the first row's.
static int match_located()
{
    if (attr_index == 0)
        return 1;
    for (int k = 0; k < lexatt_index; k++) {
        if (firsttype(lexatt[k]) > attr[0].type)
            return 0;
        if (match_comp(k))
            return 1;
    }
    return 0;
}

int match_attr(const char *record, attr_list list)
{
    if (list == nullptr)
        return 1;
    locate_comp(getfieldptr(record, 3));
    for (; list != nullptr; list = list->next) {
        if (newM == 1)
            lt_decompose_comp_attr(list->first);
        else
            decompose_comp_attr(list->first);
        if (!match_located())
            return 0;
    }
    return 1;
}

// As match_single_attr; the rows still open take the values that the
// agreeing compound attribute of the record gives.
int take_single_attr(const char *record)
{
    if (record == nullptr)
        return 0;
    locate_comp(getfieldptr(record, 3));
    if (attr_index == 0)
        return 1;
    for (int k = 0; k < lexatt_index; k++) {
        if (firsttype(lexatt[k]) > attr[0].type)
            return 0;
        int noted[NATTRROWS];
        std::fill(std::begin(noted), std::end(noted), -1);
        if (agrees(ubytes(lexatt[k].start), lexatt[k].count, attr, attr_index, noted)) {
            for (int i = 0; i < attr_index; i++)
                if (attr[i].value == -1 && noted[i] != -1)
                    attr[i].value = noted[i];
            return 1;
        }
    }
    return 0;
}

int match_single_attr(const char *record)
{
    if (record == nullptr)
        return 0;
    locate_comp(getfieldptr(record, 3));
    return match_located();
}

// ------------------------------------------------------------ choosing

namespace {

// The leaf's compound attributes decomposed once for a whole walk of a
// terminal's entries: nothing is written while the lexicon is searched.
struct leafrows {
    int n = 0;
    int count[NLEXATT];
    attr_row rows[NLEXATT][NATTRROWS];

    explicit leafrows(attr_list list)
    {
        for (; list != nullptr && n < NLEXATT; list = list->next, n++) {
            decompose_comp_attr(list->first);
            count[n] = attr_index;
            std::copy(attr, attr + attr_index, rows[n]);
        }
    }
    // One decoded compound attribute against rows, as agrees() does on text.
    static bool agreecode(const unsigned char *c, const attr_row *r, int nrows)
    {
        int sign = c[0];
        if (c[1] != nrows)
            return false;
        c += 2;
        for (int i = 0; i < nrows; i++, c += 2) {
            if (c[0] != r[i].type)
                return false;
            if (c[1] == TYPEONLY || r[i].value == -1 || c[1] == r[i].value)
                continue;
            if (sign == ' ' || !valid(sign, c[0], c[1], r[i].value))
                return false;
        }
        return true;
    }
    bool agree(const unsigned char *code) const
    {
        int ncomp = code[0];
        for (int j = 0; j < n; j++) {
            if (count[j] == 0)
                continue;
            bool found = false;
            const unsigned char *c = code + 1;
            for (int k = 0; k < ncomp && !found; k++, c += 2 + 2 * c[1]) {
                if (c[1] > 0 && c[2] > rows[j][0].type)
                    break;
                found = agreecode(c, rows[j], count[j]);
            }
            if (!found)
                return false;
        }
        return true;
    }
    // What agreement depends on: the types and values of the rows.
    void key(std::string &k) const
    {
        auto put = [&k](int v) { k.append(reinterpret_cast<const char *>(&v), sizeof v); };
        put(n);
        for (int j = 0; j < n; j++) {
            put(count[j]);
            for (int i = 0; i < count[j]; i++) {
                put(rows[j][i].type);
                put(rows[j][i].value);
            }
        }
    }
    bool agreetext(const char *record) const
    {
        locate_comp(getfieldptr(record, 3));
        for (int j = 0; j < n; j++) {
            bool found = count[j] == 0;
            for (int k = 0; k < lexatt_index && !found; k++) {
                if (firsttype(lexatt[k]) > rows[j][0].type)
                    break;
                found = agrees(ubytes(lexatt[k].start), lexatt[k].count, rows[j], count[j],
                               nullptr);
            }
            if (!found)
                return false;
        }
        return true;
    }
};

}  // namespace

// A mandated word without "*" matches only its own text.
static bool exact(const char *pattern) { return std::strchr(pattern, '*') == nullptr; }

// The candidates of a lookup, newest first, with the running totals of their
// frequencies. A mandated word without "*" takes the entries indexed under
// it; otherwise every entry of the terminal is tried.
static void collect(termindex &ix, const leafrows &leaf, const char *pattern, const char *fields,
                    candlist &out)
{
    out.place.clear();
    out.total.clear();
    out.freqs = ix.freqs;
    out.byfreq = fields != nullptr;
    static std::vector<uint32_t> places;   // the entries with the word, newest first
    const bool byword = pattern != nullptr && exact(pattern);
    if (byword) {
        places.clear();
        worded(ix);
        auto w = ix.words.find(std::string_view(pattern));
        for (uint32_t p = w != ix.words.end() ? w->second : NOCODE; p != NOCODE; p = ix.sameword[p])
            places.push_back(p);
        if (!ix.loose.empty()) {
            places.insert(places.end(), ix.loose.begin(), ix.loose.end());
            std::sort(places.begin(), places.end(), std::greater<>());
        }
    }
    size_t n = byword ? places.size() : ix.entries.size();
    const auto *codes = ubytes(ix.codes.data());
    // The record's text is read only for the tests that need it: most
    // searches take every entry of a terminal, and reading each entry's text
    // would cost a cache miss apiece.
    int total = 0;
    for (size_t k = 0; k < n; k++) {
        size_t i = byword ? places[k] : n - 1 - k;
        if (leaf.n > 0 && ix.at[i] != NOCODE && !leaf.agree(codes + ix.at[i]))
            continue;
        if ((leaf.n > 0 && ix.at[i] == NOCODE) || pattern != nullptr || fields != nullptr) {
            const char *record = ix.entries[i]->recordptr.get();
            if (leaf.n > 0 && ix.at[i] == NOCODE && !leaf.agreetext(record))
                continue;
            if (pattern != nullptr && !match_wild(pattern, record + 1, 0, '"'))
                continue;
            if (fields != nullptr && !match_lsp(fields, record))
                continue;
        }
        if (out.place.size() >= NCANDIDATES - 1)
            break;
        total += ix.freq[i];
        out.place.push_back(static_cast<uint32_t>(i));
        out.total.push_back(total);
    }
}

// The totals of a kept list added up again after frequencies changed.
static void retotal(const termindex &ix, candlist &c)
{
    int total = 0;
    for (size_t k = 0; k < c.place.size(); k++)
        c.total[k] = total += ix.freq[c.place[k]];
    c.freqs = ix.freqs;
}

static candlist scratchlist;           // the candidates of a lookup not kept

// The candidates of a lookup: kept per terminal by what they depend on (the
// rows of the leaf's attributes, the mandated word and the restrictions), and
// made again when the entries or their frequencies change. Lists of a
// mandated word without "*" are short and made afresh each time.
static const candlist &candidates(t_dict_lookup *lookup, int terminal)
{
    newM = 0;
    const leafrows leaf(lookup->attributes);
    const char *pattern = lookup->preferredchoice.get();
    const char *fields = lookup->fields.get();
    termindex &ix = lexindex[static_cast<size_t>(terminal)];
    if (pattern != nullptr && exact(pattern)) {
        collect(ix, leaf, pattern, fields, scratchlist);
        return scratchlist;
    }
    std::string key;
    leaf.key(key);
    key += pattern != nullptr ? '\1' : '\0';
    if (pattern != nullptr)
        key.append(pattern).push_back(0);
    if (fields != nullptr)
        key.append(fields);
    auto found = ix.choices.find(key);
    if (found != ix.choices.end()) {
        candlist &c = found->second;
        if (c.freqs != ix.freqs) {
            if (c.byfreq) {
                keptcandidates -= c.place.size();
                collect(ix, leaf, pattern, fields, c);
                keptcandidates += c.place.size();
            } else {
                retotal(ix, c);
            }
        }
        return c;
    }
    collect(ix, leaf, pattern, fields, scratchlist);
    // What is kept stays below four candidates per entry of the lexicon.
    if (keptlists >= NKEPTLISTS ||
        keptcandidates + scratchlist.place.size() > 4 * static_cast<size_t>(lexentries) + NKEPTMIN)
        dropchoices();
    keptcandidates += scratchlist.place.size();
    keptlists++;
    return ix.choices.emplace(std::move(key), scratchlist).first->second;
}

void locate_matches(t_dict_lookup *lookup, int terminal)
{
    numnodes = 0;
    prob_tot = 0;
    if (!dictionary || terminal < 0 || terminal >= dictterm)
        return;
    const candlist &c = candidates(lookup, terminal);
    const termindex &ix = lexindex[static_cast<size_t>(terminal)];
    numnodes = static_cast<int>(c.place.size());
    for (int i = 0; i < numnodes; i++) {
        nodearray[i] = ix.entries[c.place[static_cast<size_t>(i)]];
        prob_array[i] = c.total[static_cast<size_t>(i)];
    }
    prob_tot = numnodes > 0 ? prob_array[numnodes - 1] : 0;
}

// A record's frequency was rewritten: the entry's copy follows, and the
// terminal's kept lists are added up again when next used.
static void notefrequency(const char *record)
{
    int t = lookup_terminal(getfieldptr(record, 2));
    if (t < 0 || t >= static_cast<int>(lexindex.size()))
        return;
    termindex &ix = worded(lexindex[static_cast<size_t>(t)]);
    auto update = [&ix, record](uint32_t place) {
        if (ix.entries[place]->recordptr.get() != record)
            return false;
        ix.freq[place] = digits(record + ix.freqat[place]);
        ix.freqs++;
        return true;
    };
    if (auto w = ix.words.find(wordtext(record)); w != ix.words.end())
        for (uint32_t p = w->second; p != NOCODE; p = ix.sameword[p])
            if (update(p))
                return;
    for (uint32_t place : ix.loose)
        if (update(place))
            return;
}

// The first candidate whose running total exceeds a draw below the total.
static int drawn(const int *totals, int n, int total)
{
    int r = getrandom(total);
    if (r < 0)
        return -1;
    const int *t = std::upper_bound(totals, totals + n, r);
    return t < totals + n ? static_cast<int>(t - totals) : -1;
}

recnode *select_match()
{
    int i = drawn(prob_array, numnodes, prob_tot);
    return i >= 0 ? nodearray[i] : nullptr;
}

void apply_vf_single(char *record, int n)
{
    if (record == nullptr || n == -1)
        return;
    char *f = const_cast<char *>(getfieldptr(record, 4));
    if (std::strcspn(f, "|") != 4)
        return;                       // no four digits to rewrite in place
    int freq = frequency(record);
    if (n >= 0)
        freq = n;
    else if (n == -2)
        freq += 5;
    else if (n == -3)
        freq *= 2;
    else if (n == -4)
        freq /= 2;
    else
        return;
    std::memcpy(f, fourdigits(freq), 4);
    notefrequency(record);
}

void getdictent(t_dict_lookup *lookup)
{
    lookup->dictionary = nullptr;
    int t = lookup_terminal(lookup->class_.get());
    if (t < 0 || t >= dictterm) {
        lookup->error = 1;
        return;
    }
    // An entry with the tag but no pointer under it is taken only when no
    // entry has a pointer there; the widened restriction is its own key.
    auto draw = [lookup, t]() {
        const candlist &c = dictionary ? candidates(lookup, t) : scratchlist;
        int total = c.total.empty() ? 0 : c.total.back();
        int i = total > 0 ? drawn(c.total.data(), static_cast<int>(c.total.size()), total) : -1;
        return i < 0 ? nullptr : lexindex[static_cast<size_t>(t)].entries[c.place[static_cast<size_t>(i)]];
    };
    recnode *chosen = draw();
    if (chosen == nullptr && widen_clauses(lookup->fields.get(), true)) {
        chosen = draw();
        widen_clauses(lookup->fields.get(), false);
    }
    if (chosen == nullptr) {
        lookup->error = 3;
        return;
    }
    apply_vf_single(chosen->recordptr.get(), lookup->vf);
    lookup->dictionary = chosen->recordptr.get();
    lookup->error = 0;
}

void getwords(int start)
{
    for (int i = std::max(start, 0); i < d_table_count && i < NDICTSLOTS; i++) {
        t_dict_lookup &slot = dict_table[i];
        if (slot.pointed_at != 1 || slot.class_ == nullptr || slot.class_[0] == 0)
            continue;
        getdictent(&slot);
        if (slot.error == 1)
            v_err("Terminal not found:", slot.class_.get(), "");
        else if (slot.error == 3)
            v_err("No lexical entry found for", slot.class_.get(), "");
        else if (slot.dictionary != nullptr && slot.dictionary[0] == TILT)
            if (t_treenode *seq = ilt_create_lsps(slot.dictionary))
                slot.lspseq = seq;
    }
    scan_ilts();
}

// The newest entry of a terminal whose text is the word, through the index.
static const char *newestword(const termindex &ix, std::string_view word)
{
    long best = -1;
    if (auto w = ix.words.find(word); w != ix.words.end())
        best = w->second;
    for (size_t k = ix.loose.size(); k-- > 0 && static_cast<long>(ix.loose[k]) > best;) {
        const char *record = ix.entries[ix.loose[k]]->recordptr.get();
        if (record[0] != 0 && wordtext(record) == word) {
            best = ix.loose[k];
            break;
        }
    }
    return best >= 0 ? ix.entries[static_cast<size_t>(best)]->recordptr.get() : nullptr;
}

const char *exactword(const char *pattern, const recnode *list)
{
    if (pattern == nullptr || pattern[0] == 0)
        return nullptr;
    // A whole terminal asked for a word without "*": its index answers.
    if (list != nullptr && list->terminal >= 0 && list->terminal < dictterm && dictionary &&
        dictionary[list->terminal] == list) {
        std::string_view word = wordtext(pattern);
        if (word.find('*') == std::string_view::npos)
            return newestword(worded(lexindex[static_cast<size_t>(list->terminal)]), word);
    }
    for (; list != nullptr; list = list->previous) {
        const char *record = list->recordptr.get();
        if (record[0] != 0 && match_wild(pattern + 1, record + 1, '"', '"'))
            return record;
    }
    return nullptr;
}

// ------------------------------------------------------------ VFREQ

// The node that VFREQ describes is written as in a syntax rule; its lookup
// slot and the delay entries it makes are given back afterwards.
void vary_frequency(const char *text)
{
    v_linef(MSGCORE, "VF %s", text);
    int keepdelay = delayptr;
    int keepslots = d_table_count;
    t_treenode *node = string_to_node(convert_nodetext(text).c_str());
    terminal_node(node);
    int t = node != nullptr && node->dictionary != nullptr ? lookup_terminal(node->name.get()) : -1;
    if (t < 0 || t >= dictterm) {
        v_line(MSGCORE, 0, "terminal class not found");
    } else {
        fill_word(node);
        t_dict_lookup *lookup = node->dictionary;
        locate_matches(lookup, t);
        char msg[ENGLINESIZE];
        std::snprintf(msg, sizeof msg, "%d matches; <RETN> continues, <DEL> aborts", numnodes);
        if (diserr(msg) != 2)
            for (int i = 0; i < numnodes; i++)
                apply_vf_single(nodearray[i]->recordptr.get(), lookup->vf);
        if (diserr("Display matches? <RETN> yes, <DEL> no") != 2)
            for (int i = 0; i < numnodes; i++)
                v_line(MSGCORE, 0, showrecord(nodearray[i]->recordptr.get()));
        del = 0;
    }
    if (node != nullptr && node->dictionary != nullptr) {
        t_dict_lookup &slot = *node->dictionary;
        purge_attr_list(&slot.attributes);
        slot = t_dict_lookup{};
        slot.vf = -1;
    }
    purge_node(node);
    d_table_count = keepslots;
    delayptr = keepdelay;
}
