// pack_agreement PACK-DIR CONJUGATOR [--lang=it]: every form a pack's verbs
// can take, inflected by the engine's morphology, against verbiste's own
// conjugator run once over all the verbs. A form is generated for a tense and
// person when the verb's entry agrees with them; it must equal the
// conjugator's first form, and the pack's other spellings must be among the
// conjugator's. Prints the counts; exits 1 on any disagreement, 77 when the
// conjugator cannot be run.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>
#include "exercise/exercise.h"
#include "engine/engine.h"

namespace {

// The conjugator's name of each tense the packs know.
const std::map<std::string, std::string> headers = {
    {"present", "indicative present"},   {"imperfect", "indicative imperfect"},
    {"future", "indicative future"},     {"conditional", "conditional present"},
    {"subjunctive", "subjunctive present"}, {"simple_past", "indicative past"},
};
// The conjugator's persons in its order, as the packs' attributes.
const char *const persons[6][2] = {{"p1", "sg"}, {"p2", "sg"}, {"p3", "sg"},
                                   {"p1", "pl"}, {"p2", "pl"}, {"p3", "pl"}};

using conjugation = std::map<std::string, std::vector<std::vector<std::string>>>;

std::vector<std::string> split_forms(const std::string &line)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i <= line.size() && !line.empty()) {
        size_t j = line.find(", ", i);
        out.push_back(line.substr(i, j == std::string::npos ? std::string::npos : j - i));
        if (j == std::string::npos)
            break;
        i = j + 2;
    }
    return out;
}

// The conjugator's output for `verbs`: per verb, per tense header, six
// lists of spellings.
bool conjugate(const std::string &program, const std::string &lang,
               const std::vector<std::string> &verbs, std::vector<conjugation> &out)
{
    char name[] = "/tmp/kelagreeXXXXXX";
    int fd = mkstemp(name);
    if (fd < 0)
        return false;
    // A word that is no verb after each verb: its bare "-" ends the verb's
    // conjugations (a verb with two templates has two).
    std::string list;
    for (const std::string &v : verbs)
        list += v + "\nkelnoverb\n";
    bool ok = write(fd, list.data(), list.size()) == static_cast<ssize_t>(list.size());
    close(fd);
    std::string cmd = program + " --lang=" + lang +
                      " --mode=indicative,conditional,subjunctive"
                      " --tense=present,imperfect,future,past < " + name;
    std::FILE *p = ok ? popen(cmd.c_str(), "r") : nullptr;
    if (p == nullptr) {
        unlink(name);
        return false;
    }
    char buf[4096];
    conjugation cur, first;
    std::string header;
    int sets = 0;
    while (std::fgets(buf, sizeof buf, p) != nullptr) {
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line == "-" && header.empty()) {
            out.push_back(first);
            first.clear();
            sets = 0;
        } else if (line == "-") {
            // The first set gives the expected forms; the spellings of the
            // others are added after them, as accepted ones.
            if (sets++ == 0)
                first = cur;
            else
                for (auto &[h, rows] : cur)
                    for (size_t k = 0; k < rows.size() && k < first[h].size(); k++)
                        first[h][k].insert(first[h][k].end(), rows[k].begin(), rows[k].end());
            cur.clear();
            header.clear();
        } else if (line.rfind("- ", 0) == 0 && line.back() == ':') {
            header = line.substr(2, line.size() - 3);
            cur[header].clear();
        } else if (!header.empty())
            cur[header].push_back(split_forms(line));
    }
    int status = pclose(p);
    unlink(name);
    return status == 0 && out.size() == verbs.size();
}

// Gives the leaf's cells of the type of `name` that value; a type's name
// opens its cells, so that any entry's value agrees.
void set_value(t_treenode *leaf, const char *name)
{
    if (!lookup_attr(name))
        return;
    for (int i = 1; i <= attr_list_count(leaf->attributes); i++)
        for (comp_attr c = attr_list_element(leaf->attributes, i); c != nullptr; c = c->another)
            if (delayed[c->index].class_ == att_class)
                delayed[c->index].choice = att_value;
}

