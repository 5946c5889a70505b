// A synthetic description for the benchmarks at dictionary scale: five
// attribute types, six terminals, and a verb terminal of any size (1,000 to
// 100,000 entries) whose entries look like infinitives: a made-up word
// ending in -er, -ir or -re, a conjugation group, transitivity, person and
// number given as bare types (so that every person agrees), a frequency from
// 1 to 50, and two morphology fields. A dozen pronouns, six determiners and
// 48 nouns complete a clause. The same size and seed give the same text.
#pragma once
#include <string>

struct synthtexts {
    std::string attrs, terms, lexicon, morph, syntax;
    std::string firstverb;            // the word of the first verb entry
};

// The verbs' words: distinct, pronounceable, from a seeded generator.
inline std::string synthword(unsigned &x, int i)
{
    static const char *const onsets[] = {"b", "ch", "d", "f", "g", "j", "l", "m", "n", "p",
                                         "pr", "r", "s", "t", "tr", "v", "cl", "gr"};
    static const char *const vowels[] = {"a", "e", "i", "o", "ou", "an", "on", "eu"};
    static const char *const endings[] = {"er", "er", "er", "ir", "re"};
    auto next = [&x]() { return (x = x * 1103515245u + 12345u) >> 16; };
    std::string w;
    for (int s = 0; s < 2; s++) {
        w += onsets[next() % std::size(onsets)];
        w += vowels[next() % std::size(vowels)];
    }
    // A number in letters keeps the words distinct at any size.
    for (int n = i; n > 0; n /= 8)
        w += "bcdfglmt"[n % 8];
    w += onsets[next() % std::size(onsets)];
    w += endings[next() % std::size(endings)];
    return w;
}

inline synthtexts synthesize(int verbs, unsigned start = 2024)
{
    synthtexts s;
    s.attrs = "person (first, second, third)\nnumber (sing, plural)\ngender (masc, fem)\n"
              "group (g1, g2, g3)\ntrans (tr, intr)\n%\n";
    s.terms = "Pro Det N V Adv Stop\n";
    std::string &lex = s.lexicon;
    const char *persons[] = {"first", "second", "third"};
    const char *numbers[] = {"sing", "plural"};
    const char *pronouns[] = {"je", "tu", "il", "nous", "vous", "ils"};
    for (int i = 0; i < 12; i++)
        lex += std::string("\"") + pronouns[i % 6] + (i >= 6 ? "-meme" : "") + "\"|Pro|" +
               persons[i % 3] + "." + numbers[i % 6 / 3] + "|" + std::to_string(10 - i % 6) +
               "|#1||\n";
    const char *dets[] = {"le", "la", "un", "une", "ce", "cette"};
    for (int i = 0; i < 6; i++)
        lex += std::string("\"") + dets[i] + "\"|Det|" + (i % 2 ? "fem" : "masc") + "|" +
               std::to_string(3 + i) + "|#1||\n";
    unsigned x = start;
    for (int i = 0; i < 48; i++)
        lex += "\"" + synthword(x, i).substr(0, 5) + "\"|N|" + (i % 2 ? "fem" : "masc") + "|" +
               std::to_string(1 + i % 9) + "|#1|!$pl|\n";
    lex += "\"bien\"|Adv||5|#1||\n\"souvent\"|Adv||3|#1||\n\".\"|Stop||1|#1||\n";
    for (int i = 0; i < verbs; i++) {
        std::string w = synthword(x, i);
        if (i == 0)
            s.firstverb = w;
        const char *group = w.back() == 'r' && w[w.size() - 2] == 'e' ? "g1"
                            : w.back() == 'r'                         ? "g2"
                                                                      : "g3";
        lex += "\"" + w + "\"|V|person.number, " + group + ", " + (x >> 20 & 1 ? "tr" : "intr") +
               "|" + std::to_string(1 + (x >> 8) % 50) + "|" + w.substr(0, w.size() - 2) +
               "|!$pres|\n";
    }
    s.morph = "RULE pl\n  plural : \"s\" ;\n  * : \"\" ;\n"
              "RULE pres\n  plural : \"ons\" ;\n  * : \"e\" ;\n";
    s.syntax = "ROOT = Clause Stop %\n"
               "Clause = CHOOSE p : person ; CHOOSE n : number ; CHOOSE t : trans ; "
               "Pro[p.n] V[p.n, t] Obj %\n"
               "Obj = CHOOSE g : gender ; (Det[g] N[g] | Det[g] N[g] Adv) %\n";
    return s;
}

// Six named roots (and the ROOT rule that generation needs), each a pronoun and the given verb in one person and
// number: the present forms of one verb, its word mandated.
inline std::string synthforms(const std::string &verb)
{
    static const char *const rows[] = {"first.sing", "second.sing", "third.sing",
                                       "first.plural", "second.plural", "third.plural"};
    static const char *const roots[] = {"QUESTION", "ANSWER", "R_3", "R_4", "R_5", "R_6"};
    std::string syn = "ROOT = Pro[first.sing] %\n";  // expanded first, never finished
    for (int i = 0; i < 6; i++)
        syn += std::string(roots[i]) + " = Pro[" + rows[i] + "] V[" + rows[i] + "]/\"" + verb +
               "\" %\n";
    return syn;
}
