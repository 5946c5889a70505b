// The packs and tenses the server offers, read once from the packs' own
// pack.json files. Ids are checked here, so that nothing a client sends
// reaches a drill's command line unless it equals one of them.
#include "web/web.h"
#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

std::vector<offer_pack> offer;

static constexpr std::size_t IDMAX = 32;     // characters of a pack or tense id
static constexpr std::size_t PACKS_MAX = 64; // packs offered at most

static bool goodid(const std::string &id)
{
    if (id.empty() || id.size() > IDMAX)
        return false;
    for (char c : id)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

static bool readpack(const fs::path &file, offer_pack &op, std::string &error)
{
    std::ifstream f(file);
    if (!f) {
        error = file.string() + ": cannot be read";
        return false;
    }
    try {
        json j = json::parse(f);
        op.id = j.at("name").get<std::string>();
        op.label = j.value("language", op.id);
        op.dir = fs::absolute(file.parent_path()).lexically_normal().string();
        for (const json &l : j.value("letters", json::array()))
            op.letters.push_back(l.get<std::string>());
        for (const json &t : j.at("tenses"))
            op.tenses.push_back({t.at("id").get<std::string>(), t.value("label", t.at("id").get<std::string>())});
    } catch (const json::exception &e) {
        error = file.string() + ": " + e.what();
        return false;
    }
    if (!goodid(op.id)) {
        error = file.string() + ": pack name \"" + op.id + "\" is not a short lower-case name";
        return false;
    }
    if (op.tenses.empty()) {
        error = file.string() + ": no tense";
        return false;
    }
    for (const offer_choice &t : op.tenses)
        if (!goodid(t.id)) {
            error = file.string() + ": tense id \"" + t.id + "\" is not a short lower-case name";
            return false;
        }
    return true;
}

bool read_offer(const std::string &packs, std::string &error)
{
    std::vector<offer_pack> found;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(packs, ec)) {
        fs::path file = e.path() / "pack.json";
        if (!fs::exists(file, ec))
            continue;
        offer_pack op;
        if (!readpack(file, op, error))
            return false;
        found.push_back(std::move(op));
        if (found.size() >= PACKS_MAX)
            break;
    }
    if (found.empty()) {
        error = packs + ": no language pack (a folder with a pack.json) found";
        return false;
    }
    std::sort(found.begin(), found.end(), [](const offer_pack &a, const offer_pack &b) { return a.id < b.id; });
    offer = std::move(found);
    return true;
}

const offer_pack *find_offer(const std::string &pack)
{
    for (const offer_pack &p : offer)
        if (p.id == pack)
            return &p;
    return nullptr;
}

bool offers_tense(const offer_pack &p, const std::string &tense)
{
    for (const offer_choice &t : p.tenses)
        if (t.id == tense)
            return true;
    return false;
}

json offer_json()
{
    json packs = json::array();
    for (const offer_pack &p : offer) {
        json tenses = json::array();
        for (const offer_choice &t : p.tenses)
            tenses.push_back({{"id", t.id}, {"label", t.label}});
        packs.push_back({{"id", p.id}, {"label", p.label}, {"letters", p.letters}, {"tenses", tenses}});
    }
    return {{"packs", packs}};
}
