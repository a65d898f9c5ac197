// Whole output files of kyp2tiff for many option sets, compared by digest with
// the digests recorded when the converter's pictures were checked sample for
// sample against an independent model of the pipeline. Any change to a
// picture, a tag, the carried Exif data or a file header fails here; a change
// that is meant must come with newly recorded digests:
//   KYP_PRINT_DIGESTS=1 test_console --gtest_filter='OutputDigest*'
// prints the table to paste below.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ConsoleTestSupport.h"
#include "console/SessionConverter.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

// Three generated files: the default chart, one with another colour matrix
// and black levels, one without a preview and with another white balance.
SampleOrfOptions SampleFile(int index) {
    SampleOrfOptions o;
    if (index == 0) {
        o.width = 480;
        o.height = 360;
    } else if (index == 1) {
        o.width = 400;
        o.height = 300;
        const int16_t matrix[9] = {300, -40, -4, -60, 290, -30, 2, -80, 330};
        std::copy(matrix, matrix + 9, o.colourMatrix);
        const uint16_t black[4] = {30, 31, 29, 32};
        std::copy(black, black + 4, o.blackLevels);
    } else {
        o.width = 322;
        o.height = 242;
        o.writePreview = false;
        o.whiteBalance[0] = 2;
        o.whiteBalance[1] = 3;
        o.redBalance = 500;
        o.blueBalance = 420;
    }
    return o;
}

// A curves file (.acv: big-endian words, each point output then input) with
// all four curves bent, written beside the samples and named "@acv" in the
// option sets.
std::string CurvesFile() {
    const uint16_t words[] = {1, 4, 3, 0, 0, 90, 64, 255, 255, 2, 10, 0, 240, 255,
                              3, 0, 0, 140, 128, 255, 255, 3, 0, 0, 180, 200, 255, 255};
    std::string bytes;
    for (uint16_t w : words) bytes += {static_cast<char>(w >> 8), static_cast<char>(w & 0xFF)};
    return bytes;
}

// FNV-1a over the file with the conversion's date and time left out: every
// "YYYY:MM:DD HH:MM:SS" but the camera's own dates counts as blank.
uint64_t Digest(const std::string& bytes, const std::string& cameraDate) {
    auto isDateAt = [&](size_t i) {
        static const char shape[] = "dddd:dd:dd dd:dd:dd";
        if (i + 19 > bytes.size() || bytes.compare(i, 19, cameraDate) == 0) return false;
        for (size_t k = 0; k < 19; ++k) {
            const bool digit = bytes[i + k] >= '0' && bytes[i + k] <= '9';
            if (shape[k] == 'd' ? !digit : bytes[i + k] != shape[k]) return false;
        }
        return true;
    };
    uint64_t hash = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '2' && isDateAt(i)) {
            i += 18;
            continue;
        }
        hash = (hash ^ static_cast<uint8_t>(bytes[i])) * 0x100000001B3ull;
    }
    return hash;
}

struct Recorded {
    const char* options;
    uint64_t digests[3];
};

