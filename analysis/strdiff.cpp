// The spelling distance of an expected word and a response word: the edit
// distance with unit costs, kept only when it is small for the words'
// lengths, NOTSIMILAR otherwise.
#include <cstring>
#include <vector>
#include "analysis/analysis.h"

int strdiff(const char *x, const char *y)
{
    if (x == nullptr || y == nullptr || *x == 0 || *y == 0)
        return NOTSIMILAR;
    const int lx = static_cast<int>(std::strlen(x)), ly = static_cast<int>(std::strlen(y));
    const int cols = ly + 1;
    // The matrix is kept between calls: most words are short.
    static std::vector<chardiff> m;
    m.assign(static_cast<size_t>(lx + 1) * static_cast<size_t>(cols), chardiff{0, -1});
    auto at = [&](int r, int c) -> chardiff & { return m[static_cast<size_t>(r * cols + c)]; };
    for (int r = 0; r <= lx; r++)
        at(r, 0) = {r, 2};
    for (int c = 0; c <= ly; c++)
        at(0, c) = {c, 1};
    at(0, 0) = {0, -1};
    for (int r = 1; r <= lx; r++)
        for (int c = 1; c <= ly; c++) {
            int diag = at(r - 1, c - 1).value + (x[r - 1] != y[c - 1] ? 1 : 0);
            int left = at(r, c - 1).value + 1;
            int above = at(r - 1, c).value + 1;
            chardiff cell{diag, -1};
            if (left < cell.value)
                cell = {left, 1};
            if (above < cell.value)
                cell = {above, 2};
            at(r, c) = cell;
        }
    int d = at(lx, ly).value;
    if (lx == 1 && ly == 1 && d == 0)
        return d;
    if (lx == 3 && d <= 1)
        return d;
    if (d < lx / 2 && d < ly / 2)
        return d;
    return NOTSIMILAR;
}
