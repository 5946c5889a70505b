// Words the sentence shows glued together by "^" marks ("j'^" and "aime"
// shown as "j'aime"), and words whose form depends on the word after them
// ("j'" for "je", "cet" for "ce"): a response word that spans glued words is
// cut into one piece per word, and a response word that is the form a word
// takes with nothing after it is a missed elision.
#include <algorithm>
#include <string>
#include <vector>
#include "analysis/analysis.h"
#include "engine/engine.h"

bool err_glued(const char *word, bool &join)
{
    bool first = true, glued = false;
    for (const char *p = word ? word : ""; *p; p++) {
        if (*p == '^') {
            join = true;
        } else if (*p != '`') {
            if (first)
                glued = join;
            first = false;
            join = false;
        }
    }
    return glued;
}

// ---------------------------------------------------------- cutting a word

// The word cut where its best alignment with the joined parts puts the
// parts' boundaries: the edit-distance matrix of the two, walked back from
// its last cell. A changed letter stays in its part; letters the response
// adds at a boundary go to the part after it.
static std::vector<std::string> cutaligned(const std::string &word,
                                           const std::vector<std::string> &parts)
{
    std::string joined;
    std::vector<size_t> bounds;               // where each part after the first begins
    for (const std::string &p : parts) {
        if (!joined.empty())
            bounds.push_back(joined.size());
        joined += p;
    }
    const size_t lx = joined.size(), ly = word.size(), w = ly + 1;
    std::vector<chardiff> m((lx + 1) * w);
    for (size_t c = 0; c <= ly; c++)
        m[c] = {static_cast<int>(c), c == 0 ? -1 : 1};
    for (size_t r = 1; r <= lx; r++) {
        m[r * w] = {static_cast<int>(r), 2};
        for (size_t c = 1; c <= ly; c++) {
            int differs = joined[r - 1] != word[c - 1] ? 1 : 0;
            chardiff cell{m[(r - 1) * w + c - 1].value + differs, -1};
            if (m[r * w + c - 1].value + 1 < cell.value)
                cell = {m[r * w + c - 1].value + 1, 1};
            if (m[(r - 1) * w + c].value + 1 < cell.value)
                cell = {m[(r - 1) * w + c].value + 1, 2};
            m[r * w + c] = cell;
        }
    }
    std::vector<size_t> cuts(bounds.size(), 0);
    for (size_t r = lx, c = ly; r > 0 || c > 0;) {
        for (size_t b = 0; b < bounds.size(); b++)
            if (bounds[b] == r)
                cuts[b] = c;
        int from = m[r * w + c].from;
        if (r == 0 || (from == 1 && c > 0)) {
            c--;
        } else if (c == 0 || from == 2) {
            r--;
        } else {
            r--;
            c--;
        }
    }
    std::vector<std::string> pieces;
    size_t at = 0;
    for (size_t k = 0; k <= cuts.size(); k++) {
        size_t end = k < cuts.size() ? std::max(cuts[k], at) : ly;
        pieces.push_back(word.substr(at, end - at));
        at = end;
    }
    return pieces;
}

std::vector<std::string> err_cut_glued(const std::string &word,
                                       const std::vector<std::string> &parts)
{
    if (parts.size() < 2)
        return {};
    std::string head, tail;                   // all parts but the last; all but the first
    for (size_t k = 0; k + 1 < parts.size(); k++)
        head += parts[k];
    for (size_t k = 1; k < parts.size(); k++)
        tail += parts[k];
    std::vector<std::string> pieces;
    if (word.size() > head.size() && word.compare(0, head.size(), head) == 0) {
        // the glued words before the last typed exactly: "j'aimons"
        pieces.assign(parts.begin(), parts.end() - 1);
        pieces.push_back(word.substr(head.size()));
    } else if (word.size() > tail.size() &&
               word.compare(word.size() - tail.size(), tail.size(), tail) == 0) {
        pieces.push_back(word.substr(0, word.size() - tail.size()));
        pieces.insert(pieces.end(), parts.begin() + 1, parts.end());
    } else if (word.size() <= SPLITSIZE && head.size() + parts.back().size() <= SPLITSIZE &&
               strdiff((head + parts.back()).c_str(), word.c_str()) != NOTSIMILAR) {
        pieces = cutaligned(word, parts);
    }
    pieces.erase(std::remove(pieces.begin(), pieces.end(), std::string()), pieces.end());
    if (pieces.size() < 2)
        pieces.clear();
    return pieces;
}

response_units err_glued_units(const std::vector<std::string> &words,
                               const std::vector<std::string> &expected,
                               const std::vector<bool> &glued)
{
    struct run {                              // expected words first..last, shown as one
        size_t first, last;
        bool used;
    };
    std::vector<run> runs;
    for (size_t i = 0; i < expected.size();) {
        size_t last = i;
        while (last + 1 < expected.size() && last + 1 < glued.size() && glued[last + 1] &&
               !expected[last].empty() && !expected[last + 1].empty())
            last++;
        if (last > i)
            runs.push_back({i, last, false});
        i = last + 1;
    }
    response_units units;
    for (size_t j = 0; j < words.size(); j++) {
        const std::string &word = words[j];
        std::vector<std::string> best;
        run *chosen = nullptr;
        size_t distance = 0;
        // A word that is one expected word as it stands is never cut.
        if (std::find(expected.begin(), expected.end(), word) == expected.end())
            for (run &r : runs) {
                if (r.used)
                    continue;
                std::vector<std::string> pieces = err_cut_glued(
                    word, std::vector<std::string>(expected.begin() + static_cast<long>(r.first),
                                                   expected.begin() + static_cast<long>(r.last) + 1));
                size_t at = units.text.size();
                size_t d = r.first > at ? r.first - at : at - r.first;
                if (!pieces.empty() && (chosen == nullptr || d < distance)) {
                    best = std::move(pieces);
                    chosen = &r;
                    distance = d;
                }
            }
        if (chosen != nullptr)
            chosen->used = true;
        else
            best.assign(1, word);
        for (std::string &piece : best) {
            units.text.push_back(std::move(piece));
            units.wordno.push_back(static_cast<int>(j) + 1);
        }
    }
    return units;
}

// ------------------------------------------------------------ alone forms

std::string err_alone_form(t_treenode *leaf, bool capital)
{
    if (leaf == nullptr || leaf->right == nullptr)
        return "";
    // Kept with the leaf's variants, for the responses compared after.
    morphvar *mark = findmark(leaf, MVALONE);
    if (mark == nullptr) {
        std::vector<std::unique_ptr<morphvar>> block;
        block.push_back(std::make_unique<morphvar>());
        block.front()->kind = MVALONE;
        block.front()->variant = remove_spaceeater(inflect_alone(leaf).c_str());
        keepblock(leaf, block);
        mark = findmark(leaf, MVALONE);
    }
    std::string alone = mark != nullptr ? mark->variant : "";
    if (capital && !alone.empty())
        alone[0] = static_cast<char>(capitalised(static_cast<unsigned char>(alone[0])));
    return alone;
}
