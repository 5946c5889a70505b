// The pack's files: the hand-written sources converted to Latin-1, and the
// verbs as one lexicon entry each with a table of endings per template.
//
// Fields of a verb's entry:  1 infinitive, 2 V, 3 the tenses and persons it
// is drilled in, 4 frequency, 5 the expected form (stem and template table),
// 6 empty (the second pass is the pronoun's elision), 7 the question's
// "(infinitive)", 8 and 9 the second and third spellings verbiste gives (or
// the first again), 11 "asp" for an aspirate h, 12 its group.
#include "packs/packs.h"
#include "exercise/exercise.h"
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <nlohmann/json.hpp>

namespace fs = std::filesystem;

// Person and number as the pack's compound "person.number" indexes them:
// p1.sg p1.pl p2.sg p2.pl p3.sg p3.pl, each mapped to verbiste's order.
static const int byattr[NPERSONS] = {0, 3, 1, 4, 2, 5};
static const char *const personattr[NPERSONS] = {"p1.sg", "p2.sg", "p3.sg", "p1.pl", "p2.pl", "p3.pl"};
static const char *const tenseattr[NTENSES] = {"present", "imperfect", "future",
                                              "conditional", "subjunctive", "simple_past"};

static bool latin1(const std::string &utf8, std::string &out, const std::string &where,
                   std::string &error)
{
    std::string why;
    if (to_latin1(utf8, out, why))
        return true;
    // Line ends and tabs are not answers' characters but are a file's.
    out.clear();
    std::string line;
    std::istringstream in(utf8);
    while (std::getline(in, line)) {
        std::string l1;
        std::string::size_type tab;
        while ((tab = line.find('\t')) != std::string::npos)
            line[tab] = ' ';
        if (!to_latin1(line, l1, why)) {
            error = where + ": " + why;
            return false;
        }
        out += l1 + "\n";
    }
    return true;
}

static bool save(const fs::path &file, const std::string &text, std::string &error)
{
    std::ofstream f(file, std::ios::binary);
    f << text;
    f.close();
    if (!f) {
        error = file.string() + ": cannot be written";
        return false;
    }
    return true;
}

