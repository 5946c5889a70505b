// Language packs: pack.json read, every description file it lists loaded
// into the engine in its order and checked, the drill's own error scores and
// morphology passes set.
#include "exercise/exercise.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include "editor/editor.h"
#include "screen/screen.h"
#include "engine/engine.h"
#include "analysis/analysis.h"

namespace fs = std::filesystem;
using json = nlohmann::json;

pack_info loaded_pack;
std::map<std::string, std::string> person_attributes;

// The kinds a pack may load, by the engine command that loads each: the
// loaded-kinds row it replaces (0: added to the lexicon) and its reader.
struct pack_kind {
    const char *command;
    int row;
    void (*reader)(const char *);
};

static void readlexicon(const char *file)
{
    initdict();
    readdict(file);
}
static void readsyntax(const char *file)
{
    synstat = read_syntax(file);
    userstat = 0;
}

static const pack_kind pack_kinds[] = {
    {"at", 1, readattr},          {"sy", 3, readsyntax},         {"mo", 4, new_readmorph},
    {"tb", 5, new_readtables},    {"tm", 6, read_terminals},     {"le", 7, readlexicon},
    {"va", 0, readdict},          {"ip", 8, phon_readtables},    {"mr", 9, merror_readtables},
    {"tg", 10, tag_readtables},
};

// The engine outside the editor: its store and tables set up once, nothing
// drawn or written on standard output.
void exercise_engine()
{
    static bool ready = false;
    visible = 0;
    if (ready)
        return;
    ready = true;
    initstate();
    visible = 0;
    initgenra();
}

// Lines of corefile 7 from `from` on.
static std::vector<std::string> messages(int32_t from)
{
    std::vector<std::string> lines;
    const COREFILE &f = core[MSGCORE];
    int32_t n = 0;
    for (const LINE *l = f.header->down; l != f.header; l = l->down, n++)
        if (n >= from)
            lines.emplace_back(reinterpret_cast<const char *>(textbase + l->index),
                               l->object == 5 ? 0 : static_cast<size_t>(l->length));
    return lines;
}

// The first of the engine's messages since `from` that tells of a fault in
// the file just read, or "".
static std::string fault(int32_t from)
{
    for (const std::string &line : messages(from)) {
        // Lines of a file's reading begin with its place: "fr.le:3: ERROR ...".
        size_t body = 0;
        if (size_t colon = line.find(": "); colon != std::string::npos &&
                                            line.find(':') < colon && colon < line.find(' '))
            body = colon + 2;
        if (line.compare(body, 5, "ERROR") == 0 || line.compare(body, 9, "* WARNING") == 0)
            return to_utf8(line);
        const char *total = "Total Words: ";
        if (line.rfind(total, 0) == 0) {
            size_t at = line.find("Number of Errors: ");
            if (at != std::string::npos && std::atol(line.c_str() + at + 18) != 0)
                return to_utf8(line);
        }
    }
    return "";
}

// Loads one file with the reader of `command`, as the engine's own command
// does: the kind and those built on it unloaded first, its bit set after.
static bool load_file(const std::string &command, const fs::path &file, std::string &error)
{
    const pack_kind *kind = nullptr;
    for (const pack_kind &k : pack_kinds)
        if (command == k.command)
            kind = &k;
    if (kind == nullptr) {
        error = file.string() + ": \"" + command + "\" is not a kind of description file";
        return false;
    }
    if (kind->row == 0 && !(installed & 0x40)) {
        error = file.string() + ": added to a lexicon, but no lexicon is loaded before it";
        return false;
    }
    if (kind->row == 7 && !(installed & 0x20)) {
        error = file.string() + ": a lexicon needs the terminals loaded before it";
        return false;
    }
    initcore();
    visible = 0;
    int32_t from = core[MSGCORE].lncount;
    try {
        if (kind->row != 0)
            uninstall_n(kind->row);
        from = core[MSGCORE].lncount;
        kind->reader(file.c_str());
    } catch (const std::exception &e) {
        error = file.string() + ": " + e.what();
        return false;
    }
    if (kind->row != 0)
        installed |= 1 << (kind->row - 1);
    std::string why = fault(from);
    if (!why.empty()) {
        error = file.string() + ": " + why;
        return false;
    }
    return true;
}

static std::vector<pack_choice> choices(const json &list)
{
    std::vector<pack_choice> out;
    if (list.is_array())
        for (const json &c : list)
            out.push_back({c.value("id", ""), c.value("label", c.value("id", ""))});
    return out;
}

// One description file a pack loads: the engine command that loads it and
// its path.
struct pack_item {
    std::string command;
    fs::path file;
};

