// The packs and tenses the server offers, read once from a file shipped with
// it. Ids are checked here, so that nothing a client sends reaches a drill's
// command line unless it equals one of them.
#include "web/web.h"
#include <fstream>
#include <sstream>

std::vector<offer_pack> offer;

static constexpr std::size_t IDMAX = 32;     // characters of a pack or tense id

static bool goodid(const std::string &id)
{
    if (id.empty() || id.size() > IDMAX)
        return false;
    for (char c : id)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

bool read_offer(const std::string &path, std::string &error)
{
    std::ifstream f(path);
    if (!f) {
        error = path + ": cannot be read";
        return false;
    }
    std::vector<offer_pack> packs;
    try {
        json j = json::parse(f);
        for (const json &p : j.at("packs")) {
            offer_pack op;
            op.id = p.at("id").get<std::string>();
            op.label = p.at("label").get<std::string>();
            for (const json &l : p.value("letters", json::array()))
                op.letters.push_back(l.get<std::string>());
            for (const json &t : p.at("tenses"))
                op.tenses.push_back({t.at("id").get<std::string>(), t.at("label").get<std::string>()});
            if (!goodid(op.id)) {
                error = path + ": pack id \"" + op.id + "\" is not a short lower-case name";
                return false;
            }
            if (op.tenses.empty()) {
                error = path + ": pack " + op.id + " offers no tense";
                return false;
            }
            for (const offer_choice &t : op.tenses)
                if (!goodid(t.id)) {
                    error = path + ": tense id \"" + t.id + "\" is not a short lower-case name";
                    return false;
                }
            packs.push_back(std::move(op));
        }
    } catch (const json::exception &e) {
        error = path + ": " + e.what();
        return false;
    }
    if (packs.empty()) {
        error = path + ": no pack offered";
        return false;
    }
    offer = std::move(packs);
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
