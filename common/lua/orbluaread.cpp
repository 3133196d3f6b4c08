#include "orbluaread.h"

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <string>

#include "luaconf.h"

namespace {

constexpr bool SameText(const char* a, const char* b) {
    return *a == *b && (*a == 0 || SameText(a + 1, b + 1));
}
static_assert(SameText(LUA_NUMBER_SCAN, "%lf"), "liolib.c reads its numbers with another format");

int Lower(int c) { return c == EOF ? EOF : std::tolower(c); }

// Reads the rest of word after its first letter; false when a character differs (it
// stays read, as with the C99 scanf).
bool MatchRest(FILE* f, const char* rest, std::string& text) {
    for (; *rest; ++rest) {
        int c = getc(f);
        if (c == EOF || Lower(c) != *rest) return false;
        text += static_cast<char>(c);
    }
    return true;
}

}  // namespace

#undef fscanf

int ORBLuaScanNumber(FILE* f, double* number) {
    int c;
    do c = getc(f);
    while (c != EOF && std::isspace(c));
    if (c == EOF) return EOF;

    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        c = getc(f);
        if (c == EOF) return 0;
    }
    std::string text;
    if (Lower(c) == 'n') {
        text += static_cast<char>(c);
        if (!MatchRest(f, "an", text)) return 0;
    } else if (Lower(c) == 'i') {
        text += static_cast<char>(c);
        if (!MatchRest(f, "nf", text)) return 0;
        c = getc(f);
        if (Lower(c) == 'i') {
            text += static_cast<char>(c);
            if (!MatchRest(f, "nity", text)) return 0;
        } else if (c != EOF) {
            ungetc(c, f);
        }
    } else {
        bool hex = false, seenDot = false, seenExp = false;
        char expMark = 'e';
        if (c == '0') {
            text += '0';
            c = getc(f);
            if (Lower(c) == 'x') {
                text += static_cast<char>(c);
                hex = true;
                expMark = 'p';
                c = getc(f);
            }
        }
        const char* point = std::localeconv()->decimal_point;
        for (;;) {
            if ((c != EOF && std::isdigit(c)) || (!seenExp && hex && c != EOF && std::isxdigit(c)) ||
                (seenExp && text.back() == expMark && (c == '-' || c == '+'))) {
                text += static_cast<char>(c);
            } else if (!text.empty() && !seenExp && Lower(c) == expMark) {
                text += expMark;
                seenExp = seenDot = true;
            } else {
                const char* p = point;
                if (!seenDot) {
                    while (*p && static_cast<unsigned char>(*p) == c) {
                        ++p;
                        if (*p == 0 || (c = getc(f)) == EOF) break;
                    }
                }
                if (*p != 0 || p == point) {
                    if (c != EOF) ungetc(c, f);
                    break;
                }
                text += point;
                seenDot = true;
            }
            c = getc(f);
            if (c == EOF) break;
        }
        if (text.empty() || (hex && text.size() == 2)) return 0;
    }
    char* end = nullptr;
    const double d = static_cast<double>(__mingw_strtold(text.c_str(), &end));
    if (end == text.c_str()) return 0;
    *number = negative ? -d : d;
    return 1;
}
