// The settings readers over tables of texts and files, valid and damaged (cut
// at every length, a byte overwritten at every place), the comparison of
// settings records over every single change, and curve tables over many
// curves: what each made, written as one line per case, is compared with the
// results recorded in settings/*.golden.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/settings/AcvFile.h"
#include "engine/settings/CurveTable.h"
#include "engine/settings/KisFile.h"
#include "engine/settings/StoredSettings.h"
#include "engine/settings/TagReader.h"
#include "platform/Golden.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

std::string Dump(const ImportSettings& s) {
    char text[256];
    std::snprintf(text, sizeof text, "o=%08X g=%.9g n=%d,%d scale=%08X,%08X,%08X tt=%d m=%u usm=%d,%.9g,%d sat=%.9g",
                  s.options, static_cast<double>(s.gammaExponent), s.darkThreshold, s.brightThreshold, s.redScale,
                  s.greenScale, s.blueScale, s.textureThreshold, s.method, s.usmAmount,
                  static_cast<double>(s.usmRadius), s.usmThreshold, static_cast<double>(s.saturation));
    return text;
}

std::string Dump(const CurveArray& curves) {
    std::string out;
    for (const Curve& c : curves) out += (out.empty() ? "" : " | ") + c.WriteText();
    return out;
}

std::string Text(const std::optional<std::string>& text) {
    if (!text) return "-";
    return text->size() <= 80 ? "'" + *text + "'" : "<" + std::to_string(text->size()) + " bytes>";
}

std::string Dump(const OutputSettings& o) {
    return o.WriteFormatTags() + " artist=" + Text(o.artist) + " copyright=" + Text(o.copyright) +
           " description=" + Text(o.description);
}

std::string Tags(const std::string& text) {
    std::string out;
    const bool ok = ReadTags(text.data(), static_cast<int>(text.size()), [&out](const char* name, const char* value) {
        out += std::string(" [") + name + "|" + value + "]";
        return true;
    });
    return (ok ? "ok" : "fail") + out;
}

ImportSettings Defaults() {
    ImportSettings s;
    SetDefaults(s);
    return s;
}

// From the defaults (the reader must keep nothing of them).
std::string Options(const char* text) {
    ImportSettings s = Defaults();
    ReadOptionsText(text, s);
    return Dump(s);
}

// A .kis text read over records holding the defaults and a changed green curve.
std::string Kis(const std::string& text, bool withOutput = true) {
    ImportSettings settings = Defaults();
    CurveArray curves;
    curves[curve::green].AddPoint(9, 9);
    OutputSettings output;
    output.ResetToDefaults();
    const bool ok = ReadKisText(text.data(), static_cast<int>(text.size()), settings, curves,
                                withOutput ? &output : nullptr);
    return std::string(ok ? "ok " : "fail ") + Dump(settings) + " / " + Dump(curves) + " / " + Dump(output);
}

CurveArray SampleCurves() {
    CurveArray curves;
    curves[curve::master].ReadText("3:0,10 128,140 255,250");
    curves[curve::blue].ReadText("2:5,0 250,255");
    return curves;
}

// Big-endian 16-bit words, as .acv files hold them.
std::vector<uint8_t> Words(const std::vector<int>& words) {
    std::vector<uint8_t> out;
    for (int w : words) out.insert(out.end(), {static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w)});
    return out;
}

std::string Acv(const std::vector<uint8_t>& bytes) {
    CurveArray curves = SampleCurves();
    const bool ok = ReadAcvData(bytes.data(), bytes.size(), curves);
    return (ok ? "ok " : "fail ") + Dump(curves);
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char two[3];
    for (uint8_t b : bytes) std::snprintf(two, sizeof two, "%02X", b), out += two;
    return out;
}

// Every cut of the bytes (0 up to the whole) and, with overwrites, every byte
// set to 0xFF.
void Damaged(test::GoldenFile& golden, const std::string& name, const std::string& bytes, bool overwrites,
             const std::function<std::string(const std::string&)>& read) {
    golden.CheckRuns(name + " cut", bytes.size() + 1, [&](size_t n) { return read(bytes.substr(0, n)); });
    if (!overwrites) return;
    golden.CheckRuns(name + " 0xFF at", bytes.size(), [&](size_t i) {
        std::string damaged = bytes;
        damaged[i] = '\xFF';
        return read(damaged);
    });
}

