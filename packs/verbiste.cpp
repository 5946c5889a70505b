// verbiste's XML: the conjugation templates and the verbs that use them.
#include "packs/packs.h"
#include <pugixml.hpp>

const tense_place tense_places[NTENSES] = {
    {"indicative", "present"},
    {"indicative", "imperfect"},
    {"indicative", "future"},
    {"conditional", "present"},
    {"subjunctive", "present"},
    {"indicative", "simple-past"},
};

static bool load_xml(pugi::xml_document &doc, const std::string &file, std::string &error)
{
    pugi::xml_parse_result r = doc.load_file(file.c_str());
    if (!r) {
        error = file + ": " + r.description();
        return false;
    }
    return true;
}

static void read_template(const pugi::xml_node &node, vtemplate &t)
{
    t.name = node.attribute("name").value();
    size_t colon = t.name.find(':');
    t.ending = colon == std::string::npos ? "" : t.name.substr(colon + 1);
    for (int k = 0; k < NTENSES; k++) {
        pugi::xml_node tense = node.child(tense_places[k].mode).child(tense_places[k].tense);
        int person = 0;
        for (pugi::xml_node p = tense.child("p"); p && person < NPERSONS; p = p.next_sibling("p")) {
            for (pugi::xml_node i = p.child("i"); i; i = i.next_sibling("i"))
                if (t.forms[k][person].size() < MAXFORMS)
                    t.forms[k][person].push_back(i.text().get());
            person++;
        }
    }
}

bool read_verbiste(const std::string &dir, const std::string &lang, vdata &data, std::string &error)
{
    pugi::xml_document conj, verbs;
    if (!load_xml(conj, dir + "/conjugation-" + lang + ".xml", error) ||
        !load_xml(verbs, dir + "/verbs-" + lang + ".xml", error))
        return false;
    for (pugi::xml_node n = conj.document_element().child("template"); n;
         n = n.next_sibling("template")) {
        vtemplate t;
        read_template(n, t);
        data.tindex[t.name] = static_cast<int>(data.templates.size());
        data.templates.push_back(std::move(t));
    }
    for (pugi::xml_node n = verbs.document_element().child("v"); n; n = n.next_sibling("v")) {
        vverb v;
        v.infinitive = n.child("i").text().get();
        v.tname = n.child("t").text().get();
        v.aspirate = static_cast<bool>(n.child("aspirate-h"));
        data.verbs.push_back(std::move(v));
    }
    if (data.templates.empty() || data.verbs.empty()) {
        error = dir + ": no templates or no verbs for language " + lang;
        return false;
    }
    return true;
}
