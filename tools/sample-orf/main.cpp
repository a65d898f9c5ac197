// make-sample-orf: writes a synthetic Olympus ORF file (big-endian TIFF with
// "OR", 10-bit raw mosaic in strips, JPEG preview, Exif and Olympus maker note).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tools/sample-orf/SampleOrf.h"

namespace {

using kyp::sample::SampleOrfOptions;

void Usage() {
    std::fputs(
        "usage: make-sample-orf [options] output.orf\n"
        "picture:   --width N --height N --photo file.ppm|pgm --preview-width N --no-preview\n"
        "           --rows-per-strip N --min-size BYTES\n"
        "main:      --make S --model S --software S --date 'YYYY:MM:DD HH:MM:SS'\n"
        "Exif:      --exposure-time N/D --fnumber N/D --program N --iso N --bias N/D\n"
        "           --max-aperture N/D --metering N --light-source N --flash N\n"
        "           --focal-length N/D --colour-space N --no-interop\n"
        "maker:     --no-maker-note --maker-signature S --quality N --macro N\n"
        "           --digital-zoom N/D --firmware S --flash-mode N --bracket-bias N/D\n"
        "           --focus N --zoom-step N --sharpness N --contrast N\n"
        "           --matrix a,b,c,d,e,f,g,h,i --black a,b,c,d --wb-mode A,B\n"
        "           --red N --blue N --flash-bias N/D\n",
        stderr);
}

// Parses "a<sep>b<sep>..." into count integers within [low, high].
bool ParseList(const char* text, char separator, long long low, long long high, long long* out, int count) {
    const char* p = text;
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        const long long v = std::strtoll(p, &end, 0);
        if (end == p || v < low || v > high) return false;
        out[i] = v;
        if (i + 1 < count) {
            if (*end != separator) return false;
            p = end + 1;
        } else if (*end != '\0') {
            return false;
        }
    }
    return true;
}

template <class T>
bool Number(const char* text, T& out, long long low, long long high) {
    long long v;
    if (!ParseList(text, ',', low, high, &v, 1)) return false;
    out = static_cast<T>(v);
    return true;
}

template <class T>
bool Pair(const char* text, char separator, T (&out)[2], long long low, long long high) {
    long long v[2];
    if (!ParseList(text, separator, low, high, v, 2)) return false;
    out[0] = static_cast<T>(v[0]);
    out[1] = static_cast<T>(v[1]);
    return true;
}

template <class T, int N>
bool List(const char* text, T (&out)[N], long long low, long long high) {
    long long v[N];
    if (!ParseList(text, ',', low, high, v, N)) return false;
    for (int i = 0; i < N; ++i) out[i] = static_cast<T>(v[i]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SampleOrfOptions o;
    std::string output;
    constexpr long long kU16 = 65535, kU32 = 4294967295LL, kS32 = 2147483647LL;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        }
        if (a == "--no-preview") { o.writePreview = false; continue; }
        if (a == "--no-maker-note") { o.writeMakerNote = false; continue; }
        if (a == "--no-interop") { o.writeInteroperability = false; continue; }
        if (a.size() < 2 || a.substr(0, 2) != "--") {
            if (!output.empty()) { Usage(); return 1; }
            output = argv[i];
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "make-sample-orf: %s needs a value\n", argv[i]);
            return 1;
        }
        const char* v = argv[++i];
        bool ok = true;
        if (a == "--width") ok = Number(v, o.width, 1, 65535);
        else if (a == "--height") ok = Number(v, o.height, 1, 65535);
        else if (a == "--photo") o.photo = v;
        else if (a == "--preview-width") ok = Number(v, o.previewWidth, 0, 65535);
        else if (a == "--rows-per-strip") ok = Number(v, o.rowsPerStrip, 1, 65535);
        else if (a == "--min-size") ok = Number(v, o.minimumFileSize, 0, kU32);
        else if (a == "--make") o.make = v;
        else if (a == "--model") o.model = v;
        else if (a == "--software") o.software = v;
        else if (a == "--date") o.dateTime = v;
        else if (a == "--exposure-time") ok = Pair(v, '/', o.exposureTime, 0, kU32);
        else if (a == "--fnumber") ok = Pair(v, '/', o.fNumber, 0, kU32);
        else if (a == "--program") ok = Number(v, o.exposureProgram, 0, kU16);
        else if (a == "--iso") ok = Number(v, o.isoSpeed, 0, kU16);
        else if (a == "--bias") ok = Pair(v, '/', o.exposureBias, -kS32 - 1, kS32);
        else if (a == "--max-aperture") ok = Pair(v, '/', o.maxAperture, 0, kU32);
        else if (a == "--metering") ok = Number(v, o.meteringMode, 0, kU16);
        else if (a == "--light-source") ok = Number(v, o.lightSource, 0, kU16);
        else if (a == "--flash") ok = Number(v, o.flash, 0, kU16);
        else if (a == "--focal-length") ok = Pair(v, '/', o.focalLength, 0, kU32);
        else if (a == "--colour-space") ok = Number(v, o.colourSpace, 0, kU16);
        else if (a == "--maker-signature") o.makerNoteSignature = v;
        else if (a == "--quality") ok = Number(v, o.quality, 0, kU16);
        else if (a == "--macro") ok = Number(v, o.macro, 0, kU16);
        else if (a == "--digital-zoom") ok = Pair(v, '/', o.digitalZoom, 0, kU32);
        else if (a == "--firmware") o.firmware = v;
        else if (a == "--flash-mode") ok = Number(v, o.flashMode, 0, kU16);
        else if (a == "--bracket-bias") ok = Pair(v, '/', o.bracketBias, -kS32 - 1, kS32);
        else if (a == "--focus") ok = Number(v, o.focusMode, 0, kU16);
        else if (a == "--zoom-step") ok = Number(v, o.zoomStep, 0, kU16);
        else if (a == "--sharpness") ok = Number(v, o.sharpness, 0, kU16);
        else if (a == "--contrast") ok = Number(v, o.contrast, 0, kU16);
        else if (a == "--matrix") ok = List(v, o.colourMatrix, -32768, 32767);
        else if (a == "--black") ok = List(v, o.blackLevels, 0, kU16);
        else if (a == "--wb-mode") ok = Pair(v, ',', o.whiteBalance, 0, kU16);
        else if (a == "--red") ok = Number(v, o.redBalance, 0, kU16);
        else if (a == "--blue") ok = Number(v, o.blueBalance, 0, kU16);
        else if (a == "--flash-bias") ok = Pair(v, '/', o.flashBias, -kS32 - 1, kS32);
        else {
            std::fprintf(stderr, "make-sample-orf: unknown option %s\n", argv[i - 1]);
            Usage();
            return 1;
        }
        if (!ok) {
            std::fprintf(stderr, "make-sample-orf: bad value for %s: %s\n", argv[i - 1], v);
            return 1;
        }
    }
    if (output.empty()) {
        Usage();
        return 1;
    }
    if (!kyp::sample::WriteSampleOrf(output, o)) {
        std::fprintf(stderr, "make-sample-orf: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