TEST(SettingsDump, SettingsReadersGiveTheRecordedResults) {
    test::GoldenFile golden("settings/parsers.golden");

    // ---- the tag reader ----
    const std::string tagTexts[] = {
        "<KypImport><version=4.0>\r\n<Options=\"(levels) a=b\">\r\n<Artist='O\"Brien'><x=>",
        "<a=\"1<2>'=\">", "<a= x y\t>", "<a=-->", "<a=''>", "<fmt = 2 ><Options = \"x\" >", "<ab cd=1>",
        "< \r\n tag>", "<-- a comment > with = signs --Name=1><x='2' -- after the value -->", "<-- never closed",
        "<-- ends in a hyphen -", "<-x>", "<a='1' -x>", "<1a>", "<a.b=1>", "<a=<>", "<a==1>", "<a='1'x>",
        "<a=\"open", "<a", "<>", "", " \r\n\t", "<_a-1>", "<a=1>\r\nstray words\r\n<b=2>", "<> >name=1>",
        std::string("<a=1>\0<b=2>", 11), "<a=1><b", "<" + std::string(200, 'n') + "=v>", "<a='x' ", "<a b>",
        "<a=\"x\"\t>", "<a=1 -->", "<--->", "<--x-->", "<a:b=1>"};
    for (const std::string& text : tagTexts) golden.Check("tags " + text, Tags(text));
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "<t=" + std::to_string(i) + ">";
    const std::string all = Tags(many);
    golden.Check("tags <t=0> to <t=99999>", std::to_string(std::count(all.begin(), all.end(), '[')) + " tags: " +
                                                all.substr(0, all.find(']') + 1) + " to" + all.substr(all.rfind(" [")));

    // ---- the options text ----
    const char* optionTexts[] = {
        "(black|fudge|gamma|levels|matrix|sat|tt|wb) gamma=2.22222 noise(0,0) tt=3 m=8 rot=0 "
        "rscale(256,256) gscale(256,256) bscale(256,256) usm(100,1.10,0) sat(1.20)",
        "", "m=3", "m=2", "m=6", "m=7", "m=0", "m=1", "m=9", "m=65537", "gamma=0.05", "gamma=12", "gamma=1",
        "gamma=0.1", "gamma=10", "gamma=x", "gamma=10.000001", "gamma=inf", "gamma=1e999", "gamma=0.099999",
        "gamma=2.5.5 tt=9", "(LEVELS|Wb|gAmMa) Gamma=2 TT=7 M=1 NOISE(5,-1) SAT(0.50)",
        "(levels|nosuchflag|levelsXXXXXXXXXXXXX|tt) foo=3 rscale(65537,-1) rot=5 tt=4", "abcdefghijklmnrscale(3,4)",
        "abcdefghijklmrscale(3,4)", "abcdefghijklmnopqrstuvwxyz tt=5", "(levels|gamma", "usm(", "noise(7",
        "tt=99999999999999999999", "tt=-5", "(rgblevels|balance|gray|curves|invert|usm|hflip|vflip|scale|rawcurves|"
        "asktt|black) rot=3", "rot=1 rot=2", "gscale(1,65535) bscale(0,0) usm(250,2.50,4) sat(0.75) noise(-1,12)",
        "usm(1,2", "sat(abc)", "(|) m=", "  tt  =  6", "(wb)(gray)", "\"tt=4\""};
    golden.Check("options (null)", Options(nullptr));
    for (const char* text : optionTexts) golden.Check(std::string("options ") + text, Options(text));
    std::string big = "sat(";
    big.append(size_t{1} << 20, '9');
    golden.Check("options sat( and 1 MiB of 9)", Options((big + ")").c_str()));
    std::string group = "(";
    group.append(size_t{1} << 20, 'a');
    golden.Check("options ( and 1 MiB of a", Options(group.c_str()));
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>(1 + (i * 37) % 255);
    golden.Check("options 4096 bytes of 1 + 37i % 255", Options(binary.c_str()));

    std::string names;
    for (uint16_t m = 0; m <= 10; ++m) names += std::string(m ? ", " : "") + MethodName(m);
    golden.Check("method names 0 to 10", names);

    // Records written as text, and whether the text reads back as the record.
    const std::pair<const char*, std::function<void(ImportSettings&)>> records[] = {
        {"defaults", [](ImportSettings&) {}},
        {"wb only", [](ImportSettings& s) { s.options = opt::wb; }},
        {"every flag and rot=3", [](ImportSettings& s) { s.options = opt::meaningful | opt::asktt; }},
        {"no flag", [](ImportSettings& s) { s.options = 0; }},
        {"all parameters", [](ImportSettings& s) {
             s = ImportSettings{opt::defaults | 2u << opt::rotShift, 0.5f, -1, 12, 300u << 16 | 256u, 1u << 16 | 65535u, 0, 1023, method::bilinear,
                                250, 2.5f, 4, 0.75f};
         }}};
    for (const auto& [name, edit] : records) {
        ImportSettings s = Defaults();
        edit(s);
        const std::string text = WriteOptionsText(s);
        ImportSettings back;
        ReadOptionsText(text.c_str(), back);
        golden.Check(std::string("write options ") + name, text + (back == s ? " (reads back)" : " (reads as " + Dump(back) + ")"));
    }

    // ---- curve texts ----
    for (const char* text : {"2:0,0 255,255", "5:0,0 255,255", "5:0,0 255,255 ", "2147483647:1,2",
                             "99999999999999999999:1,2", "1:-1,70000", "-3:1,2", "", "garbage", "3:1,2,3 4,5",
                             "2:1;2 3,4", "0:", "1:", "2: 7 , 8 9,10", "3:0,0 255,255 128,200", "2:0,1 255,255",
                             "2:0,0 255,254", "2:255,255 0,0"}) {
        Curve c;
        c.ReadText(text);
        golden.Check(std::string("curve ") + text, c.WriteText() + (c.IsIdentity() ? " (identity)" : ""));
    }
    Curve made, reset;
    reset.ReadText("3:1,1 2,2 3,3");
    reset.Reset();
    golden.Check("curve as made, and reset", made.WriteText() + (made.IsIdentity() ? " (identity)" : "") + ", " +
                                                 reset.WriteText() + (reset.IsIdentity() ? " (identity)" : ""));

    // ---- .acv files (read over the sample curves) ----
    auto six = Words({1, 6, 2, 0, 0, 255, 255, 2, 0, 0, 255, 255, 2, 0, 0, 255, 255, 2, 0, 0, 255, 200});
    six.push_back(7);
    const std::vector<uint8_t> acvFiles[] = {
        {}, {0}, Words({4, 1, 2, 0, 0, 255, 255}), Words({1}), Words({1, 1}), Words({1, 2, 2, 0, 0, 255, 255}),
        Words({1, 1, 3, 0, 0, 255, 255}), Words({1, 1, 65535, 0, 0}), Words({1, 1, 0}),
        Words({1, 1, 2, 0, 0, 256, 255}), Words({1, 0}), six, Words({1, 1, 1, 7, 9}),
        Words({1, 2, 2, 0, 0, 128, 255, 3, 0, 0, 200, 100, 255, 255})};
    for (const auto& bytes : acvFiles) golden.Check("acv " + Hex(bytes), Acv(bytes));
    const std::vector<uint8_t> written = WriteAcvData(SampleCurves());
    golden.Check("write acv of the sample curves", Hex(written));
    Damaged(golden, "acv of the sample curves", std::string(written.begin(), written.end()), true,
            [](const std::string& b) { return Acv(std::vector<uint8_t>(b.begin(), b.end())); });

    // ---- .kis texts ----
    const std::string kisTexts[] = {
        "<fmt=2><Options='(gray)'>\r\n<kypimport><OPTIONS='(wb) m=1'><curve_red='2:0,0 255,128'><JQ=50><version=9>",
        "<KypImport><jq=70>\r\nstray\r\n<jq=20>", "<KypImport><Options='(levels) \"x\" tt=5'>", "",
        "<KypImport><ARTIST=Ada Lovelace><Copyright=''><jq=abc>", "<KypImport><JQ= 42x><t16=3><tx=2><fmt=>",
        "<KypImport><version=4.0><fmt><Options>", "<KypImport><Curve_Blue='garbage'><Curve_RGB=\"1:5,5\">",
        "<KypImport><fmt=1><ta=0><ja=0><jx=0><Description=\"a\r\nb\">", "<KypImport><Curve_Alpha='2:1,1 2,2'>"};
    for (const std::string& text : kisTexts) golden.Check("kis " + text, Kis(text));
    golden.Check("kis without output <KypImport><fmt=2><Artist='x'>", Kis("<KypImport><fmt=2><Artist='x'>", false));
    std::string description = "<KypImport><description=";
    description.append(size_t{1} << 20, 'x');
    golden.Check("kis <description= and 1 MiB of x>", Kis(description + ">"));

    // Written: the defaults, records left out, and texts with quotes, then read back.
    ImportSettings settings = Defaults();
    const CurveArray identity;
    OutputSettings output;
    output.ResetToDefaults();
    const std::string defaults = WriteKisText(&settings, identity, &output);
    golden.Check("write kis of the defaults", defaults + " => " + Kis(defaults));
    golden.Check("write kis of curves only", WriteKisText(nullptr, identity, nullptr));
    for (const char* artist : {"Dwayne \"The Rock\" Johnson", "O'Brien", "O'Brien \"Junior\"", "\"Junior\" O'Brien",
                               "O'Brien \"Jr\" <x> = y", " lead", "<a>", "=x", "it's", "'"}) {
        OutputSettings o;
        o.artist = artist;
        const std::string text = WriteKisText(nullptr, identity, &o);
        golden.Check(std::string("write kis with artist ") + artist, text + " => " + Kis(text));
    }
    settings.options = opt::usm | opt::curves | 3u << opt::rotShift;
    settings.gammaExponent = 0.5f;
    CurveArray curves;
    curves[curve::red].ReadText("3:0,0 128,200 255,255");
    output.format = format::jpeg;
    output.jpegQuality = 80;
    output.t16 = true;
    output.ja = false;
    output.artist = "Ada";
    output.copyright = "";
    output.description = "Line one\r\nline <two> = 2";
    const std::string full = WriteKisText(&settings, curves, &output);
    golden.Check("write kis of a full record", full + " => " + Kis(full));
    Damaged(golden, "kis of a full record", full, false, [](const std::string& text) { return Kis(text); });

    // ---- output settings from tags ----
    for (const char* text : {"<fmt=1><tx=0", "<fmt=2><jq=0><jq=250>", "<t16=1><ja=0><jx=0><ta=0>", "<fmt=x>",
                             "<Artist=\"\"><copyright=c>"}) {
        OutputSettings o;
        const bool ok = o.ReadFormatTags(text);
        golden.Check(std::string("format tags ") + text, (ok ? "ok " : "fail ") + Dump(o));
    }
}

