// The trees and lexicon choices of a generation written out line by line, to
// the current corefile or to the driver; the same text read back to rebuild
// the trees, lookups and sentences; a sentence sent to the driver.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "engine/engine.h"
#include "children/children.h"
#include "commands/commands.h"
#include "screen/screen.h"

int xmit;
std::string signature;

using uchar = unsigned char;

// ------------------------------------------------------------------ output

void transmit(std::string_view line)
{
    if (progstate == 1 && xmit == 1 && keloutput != nullptr) {
        std::fwrite(line.data(), 1, line.size(), keloutput);
        std::fputc('\n', keloutput);
        std::fflush(keloutput);
        return;
    }
    v_line(corenum, 0, line);
}

// A recovered file may hold named roots only: they count as a generation.
int there_has_been_no_generation()
{
    return root == nullptr &&
           std::none_of(rootPtrs + 1, rootPtrs + NROOTS, [](t_treenode *t) { return t != nullptr; });
}

void storenode(t_treenode *node, int kind)
{
    std::string line;
    if (kind == 1) {
        line += signature.empty() ? "N" : signature;
        line += "|G|";
    } else if (kind == 2) {
        line.append(2 * static_cast<size_t>(std::count(signature.begin(), signature.end(), 'S')), ' ');
    }
    line += node->name ? node->name.get() : "";
    line += '|';
    line += print_attr_list(node->attributes);
    line += '|';
    line += std::to_string(indirect_count(node->indirections));
    line += "|\"";
    line += node->morphed_word ? node->morphed_word.get() : "";
    line += "\"|";
    if (node->dictionary != nullptr)
        line += "LEX_" + std::to_string(node->index) + "|";
    else
        line += '|';
    transmit(line);
}

// Pre-order with a stack of its own: the node, its first child's subtree,
// then its next sibling's; the path grows by "S" and "R" on the way.
void storetree(t_treenode *node, int kind)
{
    std::vector<std::pair<t_treenode *, std::string>> work;
    if (node != nullptr)
        work.emplace_back(node, "");
    while (!work.empty()) {
        auto [n, path] = std::move(work.back());
        work.pop_back();
        signature = path;
        storenode(n, kind);
        if (n->sibling != nullptr && n != node)
            work.emplace_back(n->sibling, path + "R");
        if (n->son != nullptr)
            work.emplace_back(n->son, path + "S");
    }
    signature.clear();
}

void storeleafnodes(t_treenode *tree)
{
    for (t_treenode *leaf = tree ? tree->right : nullptr; leaf != nullptr; leaf = leaf->right)
        storenode(leaf, 0);
}

void storesingle(t_treenode *tree, int number, int kind)
{
    transmit((kind == 0 ? "$l " : "$t ") + std::to_string(number));
    if (kind == 0)
        storeleafnodes(tree);
    else
        storetree(tree, kind);
}

// A record made readable: field 3's encoded attributes by name (a segment
// naming only a type by the type's name), a blank ending a compound
// attribute as ", " and the last one dropped; no byte 255 is written.
std::string outputrecord(const char *record)
{
    std::string line;
    if (record == nullptr)
        return line;
    const auto *p = reinterpret_cast<const uchar *>(record);
    int field = 1;
    while (*p) {
        if (field == 3 && *p == ATTRMARK && p[1] && p[2]) {
            line += att_get_name(p[1], p[2] == TYPEONLY ? -1 : p[2]);
            p += 3;
            continue;
        }
        if (field == 3 && *p == ' ') {
            while (*p == ' ')
                p++;
            if (*p != '|' && *p != 0)
                line += ", ";
            continue;
        }
        if (*p == '|')
            field++;
        line += *p == TYPEONLY ? '?' : static_cast<char>(*p);
        p++;
    }
    return line;
}

void storelexicon()
{
    transmit("$L");
    for (int i = 0; i < d_table_count && i < NDICTSLOTS; i++) {
        const t_dict_lookup &d = dict_table[i];
        const char *cls = d.class_ ? d.class_.get() : "";
        std::string line = "{LEX_" + std::to_string(i) + "} ";
        if (d.error == 1)
            line += std::string("*terminal not found ") + cls;
        else if (d.error == 3)
            line += std::string("*no lexical entry found for ") + cls;
        else if (d.dictionary == nullptr)
            line += "*unused";
        else
            line += outputrecord(d.dictionary);
        transmit(line);
    }
}

