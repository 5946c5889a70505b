// UTF-8 at the edges of the exercise layer, Latin-1 inside the engine.
#include "exercise/exercise.h"
#include <cstdio>

// A code point as "U+00E9".
static std::string codepoint_name(unsigned long cp)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04lX", cp);
    return buf;
}

bool to_latin1(const std::string &utf8, std::string &out, std::string &error)
{
    out.clear();
    error.clear();
    size_t i = 0, n = utf8.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned long cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1F;
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0F;
            len = 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07;
            len = 4;
        } else {
            error = "not valid UTF-8 (byte " + std::to_string(c) + " at position " +
                    std::to_string(i + 1) + ")";
            return false;
        }
        if (i + len > n) {
            error = "not valid UTF-8 (the text ends inside a character)";
            return false;
        }
        for (size_t k = 1; k < len; k++) {
            unsigned char d = static_cast<unsigned char>(utf8[i + k]);
            if ((d & 0xC0) != 0x80) {
                error = "not valid UTF-8 (byte " + std::to_string(c) + " at position " +
                        std::to_string(i + 1) + ")";
                return false;
            }
            cp = cp << 6 | (d & 0x3F);
        }
        // Overlong forms and surrogates are not characters.
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            error = "not valid UTF-8 (at position " + std::to_string(i + 1) + ")";
            return false;
        }
        if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            error = "a control character (" + codepoint_name(cp) + ") cannot be part of an answer";
            return false;
        }
        if (cp > 0xFF) {
            error = "the character " + utf8.substr(i, len) + " (" + codepoint_name(cp) +
                    ") cannot be written in this exercise";
            return false;
        }
        out += static_cast<char>(cp);
        i += len;
    }
    return true;
}

std::string to_utf8(const std::string &latin1)
{
    std::string out;
    out.reserve(latin1.size() + latin1.size() / 4);
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