std::string Flag(const char* name, bool value) { return std::string(value ? " " : " not ") + name; }

// The records and files around the parsers: output settings made, reset and
// copied, curve sets and their tables, .acv and .kis files on disk, and the
// settings kept in the store, each written as one line.
TEST(SettingsDump, RecordsFilesAndTheStoreGiveTheRecordedResults) {
    test::GoldenFile golden("settings/records.golden");
    test::TestFolder folder;

    // ---- output settings ----
    OutputSettings o;
    golden.Check("output as made", Dump(o));
    o.format = format::jpeg, o.t16 = true, o.tx = false;
    o.artist.emplace(1, 'A'), o.description = "d";
    o.ResetToDefaults();
    golden.Check("output reset after changes", Dump(o));
    OutputSettings copy;
    copy.CopyFrom(&o);
    o.artist->push_back('B');
    std::string line = Dump(copy);
    copy.CopyFrom(nullptr);
    line += " / from null " + Dump(copy);
    copy.ClearTexts();
    copy.format = 7;
    golden.Check("output copied, its source changed, copied from null, texts cleared, format 7",
                 line + " / " + Dump(copy) + " " + copy.FormatName() + " " + copy.FormatExtension());
    OutputSettings nulls;
    nulls.ApplyTag("Artist", nullptr), nulls.ApplyTag("fmt", nullptr), nulls.ApplyTag(nullptr, "1");
    golden.Check("output tags Artist=null, fmt=null, null=1", Dump(nulls));

    // ---- curve sets: a table only for a curve that is not the identity ----
    CurveArray curves;
    CurveSet set(curves);
    line = Flag("any", set.Any());
    curves[curve::red].ReadText("2:0,0 255,128");
    set.Build(curves);
    const auto tables = [](const uint16_t* const* t) {
        std::string out;
        for (int c = 0; c < kCurveCount; ++c) out += t[c] ? std::to_string(t[c][1023]) + " " : std::string("- ");
        return out;
    };
    line += " / red:" + tables(set.Tables()) + Flag("any", set.Any());
    CurveSet kept = set;
    line += Flag("own tables", kept.Table(1) != set.Table(1));
    set.Clear();
    line += Flag("any after clear", set.Any()) + " / copy:" + tables(kept.Tables());
    uint16_t red[kCurveTableSize];
    uint16_t* storage[kCurveCount] = {nullptr, red, nullptr, nullptr};
    const uint16_t* given[kCurveCount] = {red, red, red, red};
    curves[curve::master].ReadText("2:0,255 255,0");
    BuildCurveSet(curves, storage, given);
    golden.Check("curve set, empty then red 2:0,0 255,128, copied and cleared, then master 2:0,255 255,0 with storage for red only",
                 line + " / storage:" + tables(given) + Flag("in the given storage", given[1] == red));

    // ---- .acv files ----
    const CurveArray sample = SampleCurves();
    const std::string acvPath = folder / "curves.acv";
    CurveArray back;
    back[curve::red].AddPoint(1, 1);
    line = Flag("written", WriteAcvFile(acvPath, sample));
    line += Flag("read", ReadAcvFile(acvPath, back));
    line += Flag("same", back == sample);
    line += Flag("missing read", ReadAcvFile(folder / "missing.acv", back));
    line += Flag("unchanged", back == sample);
    line += Flag("written in a missing folder", WriteAcvFile(folder / "no/such/folder.acv", sample));
    curves = sample;
    const std::string two = Hex(Words({1, 2, 2, 0, 0, 128, 255, 3, 0, 0, 200, 100, 255, 255}));
    line += Flag("read", ReadAcvFile(folder.Write("two.acv", Words({1, 2, 2, 0, 0, 128, 255, 3, 0, 0, 200, 100, 255, 255})), curves));
    golden.Check("acv file of the sample curves, a missing one, then " + two, line + " " + Dump(curves));
    std::vector<int> words = {1, 1, 65535};
    for (int i = 0; i < 65535; ++i) words.insert(words.end(), {i & 255, i % 256});
    const std::vector<uint8_t> largest = Words(words);
    line = Flag("read", ReadAcvData(largest.data(), largest.size(), curves));
    line += " " + std::to_string(curves[0].Count()) + " points";
    curves[0].AddPoint(1, 1);
    line += ", one more" + Flag("written", !WriteAcvData(curves).empty());
    line += Flag("null read", ReadAcvData(nullptr, 10, curves));
    CurveArray outside;
    outside[curve::green].ReadText("2:0,0 256,255");
    line += Flag("written with 256", !WriteAcvData(outside).empty());
    golden.Check("acv of 65535 points, then 65536, null data, a point at 256",
                 line + Flag("file written with 256", WriteAcvFile(folder / "outside.acv", outside)));

    // ---- .kis files ----
    ImportSettings settings = Defaults();
    settings.options = opt::usm | opt::curves | 3u << opt::rotShift;
    settings.gammaExponent = 0.5f;
    curves = CurveArray{};
    curves[curve::red].ReadText("3:0,0 128,200 255,255");
    o.ResetToDefaults();
    o.format = format::jpeg, o.t16 = true, o.ja = false;
    o.artist = "Ada", o.copyright = "", o.description = "Line one\r\nline <two> = 2";
    const std::string kisPath = folder / "look.kis";
    ImportSettings backSettings;
    CurveArray backCurves;
    OutputSettings backOutput;
    line = Flag("written", WriteKisFile(kisPath, &settings, curves, &o));
    line += Flag("read", ReadKisFile(kisPath, backSettings, backCurves, &backOutput));
    line += " " + Dump(backSettings) + " / " + Dump(backCurves) + " / " + Dump(backOutput);
    line += Flag("missing read", ReadKisFile(folder / "missing.kis", backSettings, backCurves, &backOutput));
    line += Flag("folder read", ReadKisFile(folder.path(), backSettings, backCurves, &backOutput));
    golden.Check("kis file of a full record, then a missing one and a folder", line);

    // ---- the settings store ----
    const test::ScopedConfigHome home(folder / "store");
    ImportSettings s = Defaults();
    OutputSettings out;
    curves = CurveArray{};
    curves[curve::red].ReadText("2:0,0 255,100");
    line = Flag("loaded", LoadStoredSettings(s, out, curves));
    golden.Check("load without a store", line + " " + Dump(curves));
    SettingsStore store;
    ASSERT_TRUE(store.CreateForWriting());
    const auto options = [&store](const std::string& what, const std::function<bool()>& write) {
        ImportSettings read = Defaults();
        const bool written = write();
        const bool ok = ReadStoredOptions(store, read);
        return what + Flag("written", written) + Flag("read", ok) + " " + Dump(read);
    };
    ImportSettings written = Defaults();
    written.options = opt::gray | opt::usm, written.usmAmount = 333;
    line = options("missing", [] { return true; });
    line += " / " + options("gray usm 333", [&] { return WriteStoredOptions(store, written); });
    golden.Check("stored options missing, then written", line);
    golden.Check("stored options (wb) and 1019 spaces", options("", [&] { return store.WriteString("Options", "(wb)" + std::string(1019, ' ')); }));
    golden.Check("stored options (wb) and 1018 spaces", options("", [&] { return store.WriteString("Options", "(wb)" + std::string(1018, ' ')); }));
    golden.Check("stored options empty", options("", [&] { return store.WriteString("Options", ""); }));
    golden.Check("stored options number 5", options("", [&] { return store.WriteNumber("Options", 5); }));

    OutputSettings read;
    read.artist = "kept";
    line = Flag("read before written", ReadStoredOutputSettings(store, read));
    line += " " + Dump(read);
    out.ResetToDefaults();
    out.format = format::bitmap, out.t16 = true, out.copyright = "(c) me", out.description = "not stored";
    line += Flag("written", WriteStoredOutputSettings(store, out));
    line += Flag("read", ReadStoredOutputSettings(store, read));
    line += " " + Dump(read);
    uint32_t n = 0;
    line += Flag("description stored", store.ReadNumber("Description", n) || store.QueryValueSize("Description"));
    line += Flag("artist deleted", store.DeleteValue("Artist"));
    line += Flag("read", ReadStoredOutputSettings(store, read));
    golden.Check("stored output settings", line + " " + Dump(read));

    curves = CurveArray{};
    curves[curve::master].ReadText("2:0,20 255,255");
    curves[curve::green].ReadText("3:0,0 100,150 255,255");
    back = CurveArray{};
    back[curve::blue].ReadText("2:0,9 255,9");
    line = Flag("written", WriteStoredCurves(store, curves));
    line += Flag("blue deleted", store.DeleteValue("Curve_Blue"));
    ReadStoredCurves(store, back);
    Curve c;
    line += " " + Dump(back);
    line += Flag("curve 4 read", ReadStoredCurve(store, 4, c));
    line += Flag("blue read", ReadStoredCurve(store, curve::blue, c));
    golden.Check("stored master and green curves, blue deleted, read over 2:0,9 255,9", line);

    ASSERT_TRUE(store.WriteString("Options", "(gray) m=7"));
    curves[curve::blue].ReadText("2:0,0 255,100");
    const bool loaded = LoadStoredSettings(s, out, curves);
    golden.Check("load of options (gray) m=7 with the blue curve deleted",
                 Flag("loaded", loaded) + " " + Dump(s) + " / " + Dump(out) + " / " + Dump(curves));
}