static bool ends_with(const std::string &s, const std::string &tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string verb_group(const std::string &lang, const vverb &v, const vtemplate &t)
{
    if (lang == "it")
        return ends_with(v.infinitive, "are") ? "g1" : ends_with(v.infinitive, "ire") ? "g3" : "g2";
    if (ends_with(v.infinitive, "er") && t.name != ":aller")
        return "g1";
    const std::vector<std::string> &nous = t.forms[0][3];
    if ((ends_with(v.infinitive, "ir") || ends_with(v.infinitive, "ïr")) && !nous.empty() &&
        (ends_with(nous[0], "issons") || ends_with(nous[0], "ïssons")))
        return "g2";
    return "g3";
}

static std::string inquotes(const std::string &s) { return "\"" + s + "\""; }

// The tables of template n: "T<n>" with the first spellings, "T<n>b" and
// "T<n>c" with the second and third (the first where there is none).
static std::string template_tables(const vtemplate &t, int n)
{
    std::string out;
    for (int spelling = 0; spelling < MAXFORMS; spelling++) {
        out += "T" + std::to_string(n) + (spelling == 0 ? "" : spelling == 1 ? "b" : "c") + " (";
        for (int k = 0; k < NTENSES; k++)
            for (int a = 0; a < NPERSONS; a++) {
                const std::vector<std::string> &f = t.forms[k][byattr[a]];
                std::string form = f.empty() ? "" : f[std::min<size_t>(spelling, f.size() - 1)];
                out += inquotes(form);
                out += k == NTENSES - 1 && a == NPERSONS - 1 ? ")\n" : (a == NPERSONS - 1 ? ",\n  " : ", ");
            }
    }
    return out;
}

// The attribute field of a verb: the tenses in which verbiste gives it any
// form, and the persons it has in all of them ("person.number" for all six).
// Empty when no person is common to its tenses.
static std::string verb_attributes(const vtemplate &t, bool &partial, int &forms)
{
    std::vector<std::string> parts;
    bool common[NPERSONS];
    std::fill(std::begin(common), std::end(common), true);
    int tenses = 0;
    for (int k = 0; k < NTENSES; k++) {
        bool any = false;
        for (int p = 0; p < NPERSONS; p++)
            any = any || !t.forms[k][p].empty();
        if (!any)
            continue;
        tenses++;
        parts.push_back(tenseattr[k]);
        for (int p = 0; p < NPERSONS; p++)
            common[p] = common[p] && !t.forms[k][p].empty();
    }
    int persons = 0;
    for (int p = 0; p < NPERSONS; p++)
        persons += common[p];
    forms = persons * tenses;
    partial = tenses < NTENSES || persons < NPERSONS;
    if (persons == 0)
        return "";
    if (persons == NPERSONS)
        parts.push_back("person.number");
    else
        for (int p = 0; p < NPERSONS; p++)
            if (common[p])
                parts.push_back(personattr[p]);
    std::string out;
    for (const std::string &s : parts)
        out += (out.empty() ? "" : ", ") + s;
    return out;
}

// A template of full forms for a verb that verbiste lists under several
// templates: its conjugator takes them in the order of their names, so the
// first one's forms are expected and the others' differing spellings are
// accepted variants.
static vtemplate merged(const vdata &data, std::vector<const vverb *> entries)
{
    std::sort(entries.begin(), entries.end(),
              [](const vverb *a, const vverb *b) { return a->tname < b->tname; });
    vtemplate m;
    m.ending = entries.front()->infinitive;
    for (auto e = entries.begin(); e != entries.end(); ++e) {
        const vtemplate &t = data.templates[data.tindex.at((*e)->tname)];
        m.name += (m.name.empty() ? "" : "+") + t.name;
        std::string stem = (*e)->infinitive.substr(0, (*e)->infinitive.size() - t.ending.size());
        for (int k = 0; k < NTENSES; k++)
            for (int p = 0; p < NPERSONS; p++)
                for (const std::string &f : t.forms[k][p]) {
                    std::vector<std::string> &to = m.forms[k][p];
                    if (to.size() < MAXFORMS && std::find(to.begin(), to.end(), stem + f) == to.end())
                        to.push_back(stem + f);
                }
    }
    return m;
}

static bool write_verbs(const vdata &data, const std::string &lang, const fs::path &out,
                        pack_counts &counts, std::string &error)
{
    std::vector<vtemplate> templates = data.templates;
    std::map<std::string, std::vector<const vverb *>> byname;
    for (const vverb &v : data.verbs)
        byname[v.infinitive].push_back(&v);
    std::string lex;
    for (const vverb &v : data.verbs) {
        std::vector<const vverb *> &entries = byname[v.infinitive];
        if (entries.empty())
            continue;                 // written with its first entry
        bool known = !v.infinitive.empty() && static_cast<unsigned char>(v.infinitive[0]) >= 'a';
        for (const vverb *e : entries) {
            auto it = data.tindex.find(e->tname);
            known = known && it != data.tindex.end() &&
                    ends_with(e->infinitive, data.templates[it->second].ending);
        }
        if (!known) {
            counts.left_out++;
            entries.clear();
            continue;
        }
        int n = data.tindex.at(v.tname);
        if (entries.size() > 1) {
            counts.merged++;
            n = static_cast<int>(templates.size());
            templates.push_back(merged(data, entries));
        }
        entries.clear();
        const vtemplate &t = templates[n];
        bool partial = false;
        int forms = 0;
        std::string attrs = verb_attributes(t, partial, forms);
        if (attrs.empty()) {
            counts.left_out++;
            continue;
        }
        std::string group = verb_group(lang, v, t);
        attrs += ", " + group;
        counts.verbs++;
        counts.partial += partial;
        counts.forms += forms;
        std::string stem = v.infinitive.substr(0, v.infinitive.size() - t.ending.size());
        std::string table = "T" + std::to_string(n);
        std::string index = "(tense,person.number)";
        std::string head = stem.empty() ? "" : inquotes(stem);
        lex += inquotes(v.infinitive) + "|V|" + attrs + "|1|" + head + table + index + "||" +
               inquotes("(" + v.infinitive + ")") + "|" + head + table + "b" + index + "|" + head +
               table + "c" + index + "||" + (v.aspirate ? "asp" : "") + "|" + group + "|\n";
    }
    std::string tables;
    for (size_t n = 0; n < templates.size(); n++)
        tables += template_tables(templates[n], static_cast<int>(n));
    std::string tables1, lex1;
    return latin1(tables, tables1, "verbiste's templates", error) &&
           latin1(lex, lex1, "verbiste's verbs", error) &&
           save(out / "verbs.tb", tables1, error) && save(out / "verbs.le", lex1, error);
}

// pack.json as written by hand, its load list turned into records that
// give each file's size, so that a damaged or truncated file is found
// before it is loaded, and the counts added.
static bool write_json(const std::string &src, const std::string &out, const pack_counts &counts,
                       std::string &error)
{
    fs::path file = fs::path(src) / "pack.json";
    nlohmann::json j;
    try {
        std::ifstream in(file);
        j = nlohmann::json::parse(in);
        nlohmann::json load = nlohmann::json::array();
        for (const nlohmann::json &item : j.at("load")) {
            std::string name = item.at(1).get<std::string>();
            std::error_code ec;
            uintmax_t size = fs::file_size(fs::path(out) / name, ec);
            if (ec) {
                error = file.string() + ": the load list names " + name + ", which is not written";
                return false;
            }
            load.push_back({{"command", item.at(0)}, {"file", name}, {"bytes", size}});
        }
        j["load"] = load;
        j["verbs"] = counts.verbs;
        j["forms"] = counts.forms;
    } catch (const nlohmann::json::exception &e) {
        error = file.string() + ": " + e.what();
        return false;
    }
    return save(fs::path(out) / "pack.json", j.dump(2) + "\n", error);
}

bool write_pack(const vdata &data, const std::string &lang, const std::string &src,
                const std::string &out, pack_counts &counts, std::string &error)
{
    std::error_code ec;
    fs::create_directories(out, ec);
    if (ec) {
        error = out + ": " + ec.message();
        return false;
    }
    for (const fs::directory_entry &e : fs::directory_iterator(src, ec)) {
        if (!e.is_regular_file())
            continue;
        std::ifstream f(e.path(), std::ios::binary);
        std::stringstream text;
        text << f.rdbuf();
        std::string name = e.path().filename().string();
        std::string converted = text.str();
        if (name == "pack.json")
            continue;                 // written last, with the files' sizes
        if (!latin1(text.str(), converted, e.path().string(), error))
            return false;
        if (!save(fs::path(out) / name, converted, error))
            return false;
    }
    if (ec) {
        error = src + ": " + ec.message();
        return false;
    }
    if (!write_verbs(data, lang, out, counts, error))
        return false;
    return write_json(src, out, counts, error);
}