// clang-format off
const Recorded kRecorded[] = {
    {"", {0x5C6B61FF52A38DAAull, 0x3D95B72100275843ull, 0x8E5BCCEF2692A6BEull}},
    {"-b:16", {0xB7860D07D78C3C6Dull, 0x6887D8A0C0852B8Full, 0x199D8B2186957066ull}},
    {"-j", {0x6EA752F1CC6D6C72ull, 0x4937135A37088544ull, 0xFA76ED48D9D8649Dull}},
    {"-j:40", {0x7AC7798B8968CF81ull, 0xC86E725BD34FFA99ull, 0x48EF072A28760D9Bull}},
    {"-w", {0x891C211EFDA3F6FCull, 0xC5C730D32B197875ull, 0x5D9522B17CA43C57ull}},
    {"=G", {0x711FA628B5E4DD92ull, 0x52C405412C4CA3BDull, 0xCB275E37E710A213ull}},
    {"=G -w", {0x82A44518396B5F50ull, 0x78A1925BF57FE3F1ull, 0x49B07AEC70DF3880ull}},
    {"=+BCFHIORSUVX", {0xB9032BB242388DD9ull, 0xC6171D2068DDB48Bull, 0xB48ADCE5412A11C9ull}},
    {"=-AEWLMYZT", {0xE8C998AB9FBB5F7Eull, 0xFCE5FED129680F27ull, 0xABF3AF14F1E89745ull}},
    {"=1", {0xE728974077F37DE0ull, 0xACD4347F7064D01Bull, 0xD733A76195BE5FBDull}},
    {"=2", {0xBA850CEDD4AA4708ull, 0x0DBBCACB543064EFull, 0x26D1A6967DF4A3C4ull}},
    {"=3 -b:16", {0xDCC5BE6C2E2D74E5ull, 0x0F0079E0EDD4BCCBull, 0xC2BB2245078B1E93ull}},
    {"=H", {0xA692B7F257DBB4ECull, 0xEA40167E6700155Bull, 0xBC327F8A69A38E14ull}},
    {"=V =I", {0xA38EBD05A15AA159ull, 0x291AE6A119A1C06Eull, 0x67F766F2A894B1E4ull}},
    {"=S -s:12/10:1/1:8/10", {0x5DDC32389477B6DAull, 0x2C04E19263BDC54Eull, 0x98017AF306EA904Cull}},
    {"=B", {0xCAF772743F9BE1BEull, 0x032CB23C1240D7CBull, 0x19A93C578EB6BF9Dull}},
    {"=X -n:5,10", {0xB149A69E65B0AD81ull, 0x338EDBBAAEFD9DD1ull, 0x4E60DACDCCEC1641ull}},
    {"=L -n:-1,20", {0x303AAB531CBEC081ull, 0x25DD23C23A0D3E71ull, 0xEAE262FBAC844A95ull}},
    {"-g:1.8", {0xE24FE9994F0FD133ull, 0xD2C5148663FAC821ull, 0xBE634D9EE66323B1ull}},
    {"-g:2.6 -b:16", {0xF0193B425BD15755ull, 0x43FEAD2AFE24170Full, 0xCE5F499E3EFF15EBull}},
    {"-y:0", {0x387875E94DEBDA1Eull, 0x6947BD3EB79B10EBull, 0x65FA5779A48BE3D4ull}},
    {"-y:2.5", {0xA653E3D8CE16176Cull, 0x6B60203F3110CBB0ull, 0xE3C9A645DB0CAABEull}},
    {"-y:20", {0x96D8A574C959FC9Aull, 0x77511EC97EA29DE4ull, 0xD89F367713668373ull}},
    {"=U -u:150,1.5,3", {0x469AB25DD3B21266ull, 0x65B95759024789E2ull, 0xCEC01D8562BE5F89ull}},
    {"=U -u:300,0.5,0", {0xC280406026EA87C4ull, 0x36BB789640820AB1ull, 0x77606E8FEE11588Dull}},
    {"=T -t:10", {0x5C6B61FF52A38DAAull, 0xBA8A408D608A2B97ull, 0x8E5BCCEF2692A6BEull}},
    {"=-T", {0x87EE8A2B3AC319D2ull, 0xBA8A408D608A2B97ull, 0x6730BFC2B41C7553ull}},
    {"=-O", {0x6C56314E41006D5Bull, 0x9128C05B160768BDull, 0x8E981FB780150D09ull}},
    {"@acv =R", {0x58C553C5F928F522ull, 0x85AAC9E95C10EF7Dull, 0x0BB5A7925BC8C8A9ull}},
    {"=-F", {0xD93EFDE4B68894ACull, 0xBF9AEA6CB37923DAull, 0xAD449F9CCBBD0CE9ull}},
    {"-m:0", {0xB48500103D88353Cull, 0x1CD6543C86A530A0ull, 0x0845D71BDDFE258Aull}},
    {"-m:1", {0x95A3B982795FEAE6ull, 0x348C3AAB04D56F58ull, 0xA9CCE51EAC528DC4ull}},
    {"-m:2", {0x5C6B61FF52A38DAAull, 0x3D95B72100275843ull, 0x8E5BCCEF2692A6BEull}},
    {"@acv =C", {0x5D46059597B69B73ull, 0xC4B159ED94EDEC48ull, 0x7C98E0B0F2276D93ull}},
    {"@acv =CR -b:16", {0xE44B7F1142EB6354ull, 0xE6B914A23912BF61ull, 0x26DEB38883CD7BA7ull}},
    {"=X -n:-1,-1 =-L", {0x01902233F4367124ull, 0x4236624DBB51B5FCull, 0x43E85A425320E16Full}},
    {"-j:100", {0x5FD9F6BD658701E0ull, 0xB8F0FC23AC8B090Cull, 0x9A097179238A801Dull}},
    {"-m:7", {0xE1EAA6A9BF669066ull, 0x286E8C106A675491ull, 0x5343D734475C238Full}},
    {"-j:10 =G", {0x461C7A80169D17A2ull, 0x65B939BC6FC7FA15ull, 0x8C2F298B577E2E34ull}},
    {"-m:raw", {0xB48500103D88353Cull, 0x1CD6543C86A530A0ull, 0x0845D71BDDFE258Aull}},
    {"-m:fast", {0x95A3B982795FEAE6ull, 0x348C3AAB04D56F58ull, 0xA9CCE51EAC528DC4ull}},
    {"-m:best", {0x5C6B61FF52A38DAAull, 0x3D95B72100275843ull, 0x8E5BCCEF2692A6BEull}},
    {"-m:bw", {0xE1EAA6A9BF669066ull, 0x286E8C106A675491ull, 0x5343D734475C238Full}},
    {"=A -aa:Someone -ac:Copy -ad:Desc", {0xC5C0C2263C0EE697ull, 0x50881B79D46E24F2ull, 0x4E9D5586BA7BF023ull}},
    {"-m:best =U -u:100,1,2 -b:16 =H", {0x21166022D20AAA7Full, 0x13054CC39CC393A2ull, 0x2DC14CEB0F1CB416ull}},
    {"-m:bw -j:90 =I", {0x451C58945371D6F8ull, 0xCDD4F04F3C9D0BB9ull, 0xC239E27C851FC56Cull}},
    {"-w -b:8 =G =2", {0x1CD8B67D2777FF70ull, 0x18B11DF90C7142FDull, 0x81797E5E31197138ull}},
    {"=-M =-W", {0x3CE1B37479EFDEC6ull, 0xBACCE7A4EAA8A646ull, 0x1CE1B4BFD4D178E1ull}},
    {"=-Z", {0xA8F16FF05BAC0C3Bull, 0xB8CEAFFF486ABF4Full, 0xD1CAFE978EE22C95ull}},
    {"-b:16 =X -n:20,20 =-S", {0xE17DEFED78374C18ull, 0x4F90F3DF0584E367ull, 0x31D99E945BB57CD1ull}},
};
// clang-format on