// A text written into a buffer is cut to its size; the defaults read back
// differ only in the gamma exponent (1 / 2.22222), a step after interpolation.
TEST(SettingsDump, OptionsTextInBuffersAndTheDefaultsReadBack) {
    const std::string text = WriteOptionsText(Defaults());
    char buffer[kOptionsTextSize];
    WriteOptionsText(Defaults(), buffer, sizeof buffer);
    EXPECT_EQ(buffer, text);
    char small[6];
    WriteOptionsText(Defaults(), small, sizeof small);
    EXPECT_STREQ(small, "(blac");
    ImportSettings read = Defaults();
    ReadOptionsText(text.c_str(), read);
    EXPECT_EQ(CompareSettings(read, Defaults()), 1);
    EXPECT_EQ(WriteOptionsText(read), text);
}

// With an explicit length the reader stops there, not at a terminator; a
// callback's false ends the read.
TEST(SettingsDump, TagReaderStopsAtTheLengthOrWhenTheCallbackSaysSo) {
    EXPECT_TRUE(ReadTags("<a=1><b", 5, [](const char*, const char*) { return true; }));
    int calls = 0;
    EXPECT_TRUE(ReadTags("<a><b>", -1, [&calls](const char*, const char*) { return ++calls, true; }));
    EXPECT_EQ(calls, 2);
    calls = 0;
    EXPECT_FALSE(ReadTags("<a><b>", -1, [&calls](const char*, const char*) { return ++calls < 1; }));
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(ReadTags(nullptr, 0, [](const char*, const char*) { return true; }));
}

