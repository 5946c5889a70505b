// The pack generator: verbiste's conjugation data read with pugixml, written
// out as kel description files (Latin-1) beside the pack's hand-written ones
// and its pack.json.
#pragma once
#include <map>
#include <string>
#include <vector>

// Tenses in the order the description files index them (the pack's tense
// attribute declares its values in this order); persons in verbiste's
// order 1s 2s 3s 1p 2p 3p.
inline constexpr int NTENSES = 6;
inline constexpr int NPERSONS = 6;
inline constexpr int MAXFORMS = 4;    // spellings kept for one form (paie, paye)

struct tense_place {                  // where a tense sits in a verbiste template
    const char *mode;                 // "indicative"
    const char *tense;                // "present"
};
extern const tense_place tense_places[NTENSES];

// ------------------------------------------------------------ verbiste.cpp

struct vtemplate {                    // one conjugation template, "aim:er"
    std::string name;
    std::string ending;               // what follows ":" (removed from the infinitive)
    // forms[tense][person]: the endings verbiste gives, first one expected;
    // an empty list where verbiste has no form.
    std::vector<std::string> forms[NTENSES][NPERSONS];
};

struct vverb {
    std::string infinitive;           // UTF-8
    std::string tname;                // its template's name
    bool aspirate = false;            // begins with an aspirate h
};

struct vdata {
    std::vector<vtemplate> templates;
    std::map<std::string, int> tindex;  // template name -> position
    std::vector<vverb> verbs;
};

// Reads conjugation-<lang>.xml and verbs-<lang>.xml of `dir`; false with
// `error` naming the file when either cannot be read.
bool read_verbiste(const std::string &dir, const std::string &lang, vdata &data, std::string &error);

// --------------------------------------------------------------- write.cpp

struct pack_counts {
    int verbs = 0;                    // verbs in the lexicon
    int partial = 0;                  // of them, drilled in some persons or tenses only
    int left_out = 0;                 // verbs with no person common to their tenses,
                                      // or whose infinitive is no word
    int merged = 0;                   // verbs listed under several templates, made one
    int forms = 0;                    // forms the pack can generate
};

// Writes the pack of language `lang` into `out`: the hand-written files of
// `src` converted to Latin-1, the verbs' lexicon and tables, pack.json.
bool write_pack(const vdata &data, const std::string &lang, const std::string &src,
                const std::string &out, pack_counts &counts, std::string &error);

// The group ("g1", "g2", "g3") a French or Italian verb belongs to.
std::string verb_group(const std::string &lang, const vverb &v, const vtemplate &t);
