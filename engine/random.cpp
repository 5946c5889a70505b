// The engine's random generator, a multiplicative congruential one with the
// multiplier 5 to the 5th, and its error line.
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/time.h>
#include "engine/engine.h"

uint64_t seed = 1;                    // only the low 32 bits are drawn from

int getrandom(int n)
{
    if (n <= 0)
        return -1;
    seed = (seed * 3125u) & 0xffffffffu;
    int r = static_cast<int>(std::floor(n * (static_cast<double>(seed) / 4294967296.0)));
    if (r >= n)
        r = n - 1;
    return r;
}

void reseed(long n)
{
    if (n == 0) {
        timeval tv{};
        gettimeofday(&tv, nullptr);
        seed = static_cast<uint64_t>(tv.tv_usec);
    } else {
        seed = static_cast<uint64_t>(static_cast<int64_t>(n));
    }
    seed |= 1;
    v_linef(MSGCORE, "Setting random seed: %lu", static_cast<unsigned long>(seed));
}

void printseed(int corefile)
{
    v_linef(corefile, "Current random seed: %lu", static_cast<unsigned long>(seed));
}

std::string echo(const char *text)
{
    std::string_view s = text != nullptr ? text : "";
    if (s.size() <= ECHOSIZE)
        return std::string(s);
    return std::string(s.substr(0, ECHOSIZE)) + "...";
}

void (*errhook)(const char *place, const char *a, const char *b, const char *c) = nullptr;

// While a file is read the line begins with its name and line number. A
// message that would not fit its line shows each long part as a prefix, so
// that the words after an echoed input are never cut off.
void v_err(const char *a, const char *b, const char *c)
{
    const char *place = v_place();
    const char *op = file_operation ? file_operation : "";
    std::string parts[3] = {a ? a : "", b ? b : "", c ? c : ""};
    size_t length = std::strlen(place) + std::strlen(op) + std::strlen(file_position) + 10;
    for (const std::string &p : parts)
        length += p.size();
    if (length > ENGLINESIZE - 1)
        for (std::string &p : parts)
            p = echo(p.c_str());
    v_errcount++;
    if (errhook != nullptr)
        errhook(place, parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
    v_linef(MSGCORE, "%sERROR %s %s %s %s %s", place, op, file_position, parts[0].c_str(),
            parts[1].c_str(), parts[2].c_str());
}

v_text v_strdup(const char *text)
{
    if (text == nullptr)
        return nullptr;
    size_t n = std::strlen(text);
    v_text copy(new char[n + 1]);
    std::memcpy(copy.get(), text, n + 1);
    return copy;
}