// Every option bit and every parameter changed alone (and some together),
// from three records: what must be redone, both ways round, and which steps
// changed.
TEST(SettingsDump, ComparisonsOfEveryChangeGiveTheRecordedLevels) {
    test::GoldenFile golden("settings/comparisons.golden");
    using Edit = std::function<void(ImportSettings&)>;
    std::vector<std::pair<std::string, Edit>> edits;
    const char* bitNames[] = {"levels", "rgblevels", "balance",   "gray",   "curves", "gamma",  "invert",
                              "usm",    "hflip",     "vflip",     "10",     "11",     "rot 1",  "rot 2",
                              "14",     "15",        "scale",     "rawcurves", "tt",  "asktt",  "wb",
                              "matrix", "black",     "fudge",     "sat",    "25",     "28"};
    for (uint32_t bit = 0; bit < 27; ++bit)
        edits.emplace_back(std::string("bit ") + bitNames[bit], [bit](ImportSettings& s) { s.options ^= 1u << (bit < 26 ? bit : 28); });
    edits.insert(edits.end(), {
        {"dark threshold", [](ImportSettings& s) { s.darkThreshold = 5; }},
        {"bright threshold", [](ImportSettings& s) { s.brightThreshold = 5; }},
        {"red scale", [](ImportSettings& s) { s.redScale = 1; }},
        {"green scale", [](ImportSettings& s) { s.greenScale = 1; }},
        {"blue scale", [](ImportSettings& s) { s.blueScale = 1; }},
        {"texture threshold", [](ImportSettings& s) { s.textureThreshold = 9; }},
        {"method", [](ImportSettings& s) { s.method = method::bilinear; }},
        {"usm amount", [](ImportSettings& s) { s.usmAmount = 1; }},
        {"usm radius", [](ImportSettings& s) { s.usmRadius = 3.0f; }},
        {"usm threshold", [](ImportSettings& s) { s.usmThreshold = 4; }},
        {"saturation", [](ImportSettings& s) { s.saturation = 2.0f; }},
        {"gamma exponent", [](ImportSettings& s) { s.gammaExponent = 0.5f; }},
        {"usm bit and radius", [](ImportSettings& s) { s.options ^= opt::usm, s.usmRadius = 3.0f; }},
        {"scale bit and red scale", [](ImportSettings& s) { s.options ^= opt::scale, s.redScale = 1; }},
        {"levels bits and dark threshold", [](ImportSettings& s) { s.options ^= opt::levels | opt::rgblevels, s.darkThreshold = 5; }},
        {"gamma bit and exponent", [](ImportSettings& s) { s.options ^= opt::gamma, s.gammaExponent = 0.5f; }},
        {"sat bit and saturation", [](ImportSettings& s) { s.options ^= opt::sat, s.saturation = 2.0f; }},
        {"tt bit and threshold", [](ImportSettings& s) { s.options ^= opt::tt, s.textureThreshold = 9; }},
        {"nothing", [](ImportSettings&) {}},
    });
    const std::pair<const char*, uint32_t> bases[] = {{"defaults", opt::defaults}, {"no step", 0}, {"every step", opt::meaningful}};
    for (const auto& [baseName, options] : bases) {
        for (const auto& [editName, edit] : edits) {
            ImportSettings base = Defaults(), edited;
            base.options = options;
            edited = base;
            edit(edited);
            char text[96];
            std::snprintf(text, sizeof text, "redo %d (back %d), changed %08X (back %08X)", CompareSettings(edited, base),
                          CompareSettings(base, edited), DifferenceMask(base, edited), DifferenceMask(edited, base));
            golden.Check(std::string(baseName) + ", " + editName, text);
        }
    }
}