void store(int kind, int destination)
{
    if (kind < 0 || kind > 2) {
        diserr("Integer too high");
        del = 2;
        return;
    }
    xmit = destination == 1 ? 1 : 0;
    transmit("$u");
    bool named = std::any_of(rootPtrs + 1, rootPtrs + NROOTS, [](t_treenode *t) { return t != nullptr; });
    if (!named) {
        storesingle(oldroot, 999999, kind);
        storesingle(root, 0, kind);
    } else {
        for (int n = 1; n < NROOTS; n++)
            if (rootPtrs[n] != nullptr)
                storesingle(rootPtrs[n], n, kind);
    }
    storelexicon();
    transmit("%");
    if (kind == 1 && progstate == 1 && xmit == 1 && keloutput != nullptr)
        transmit("=");
}

void talk(int n)
{
    if (progstate != 1 || keloutput == nullptr)
        return;
    const char *text = n >= 0 && n < NROOTS && genSentences[n] ? genSentences[n].get() : "";
    std::fprintf(keloutput, "START%sEND\n", text);
    std::fflush(keloutput);
}

// -------------------------------------------------------------- recovering

namespace {

constexpr int OLDTREE = 22;           // the slot of the tree before transformation

struct storedtree {
    bool seen = false;                // its header was read
    bool list = false;                // "$l": leaves only
    std::vector<std::string> lines;
};

void unable(const char *cause)
{
    v_linef(MSGCORE, "Unable to recover tree. Cause: %s", cause);
}

t_treenode *&treeslot(int slot)
{
    if (slot == 0)
        return root;
    if (slot == OLDTREE)
        return oldroot;
    return rootPtrs[slot];
}

const char *treename(int slot)
{
    return slot == 0 ? "ROOT" : slot == OLDTREE ? "OLDROOT" : tree_roots[slot].name;
}

// One field of a node line up to its "|", quote marks respected.
std::string field(const std::string &line, size_t &at)
{
    size_t start = at;
    bool quoted = false;
    while (at < line.size() && (quoted || line[at] != '|')) {
        if (line[at] == '"')
            quoted = !quoted;
        at++;
    }
    std::string f = line.substr(start, at - start);
    if (at < line.size())
        at++;
    return f;
}

// The attribute names of a node line, comma separated, as compound
// attributes with delay entries of their own.
void addattributes(t_treenode *node, const std::string &text)
{
    const char *p = text.c_str();
    while (*p) {
        const char *after = text_to_comp_struct(p, 0);
        if (comp_attr_register != nullptr) {
            append_attr(&node->attributes, comp_attr_register);
            comp_attr_register = nullptr;
        }
        p = after > p ? after : p + 1;
        while (*p && *p != ',')
            p++;
        if (*p == ',')
            p++;
    }
}

// The fields after the name: attributes, indirection count, word, lookup.
void nodefields(t_treenode *node, const std::string &line, size_t at)
{
    addattributes(node, field(line, at));
    field(line, at);
    std::string word = field(line, at);
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
        word = word.substr(1, word.size() - 2);
    if (!word.empty())
        node->morphed_word = v_strdup(word.c_str());
    std::string lex = field(line, at);
    if (lex.rfind("LEX_", 0) == 0 && lex.size() > 4 && lex.size() < 9 &&
        std::all_of(lex.begin() + 4, lex.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int k = std::stoi(lex.substr(4));
        if (k < d_table_count) {
            node->dictionary = &dict_table[k];
            node->index = k;
        }
    }
}

bool rebuild(int slot, const storedtree &st)
{
    t_treenode *&top = treeslot(slot);
    if (top == nullptr)
        top = makenode(treename(slot));
    t_treenode *previous = nullptr;
    for (const std::string &line : st.lines) {
        size_t at = 0;
        if (st.list) {
            t_treenode *node = makenode(field(line, at).c_str());
            if (previous == nullptr) {
                top->son = node;
                top->right = node;
            } else {
                previous->sibling = node;
                previous->right = node;
                node->left = previous;
            }
            previous = node;
            nodefields(node, line, at);
            continue;
        }
        std::string path = field(line, at);
        if (field(line, at) != "G" || path.empty())
            return false;
        std::string name = field(line, at);
        if (path == "N") {
            top->name = v_strdup(name.c_str());
            nodefields(top, line, at);
            continue;
        }
        if (path.find_first_not_of("SR") != std::string::npos)
            return false;
        t_treenode *at_node = top;
        for (size_t i = 0; i + 1 < path.size() && at_node != nullptr; i++)
            at_node = path[i] == 'S' ? at_node->son : at_node->sibling;
        if (at_node == nullptr || (path.back() == 'R' && at_node == top))
            return false;
        t_treenode *&link = path.back() == 'S' ? at_node->son : at_node->sibling;
        if (link != nullptr)
            return false;
        link = makenode(name.c_str());
        nodefields(link, line, at);
    }
    if (!st.list)
        thread(top);
    return true;
}

// The text of one token of a node line.
void puttoken(std::string &line, int tok, bool &quoted)
{
    if (tok == TIDENT) {
        line += identbuf;
        return;
    }
    if (tok == TQUOTE)
        quoted = !quoted;
    else if (quoted) {
        if (tok != TEND)
            line += static_cast<char>(tok);
        return;
    }
    if (tok == ' ')
        return;
    if (tok < ' ') {
        for (const tokenelement &t : tokentable)
            if (static_cast<uchar>(t.token) == tok && t.tokenword[0] != 0) {
                line += t.tokenword;
                return;
            }
        return;
    }
    if (tok != TEND)
        line += static_cast<char>(tok);
}

// The restored entries, each in the lookup slot of its line's number.
void restorelookups(const std::vector<int> &slotof)
{
    for (size_t k = 0; k < slotof.size(); k++) {
        int i = slotof[k];
        const recnode *r = restoredlexarray[k];
        if (r == nullptr || i < 0 || i >= NDICTSLOTS)
            continue;
        t_dict_lookup &d = dict_table[i];
        d.dictionary = r->recordptr.get();
        const char *f2 = getfieldptr(d.dictionary, 2);
        d.class_ = v_strdup(std::string(f2, std::strcspn(f2, "|")).c_str());
        std::string names = outputrecord(d.dictionary);
        size_t at = 0;
        field(names, at);
        field(names, at);
        t_treenode holder{};
        addattributes(&holder, field(names, at));
        d.attributes = holder.attributes;
        d.pointed_at = 1;
        d.error = 0;
        d.vf = -1;
    }
}

}  // namespace

void restorenode(const char *filename)
{
    if (filename == nullptr || filename[0] == 0) {
        unable("filename not specified.");
        return;
    }
    file_operation = "stored tree input";
    file_position[0] = 0;
    if (std::FILE *f = std::fopen(filename, "r"))
        std::fclose(f);
    else {
        v_linef(MSGCORE, "Unable to recover tree. Cause: filename [%s] does not exist or insufficient access",
                filename);
        return;
    }
    if (!openfile(filename, 1))
        return;
    // The lookup slots go, and with them whatever pointed into them: every
    // tree and the preselections, global ones too.
    clear_GP();

    storedtree trees[STOREDTREES];
    std::vector<int> slotof;          // the lookup slot of each restored entry
    int lexline = 0;                  // lines of the lexicon block
    int part = 0;                     // 0 before "$u", 1 trees, 2 lexicon
    int tree = -1;                    // the tree whose lines are read
    bool failed = false;
    for (int tok = v_peep(); tok != TEOF && tok != TPERCENT && !failed; tok = v_peep()) {
        if (tok == TLINEEND) {
            v_next();
            continue;
        }
        if (tok == '$') {
            v_next();
            if (v_peep() != TIDENT) {
                unable("Invalid identifier encountered.");
                break;
            }
            std::string id = identbuf;
            v_next();
            tree = -1;
            if (id == "u")
                part = 1;
            else if (id == "L")
                part = 2;
            else if (id == "t" || id == "l") {
                part = 1;
                int number = v_peep() == TIDENT ? std::atoi(identbuf) : -1;
                tree = number == 999999 ? OLDTREE : number >= 0 && number < NROOTS ? number : -1;
                if (v_peep() != TIDENT)
                    tree = -1;
                if (tree < 0) {
                    unable("Invalid tree number.");
                    failed = true;
                } else {
                    trees[tree].seen = true;
                    trees[tree].list = id == "l";
                    trees[tree].lines.clear();
                }
            }
            while (v_peep() != TLINEEND && v_peep() != TEOF)
                v_next();
            continue;
        }
        if (part == 2) {
            int before = lastrestored;
            readentry(0);
            if (lastrestored > before)
                slotof.push_back(lexline);
            lexline++;
            continue;
        }
        std::string line;
        bool quoted = false;
        for (; v_peep() != TLINEEND && v_peep() != TEOF; v_next())
            puttoken(line, v_peep(), quoted);
        if (tree >= 0 && !line.empty())
            trees[tree].lines.push_back(line);
    }
    closeall();
    file_operation = "";

    d_table_count = std::min(lexline, NDICTSLOTS);
    purgelookups(0);
    d_table_count = std::min(lexline, NDICTSLOTS);
    restorelookups(slotof);
    for (int slot = 0; slot < STOREDTREES; slot++) {
        if (!trees[slot].seen)
            continue;
        if (!rebuild(slot, trees[slot])) {
            unable("Malformed node line.");
            break;
        }
    }
    for (int n = 0; n < NROOTS; n++) {
        if (treeslot(n) == nullptr)
            continue;
        new_extract_sentence(treeslot(n));
        postmorph();
        genSentences[n] = v_strdup(sentbuf2);
    }
}
