// The options text: the one-line form of ImportSettings kept in the settings
// store and in .kis files, e.g.
//   (black|fudge|gamma|levels|matrix|sat|tt|wb) gamma=2.22222 noise(0,0) tt=3 m=8 rot=0
//   rscale(256,256) gscale(256,256) bscale(256,256) usm(100,1.10,0) sat(1.20)
// (one line). Numbers are written and read in the "C" locale whatever the
// process locale is.
#include <algorithm>
#include <cstring>

#include "engine/core/AsciiText.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/NumberText.h"

namespace kyp {

namespace {

using ascii::IsAlnum;

struct Keyword {
    const char* name;
    uint32_t bit;
};

// Ascending by keyword: the flag reader stops scanning at the first keyword
// whose first letter sorts after the name's.
constexpr Keyword kKeywords[] = {
    {"asktt", opt::asktt},   {"balance", opt::balance},     {"black", opt::black}, {"curves", opt::curves},
    {"fudge", opt::fudge},   {"gamma", opt::gamma},         {"gray", opt::gray},   {"hflip", opt::hflip},
    {"invert", opt::invert}, {"levels", opt::levels},       {"matrix", opt::matrix},
    {"rawcurves", opt::rawcurves}, {"rgblevels", opt::rgblevels}, {"sat", opt::sat},
    {"scale", opt::scale},   {"tt", opt::tt},               {"usm", opt::usm},     {"vflip", opt::vflip},
    {"wb", opt::wb},
};

// Tokens are at most 14 characters; a longer run of letters and digits is cut
// and its rest read as the next token.
constexpr int kTokenLength = 14;
using Token = char[kTokenLength + 1];

void ReadToken(const char*& p, Token token) {
    int n = 0;
    while (n < kTokenLength && IsAlnum(*p)) token[n++] = ascii::ToLower(*p++);
    token[n] = '\0';
}

uint32_t LookUpKeyword(const Token name) {
    for (const Keyword& keyword : kKeywords) {
        if (keyword.name[0] > name[0]) break;
        if (std::strcmp(keyword.name, name) == 0) return keyword.bit;
    }
    return 0;
}

void SkipNonAlnum(const char*& p) {
    while (*p && !IsAlnum(*p)) ++p;
}

// Every value is preceded by one separator ("=", "(" or ","), and one more
// character follows the last value of a key. Never steps over the terminator.
void StepOver(const char*& p) {
    if (*p) ++p;
}

int32_t ReadInt(const char*& p) {
    StepOver(p);
    int32_t value = 0;
    p = numtext::ParseInt(p, value);
    return value;
}

double ReadNumber(const char*& p) {
    StepOver(p);
    double value = 0.0;
    p = numtext::ParseDouble(p, value);
    return value;
}

uint32_t ReadRatio(const char*& p) {
    const uint32_t multiplier = static_cast<uint32_t>(ReadInt(p)) & 0xFFFFu;
    const uint32_t divisor = static_cast<uint32_t>(ReadInt(p)) & 0xFFFFu;
    StepOver(p);
    return multiplier << 16 | divisor;
}

void ReadGamma(const char*& p, ImportSettings& settings) {
    settings.gammaExponent = kDefaultGammaExponent;
    const double v = ReadNumber(p);
    // The bounds are single-precision values and the text's number is compared
    // as one, so "0.1" itself is accepted; the exponent is the double
    // reciprocal narrowed to float (2.22222 reads back as 0.45000044).
    const float narrowed = numtext::ToFloat(v);
    if (narrowed >= 0.1f && narrowed <= 10.0f) settings.gammaExponent = static_cast<float>(1.0 / v);
    while (*p == '.' || ascii::IsDigit(*p) || *p == 'e' || *p == 'E') ++p;
    StepOver(p);
}

void HandleKey(const Token key, const char*& p, ImportSettings& s) {
    if (std::strcmp(key, "m") == 0) {
        const int32_t value = ReadInt(p);
        // 2 to 6 named methods that no longer exist; they fall back to the best one.
        s.method = (value >= 2 && value <= 6) ? method::best : static_cast<uint16_t>(value);
        StepOver(p);
    } else if (std::strcmp(key, "noise") == 0) {
        s.darkThreshold = ReadInt(p);
        s.brightThreshold = ReadInt(p);
        StepOver(p);
    } else if (std::strcmp(key, "gamma") == 0) {
        ReadGamma(p, s);
    } else if (std::strcmp(key, "tt") == 0) {
        s.textureThreshold = ReadInt(p);
        StepOver(p);
    } else if (std::strcmp(key, "rot") == 0) {
        // Stored from bit 12 up; values above 3 spill into the bits above the field.
        const uint32_t value = static_cast<uint32_t>(ReadInt(p));
        s.options = (s.options & ~opt::rotMask) | value << opt::rotShift;
        StepOver(p);
    } else if (std::strcmp(key, "rscale") == 0) {
        s.redScale = ReadRatio(p);
    } else if (std::strcmp(key, "gscale") == 0) {
        s.greenScale = ReadRatio(p);
    } else if (std::strcmp(key, "bscale") == 0) {
        s.blueScale = ReadRatio(p);
    } else if (std::strcmp(key, "usm") == 0) {
        s.usmAmount = ReadInt(p);
        s.usmRadius = numtext::ToFloat(ReadNumber(p));
        s.usmThreshold = ReadInt(p);
        StepOver(p);
    } else if (std::strcmp(key, "sat") == 0) {
        s.saturation = numtext::ToFloat(ReadNumber(p));
        StepOver(p);
    }
    // Any other key: what follows is skipped or read as further tokens.
}

}  // namespace

std::string WriteOptionsText(const ImportSettings& s) {
    std::string text;
    text.reserve(256);
    bool any = false;
    for (const Keyword& keyword : kKeywords) {
        if (!(s.options & keyword.bit)) continue;
        text += any ? '|' : '(';
        text += keyword.name;
        any = true;
    }
    if (any) text += ')';

    using numtext::AppendInt;
    text += " gamma=";
    numtext::AppendGeneral(text, 1.0 / static_cast<double>(s.gammaExponent));
    text += " noise(";
    AppendInt(text, s.darkThreshold);
    text += ',';
    AppendInt(text, s.brightThreshold);
    text += ") tt=";
    AppendInt(text, s.textureThreshold);
    text += " m=";
    AppendInt(text, s.method);
    text += " rot=";
    AppendInt(text, s.rotation());

    const uint32_t* ratios[] = {&s.redScale, &s.greenScale, &s.blueScale};
    const char* names[] = {" rscale(", " gscale(", " bscale("};
    for (int i = 0; i < 3; ++i) {
        text += names[i];
        AppendInt(text, *ratios[i] >> 16);
        text += ',';
        AppendInt(text, *ratios[i] & 0xFFFFu);
        text += ')';
    }

    text += " usm(";
    AppendInt(text, s.usmAmount);
    text += ',';
    numtext::AppendFixed(text, s.usmRadius, 2);
    text += ',';
    AppendInt(text, s.usmThreshold);
    text += ") sat(";
    numtext::AppendFixed(text, s.saturation, 2);
    text += ')';
    return text;
}

void WriteOptionsText(const ImportSettings& settings, char* out, int outSize) {
    if (!out || outSize <= 0) return;
    const std::string text = WriteOptionsText(settings);
    const size_t n = std::min(text.size(), static_cast<size_t>(outSize) - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void ReadOptionsText(const char* text, ImportSettings& settings) {
    settings = ImportSettings{};
    if (!text) return;
    const char* p = text;

    // "(name|name|...)": the option bits.
    if (*p == '(') {
        uint32_t bits = 0;
        while (*p && *p != ')') {
            ++p;  // the "(" or "|"
            Token name;
            ReadToken(p, name);
            bits |= LookUpKeyword(name);
            while (*p && *p != '|' && *p != ')') ++p;
        }
        settings.options = bits;
    }

    // key=value and key(value,...) items.
    SkipNonAlnum(p);
    while (*p) {
        Token key;
        ReadToken(p, key);
        HandleKey(key, p, settings);
        SkipNonAlnum(p);
    }
}

}  // namespace kyp