// Tables of curves: entries at the ends and at the segment joins, the least
// and greatest entry, how often an entry falls below the one before, how many
// entries equal their index, how many were left unwritten (with the same
// places for another fill) and a hash of the whole table; and the 8-bit table.
TEST(SettingsDump, CurveTablesGiveTheRecordedEntries) {
    test::GoldenFile golden("settings/curves.golden");
    for (const char* text : {"2:0,0 255,255", "2:64,32 192,224", "3:0,0 128,200 255,255", "5:0,0 30,30 128,128 200,200 255,255",
                             "6:63,94 0,157 255,148 0,182 255,141 118,171", "4:65535,65535 -1,-1 300,0 0,65535",
                             "2:65535,65535 0,0", "1:64,32", "0:", "2:0,255 255,0", "2:0,0 255,128", "3:0,0 0,255 255,0",
                             "4:0,0 85,200 170,50 255,255", "2:255,255 0,0", "3:10,10 10,200 250,250"}) {
        Curve c;
        c.ReadText(text);
        std::vector<uint16_t> t(kCurveTableSize, 0xBEEF), other(kCurveTableSize, 0x1234);
        BuildCurveTable(t.data(), c);
        BuildCurveTable(other.data(), c);
        std::string out = "entries";
        char entry[24];
        for (const int x : {0, 1, 2, 255, 256, 257, 511, 512, 513, 768, 769, 770, 1021, 1022, 1023}) {
            std::snprintf(entry, sizeof entry, " %d:%d", x, t[x]);
            out += entry;
        }
        int falls = 0, diagonal = 0, unwritten = 0, sameUnwritten = 0, low = 0xFFFF, high = 0;
        uint32_t hash = 2166136261u;
        for (int x = 0; x < kCurveTableSize; ++x) {
            falls += x > 0 && t[x] < t[x - 1];
            diagonal += t[x] == x;
            unwritten += t[x] == 0xBEEF;
            sameUnwritten += t[x] == 0xBEEF ? other[x] == 0x1234 : other[x] == t[x];
            if (t[x] != 0xBEEF) low = std::min<int>(low, t[x]), high = std::max<int>(high, t[x]);
            hash = (hash ^ t[x]) * 16777619u;
        }
        uint8_t display[256];
        BuildCurveTable8(display, c);
        uint32_t hash8 = 2166136261u;
        for (const uint8_t v : display) hash8 = (hash8 ^ v) * 16777619u;
        char text2[160];
        std::snprintf(text2, sizeof text2, " | %d..%d, %d falls, %d on the diagonal, %d unwritten, %d agree | #%08X | 8-bit 100:%d 128:%d 255:%d #%08X",
                      low, high, falls, diagonal, unwritten, sameUnwritten, hash, display[100], display[128], display[255], hash8);
        golden.Check(std::string("curve ") + text, out + text2);
    }
}

}  // namespace
}  // namespace kyp
