// The spelling distance of an expected word and a response word: the edit
// distance with unit costs, kept only when it is small for the words'
// lengths, NOTSIMILAR otherwise.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "analysis/analysis.h"

int strdiff(const char *x, const char *y)
{
    if (x == nullptr || y == nullptr || *x == 0 || *y == 0)
        return NOTSIMILAR;
    const int lx = static_cast<int>(std::strlen(x)), ly = static_cast<int>(std::strlen(y));
    // The largest distance that is kept for these lengths. The distance is
    // at least the difference of the lengths, and never below the smallest
    // value of a row of the matrix: once either is beyond the limit, the
    // words are not similar, whatever the rest of the matrix holds.
    const int limit =
        lx == 1 && ly == 1 ? 0 : std::max(lx == 3 ? 1 : -1, std::min(lx / 2, ly / 2) - 1);
    if (std::abs(lx - ly) > limit)
        return NOTSIMILAR;
    // Two rows of the matrix at a time: the row above and the one being
    // filled. Each cell takes the diagonal, then the left, then the cell
    // above, the first of equal values winning; only the last value counts.
    static std::vector<chardiff> above, row;
    above.resize(static_cast<size_t>(ly) + 1);
    row.resize(static_cast<size_t>(ly) + 1);
    for (int c = 0; c <= ly; c++)
        above[static_cast<size_t>(c)] = {c, c == 0 ? -1 : 1};
    for (int r = 1; r <= lx; r++) {
        row[0] = {r, 2};
        const char xc = x[r - 1];
        int least = r;
        for (int c = 1; c <= ly; c++) {
            const auto k = static_cast<size_t>(c);
            chardiff cell{above[k - 1].value + (xc != y[c - 1] ? 1 : 0), -1};
            if (row[k - 1].value + 1 < cell.value)
                cell = {row[k - 1].value + 1, 1};
            if (above[k].value + 1 < cell.value)
                cell = {above[k].value + 1, 2};
            row[k] = cell;
            least = std::min(least, cell.value);
        }
        if (least > limit)
            return NOTSIMILAR;
        std::swap(above, row);
    }
    int d = above[static_cast<size_t>(ly)].value;
    if (lx == 1 && ly == 1 && d == 0)
        return d;
    if (lx == 3 && d <= 1)
        return d;
    if (d < lx / 2 && d < ly / 2)
        return d;
    return NOTSIMILAR;
}
