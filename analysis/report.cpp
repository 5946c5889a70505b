// The report of one comparison: each expected word's closest match, the
// expected words not found, the response words left over, and one line per
// matched pair, kept within REPORTSIZE characters.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include "analysis/analysis.h"

namespace {

// The report's text. A line that does not fit whole is not added: the
// report ends with a notice instead, and the closing "***" always fits.
class reportbuf {
public:
    void add(std::string_view line)
    {
        if (cut)
            return;
        if (text.size() + line.size() + notice().size() + ending.size() > REPORTSIZE) {
            cut = true;
            text += notice();
            return;
        }
        text += line;
    }
    std::string finish() { return std::move(text += ending); }

private:
    static constexpr std::string_view ending = "***\n";
    static std::string_view notice()
    {
        static char line[64];
        static const int n = std::snprintf(line, sizeof line,
                                           "Report cut: longer than %zu characters\n", REPORTSIZE);
        return {line, static_cast<size_t>(n)};
    }
    std::string text;
    bool cut = false;
};

[[gnu::format(printf, 1, 2)]] std::string format(const char *fmt, ...)
{
    va_list ap, again;
    va_start(ap, fmt);
    va_copy(again, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, ap);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    std::vsnprintf(s.data(), s.size() + 1, fmt, again);
    va_end(again);
    va_end(ap);
    return s;
}

} // namespace

std::string err_get_matchinfo(int i, int j, const lexdiff &cell, const std::string &expected,
                              const std::string &response)
{
    const char *e = expected.c_str(), *r = response.c_str();
    std::string line = format("C%i S%i   ", i, j);
    switch (cell.matchclass) {
    case 0:
        return line + format("EXACT   %s/%s\n", e, r);
    case 1:
        line += format("MORPH    %s/%s ", e, r);
        for (int k = 0; k < BREAKUPS && !cell.breakup[k].empty(); k++)
            line += (k > 0 ? "OR  " : "") + cell.breakup[k] + "  ";
        return line + "\n";
    case 2:
        return line + format("APPROX   %s/%s\n", e, r);
    case ELISIONCLASS:
        return line + format("ELISION  %s/%s\n", e, r);
    case 4:
        line += format("PHONO %s/%s   ", e, r);
        if (cell.error[0] != "none")
            line += "\n" + cell.error[0];
        else
            for (int k = 0; k < BREAKUPS && !cell.breakup[k].empty(); k++)
                line += cell.breakup[k] + " ";
        return line + "\n";
    default:
        break;
    }
    const TAG_TABLE *tag = cell.matchclass >= 5 ? err_get_tag_name(cell.matchclass) : nullptr;
    if (tag == nullptr)
        return "unrecognizable match type\n";
    return line + format("LEX %s/%s  %i:%s\n", e, r, tag->field, tag->tag.c_str());
}

std::string err_get_report(const std::vector<lexdiff> &matrix, int y, int x,
                           const std::vector<std::string> &words,
                           const std::vector<std::string> &expected,
                           const std::vector<int> *wordno)
{
    reportbuf out;
    auto sno = [&](int j) { return wordno != nullptr ? (*wordno)[static_cast<size_t>(j - 1)] : j; };
    auto cls = [&](int i, int j) { return matrix[cellat(i, j, x)].matchclass; };
    std::vector<int> match(static_cast<size_t>(y) + 1, 0);   // step 1: closest related word
    std::vector<int> given(static_cast<size_t>(y) + 1, 0);   // step 2: the word handed over
    bool correct = x > 0;             // an empty response is never correct

    for (int i = 1; i <= y; i++) {
        int best = 0;
        for (int j = 1; j <= x; j++)
            if (cls(i, j) != 3 && (best == 0 || std::abs(j - i) < std::abs(best - i)))
                best = j;
        match[static_cast<size_t>(i)] = best;
        if (best == 0) {
            // A word the response lacks, even at its end, makes it incorrect.
            out.add(format("C%i --  MISSING  %s\n", i, expected[static_cast<size_t>(i - 1)].c_str()));
            correct = false;
        } else if (best != i || cls(i, best) != 0) {
            correct = false;
        }
    }

    for (int j = 1; j <= x; j++) {
        int i = 1;
        while (i <= y && (cls(i, j) == 3 || given[static_cast<size_t>(i)] != 0))
            i++;
        if (i <= y) {
            given[static_cast<size_t>(i)] = j;
        } else {
            out.add(format("-- S%i  EXTRA    %s\n", sno(j),
                           words[static_cast<size_t>(j - 1)].c_str()));
            correct = false;
        }
    }

    if (correct)
        out.add("CORRECT\n");
    else
        for (int i = 1; i <= y; i++) {
            int j = match[static_cast<size_t>(i)];
            if (j != 0 && given[static_cast<size_t>(i)] != 0)
                out.add(err_get_matchinfo(i, sno(j), matrix[cellat(i, j, x)],
                                          expected[static_cast<size_t>(i - 1)],
                                          words[static_cast<size_t>(j - 1)]));
        }
    return out.finish();
}