class OutputDigest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new test::TestFolder();
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(WriteSampleOrf(*folder_ / Name(i) + ".orf", SampleFile(i)));
        folder_->Write("curves.acv", CurvesFile());
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static std::string Name(int index) { return std::string(1, static_cast<char>('a' + index)); }

    static test::TestFolder* folder_;
};

test::TestFolder* OutputDigest::folder_ = nullptr;

TEST_F(OutputDigest, EveryOptionSetWritesTheRecordedFiles) {
    const bool print = std::getenv("KYP_PRINT_DIGESTS") != nullptr;
    for (const Recorded& recorded : kRecorded) {
        uint64_t digests[3] = {};
        for (int i = 0; i < 3; ++i) {
            test::TestFolder out;
            std::vector<std::string> arguments{"-qq", "-o:" + out.path()};
            std::istringstream words(recorded.options);
            for (std::string word; words >> word;) arguments.push_back(word == "@acv" ? *folder_ / "curves.acv" : word);
            arguments.push_back(*folder_ / Name(i) + ".orf");
            SessionConverter converter;
            const test::RunOutput run = test::Run(arguments, &converter);
            ASSERT_EQ(run.code, 0) << recorded.options << " " << run.err;
            const std::vector<std::string> written = out.Names();
            ASSERT_EQ(written.size(), 1u) << recorded.options;
            digests[i] = Digest(test::ReadFile(out / written[0]), SampleFile(i).dateTime);
            if (!print) {
                EXPECT_EQ(digests[i], recorded.digests[i])
                    << "kyp2tiff " << recorded.options << " " << Name(i) << ".orf (" << written[0] << ")";
            }
        }
        if (print) {
            std::printf("    {\"%s\", {0x%016llXull, 0x%016llXull, 0x%016llXull}},\n", recorded.options,
                        static_cast<unsigned long long>(digests[0]), static_cast<unsigned long long>(digests[1]),
                        static_cast<unsigned long long>(digests[2]));
        }
    }
}

}  // namespace
}  // namespace kyp