std::string field(t_treenode *leaf, int n)
{
    morph_word(leaf, n);
    return leaf->morphed_word ? to_utf8(leaf->morphed_word.get()) : "";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: pack_agreement PACK-DIR CONJUGATOR [--lang=L]\n");
        return 2;
    }
    std::string lang = argc > 3 && std::strncmp(argv[3], "--lang=", 7) == 0 ? argv[3] + 7 : "fr";
    pack_info info;
    std::string error;
    if (!load_pack(argv[1], info, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // One generated answer gives a verb leaf whose attributes are then set
    // to every tense and person in turn.
    question q;
    if (!make_question({info.tenses.front().id, "", ""}, q, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    t_treenode *leaf = nullptr;
    for (t_treenode *l = rootPtrs[2]->right; l != nullptr; l = l->right)
        if (l->name && std::strcmp(l->name.get(), "V") == 0)
            leaf = l;
    int vt = lookup_terminal("V");
    if (leaf == nullptr || leaf->dictionary == nullptr || vt < 0) {
        std::fprintf(stderr, "no verb leaf in the answer\n");
        return 1;
    }
    std::vector<const char *> records;
    std::vector<std::string> verbs;
    for (recnode *r = dictionary[vt]; r != nullptr; r = r->previous) {
        const char *rec = r->recordptr.get();
        const char *end = std::strchr(rec + 1, '"');
        records.push_back(rec);
        verbs.push_back(to_utf8(std::string(rec + 1, end ? end : rec + 1)));
    }
    std::vector<conjugation> conj;
    if (!conjugate(argv[2], lang, verbs, conj)) {
        std::fprintf(stderr, "%s could not conjugate the verbs\n", argv[2]);
        return 77;
    }
    long forms = 0, agree = 0, variants = 0, skipped = 0, bad = 0;
    for (size_t v = 0; v < records.size(); v++) {
        leaf->dictionary->dictionary = records[v];
        for (const pack_choice &t : info.tenses) {
            const std::vector<std::vector<std::string>> &rows = conj[v][headers.at(t.id)];
            for (int p = 0; p < 6; p++) {
                set_value(leaf, t.id.c_str());
                set_value(leaf, persons[p][0]);
                set_value(leaf, persons[p][1]);
                set_value(leaf, "group");
                bool has = p < static_cast<int>(rows.size()) && !rows[p].empty() && !rows[p][0].empty();
                if (!match_attr(records[v], leaf->attributes)) {
                    skipped += has;
                    continue;
                }
                forms++;
                std::string mine = field(leaf, 5);
                bool same = has && mine == rows[p][0];
                std::string seen = mine;
                for (int f : {8, 9}) {
                    std::string other = field(leaf, f);
                    bool listed = false;
                    for (const std::string &s : has ? rows[p] : std::vector<std::string>{})
                        listed = listed || s == other;
                    same = same && listed;
                    variants += listed && other != mine && other != seen;
                    seen = other;
                }
                if (same)
                    agree++;
                else if (++bad <= 20)
                    std::printf("differs: %s %s %s%s: kel %s, verbiste %s\n", verbs[v].c_str(),
                                t.id.c_str(), persons[p][0], persons[p][1], mine.c_str(),
                                has ? rows[p][0].c_str() : "(none)");
            }
        }
    }
    std::printf("%s pack: %zu verbs, %ld forms generated, %ld agree with the conjugator's first "
                "form (%.2f%%), %ld other spellings accepted, %ld of the conjugator's forms not "
                "drilled (defective verbs)\n",
                info.name.c_str(), records.size(), forms, agree,
                forms ? 100.0 * static_cast<double>(agree) / static_cast<double>(forms) : 0.0,
                variants, skipped);
    return bad == 0 && forms > 0 ? 0 : 1;
}