// Reads and checks the pack.json of `dir` into `info`, `items` (the files
// to load, each present and of the size listed) and `j`, without touching
// the engine.
static bool read_json(const std::string &dir, pack_info &info, std::vector<pack_item> &items,
                      json &j, std::string &error)
{
    fs::path base(dir);
    fs::path jfile = base / "pack.json";
    std::ifstream in(jfile);
    if (!in) {
        error = jfile.string() + ": cannot be read";
        return false;
    }
    try {
        j = json::parse(in);
        info = pack_info{};
        info.name = j.at("name").get<std::string>();
        info.language = j.value("language", info.name);
        info.dir = dir;
        info.letters = j.value("letters", std::vector<std::string>{});
        info.tenses = choices(j.value("tenses", json::array()));
        info.persons = choices(j.value("persons", json::array()));
        info.groups = choices(j.value("groups", json::array()));
        info.labels = j.value("labels", std::map<std::string, std::string>{});
    } catch (const json::exception &e) {
        error = jfile.string() + ": " + e.what();
        return false;
    }
    if (info.tenses.empty() || info.persons.empty()) {
        error = jfile.string() + ": no tenses or no persons";
        return false;
    }
    items.clear();
    try {
        for (const json &item : j.at("load")) {
            pack_item it{item.at("command").get<std::string>(), base / item.at("file").get<std::string>()};
            std::error_code ec;
            uintmax_t size = fs::file_size(it.file, ec);
            if (ec) {
                error = it.file.string() + ": missing (" + ec.message() + ")";
                return false;
            }
            if (item.contains("bytes") && size != item.at("bytes").get<uintmax_t>()) {
                error = it.file.string() + ": damaged (" + std::to_string(size) + " bytes, " +
                        std::to_string(item.at("bytes").get<uintmax_t>()) + " expected)";
                return false;
            }
            items.push_back(std::move(it));
        }
    } catch (const json::exception &e) {
        error = jfile.string() + ": " + e.what();
        return false;
    }
    return true;
}

bool read_pack(const std::string &dir, pack_info &info, std::string &error)
{
    std::vector<pack_item> items;
    json j;
    return read_json(dir, info, items, j, error);
}

bool load_pack(const std::string &dir, pack_info &info, std::string &error)
{
    exercise_engine();
    std::vector<pack_item> items;
    json j;
    if (!read_json(dir, info, items, j, error))
        return false;
    fs::path jfile = fs::path(dir) / "pack.json";
    loaded_pack = pack_info{};
    person_attributes.clear();
    uninstall(vfile_table[NVFILES - 1].filebits);   // whatever an earlier pack left
    synstat = userstat = 0;
    try {
        for (const json &p : j.value("persons", json::array()))
            person_attributes[p.value("id", "")] = p.value("attributes", "");
        for (const pack_item &item : items)
            if (!load_file(item.command, item.file, error))
                return false;
        // The drill's own scores: any error costs something.
        std::vector<int> scores = j.value("scores", std::vector<int>{4, 4, 3, 2, 1, 1});
        scores.resize(6, 1);
        int *slots[] = {&vnomatchscore, &vorderscore, &vsynscore,
                        &vmorphscore,   &vphonoscore, &vapproxscore};
        for (int i = 0; i < 6; i++)
            *slots[i] = scores[i] > 0 ? scores[i] : 1;
        for (const json &row : j.value("passes", json::array())) {
            std::vector<int> p = row.get<std::vector<int>>();
            if (p.size() < 2 || p[0] < 0 || p[0] >= NMORPHTREES || p[1] == 0) {
                error = jfile.string() + ": a morphology pass names no tree or no field";
                return false;
            }
            for (int k = 1; k < NMORPHPASSES; k++)
                morph_passes[p[0]][k] = k < static_cast<int>(p.size()) && k <= 4 ? p[k] : 0;
        }
    } catch (const json::exception &e) {
        error = jfile.string() + ": " + e.what();
        return false;
    }
    if (synstat == 0) {
        error = jfile.string() + ": no syntax file with a ROOT rule is loaded";
        return false;
    }
    err_initrootset();
    initcore();
    visible = 0;
    loaded_pack = info;
    return true;
}

std::string find_pack(const std::string &name)
{
    std::vector<fs::path> places;
    if (const char *env = std::getenv("KEL_PACKS"); env != nullptr && *env != 0)
        places.emplace_back(env);
#ifdef KEL_BUILD_PACKS
    places.emplace_back(KEL_BUILD_PACKS);
#endif
#ifdef KEL_INSTALL_PACKS
    places.emplace_back(KEL_INSTALL_PACKS);
#endif
    for (const fs::path &p : places) {
        std::error_code ec;
        if (fs::exists(p / name / "pack.json", ec))
            return (p / name).string();
    }
    return "";
}
