// Whole pipelines over generated ORF files with option sets that between them
// switch on every step and every method: alone and on the thread pool, on
// every instruction set, in banded and in separate passes, each run must give
// the same image, progress texts and ticks, and these must be the ones
// recorded in session-results.txt. Cancelling at a tick stops there with the
// same outcome on every variant.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "engine/process/ProcessingSession.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

// A master curve and a red curve, so that curves and raw curves change samples.
struct TestCurves {
    uint16_t master[1024], red[1024];
    CurveTables tables;
    TestCurves() {
        for (int i = 0; i < 1024; ++i) {
            master[i] = static_cast<uint16_t>(i * i / 1023);
            red[i] = static_cast<uint16_t>(1023 - (1023 - i) * (1023 - i) / 1023);
        }
        tables.table[0] = master;
        tables.table[1] = red;
    }
};

struct Variant {
    KernelTarget target;
    unsigned threads;
    bool inBands;
};
using Variants = std::vector<Variant>;
// Both kinds of passes, three thread counts, three instruction sets.
const Variants kFull = {{KernelTarget::avx512, 1, false}, {KernelTarget::baseline, 3, true}, {KernelTarget::avx2, 2, false}};

// Runs make(session, case, inBands) in one console session per variant for each case; every result
// must be the first variant's. Returns the results in case order.
template <typename Make>
std::vector<std::string> OnEachVariant(const Variants& variants, const std::vector<std::string>& names, Make make) {
    std::vector<std::string> first;
    for (const Variant& variant : variants) {
        (void)SetKernelTargetLimit(variant.target);
        ThreadPool::Shared().SetThreadLimit(variant.threads);
        ProcessingSession session;
        session.SetStepsInBands(variant.inBands);
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string text = make(session, i, variant.inBands);
            if (first.size() <= i) first.push_back(text);
            EXPECT_EQ(text, first[i]) << names[i] << " on instruction set " << static_cast<int>(variant.target)
                                      << " with " << variant.threads << " threads, in bands " << variant.inBands;
        }
    }
    ThreadPool::Shared().SetThreadLimit(0);
    (void)SetKernelTargetLimit(KernelTarget::avx512);
    return first;
}

// Files in a folder of this process's own, so that their names (which the
// progress texts show) are the same on every run.
std::string OrfFile(const std::string& name, uint32_t width, uint32_t height) {
    const std::filesystem::path folder = test::SessionTempPath("session-results");
    std::filesystem::create_directories(folder);
    const std::string path = (folder / name).string();
    sample::SampleOrfOptions options;
    options.width = width;
    options.height = height;
    options.previewWidth = 64;
    EXPECT_TRUE(sample::WriteSampleOrf(path, options));
    return path;
}

struct Outcome {
    bool ok = false;
    LoadError error = LoadError::none;
    std::string log, image;
};

Outcome Convert(ProcessingSession& session, const std::string& path, const ImportSettings* settings,
                const CurveTables* curves, int cancelAt = 0) {
    test::Recorder progress(cancelAt);
    session.SetProgress(&progress);
    session.SetFileName(path.c_str());
    if (settings) session.SetSettings(*settings);
    session.SetCurves(curves);
    Outcome run;
    run.ok = session.Process();
    run.error = session.LastError();
    run.log = progress.log;
    run.image = test::ImageText(session.Image());
    session.SetProgress(nullptr);
    return run;
}

ImportSettings Only(uint32_t options, uint16_t method = method::best) {
    ImportSettings settings;
    SetDefaults(settings);
    settings.options = options;
    settings.method = method;
    return settings;
}

// Option sets that between them switch on every step and every method.
std::vector<std::pair<std::string, ImportSettings>> OptionSets() {
    std::vector<std::pair<std::string, ImportSettings>> sets;
    const auto add = [&](const ImportSettings& s, const std::string& more = "") {
        std::ostringstream name;
        name << std::hex << s.options << " method " << std::dec << s.method << more;
        sets.emplace_back(name.str(), s);
    };
    // Each step of the defaults left out in turn, and the steps banded together.
    for (const uint32_t options : {0u, opt::defaults, opt::defaults & ~opt::matrix, opt::defaults & ~opt::levels,
                                   opt::defaults & ~opt::sat, (opt::defaults & ~opt::levels) | opt::rgblevels,
                                   opt::defaults | opt::curves | opt::balance, opt::defaults | opt::usm | opt::invert,
                                   opt::defaults | opt::gray, opt::sat | opt::gamma, opt::gamma})
        add(Only(options));
    ImportSettings s = Only(opt::defaults);
    s.saturation = 1.7f;
    add(s, " saturation 1.7");
    add(Only(opt::defaults | opt::usm | opt::invert | opt::balance | (1u << opt::rotShift) | opt::hflip));
    add(Only(opt::defaults, method::grayscale));
    add(Only((opt::defaults & ~opt::tt) | opt::balance | opt::gray | opt::rgblevels, method::grayscale));
    s = Only(opt::defaults | opt::usm | opt::balance | opt::curves | opt::rawcurves | opt::scale | opt::hflip |
             (1u << opt::rotShift));
    s.usmRadius = 1.1f;
    s.redScale = 0x00070005;
    add(s, " usm radius 1.1 red scale 7/5");
    s.options = (opt::defaults & ~opt::levels) | opt::rgblevels | opt::usm | opt::vflip | opt::invert |
                (2u << opt::rotShift);
    s.usmRadius = 5.0f;
    s.usmAmount = 180;
    s.darkThreshold = 3;
    s.brightThreshold = 5;
    add(s, " usm 180 radius 5 thresholds 3 5");
    for (const uint16_t method : {0, 1, 7}) add(Only(opt::defaults | opt::gray | opt::usm | (3u << opt::rotShift), method));
    return sets;
}

std::string Text(const Outcome& run) {
    return std::string(run.ok ? "ok " : "no ") + run.image + " " + test::LogText(run.log);
}

TEST(SessionResults, ConsoleRunsOnEveryVariantAsRecorded) {
    test::RecordedResults recorded("session-results.txt");
    const TestCurves curves;
    // Odd sizes, several tiles, a moved-back last tile row (2 x 104 + 8 + 5),
    // partial pixel blocks at the end of each pass; one session converts
    // every file with every option set as a batch does.
    const std::string files[] = {OrfFile("odd.orf", 333, 221), OrfFile("bands.orf", 250, 190)};
    const auto sets = OptionSets();
    struct Case {
        std::string name;
        const std::string* file;
        const ImportSettings* settings;  // none: the raw pattern alone
    };
    std::vector<Case> cases;
    std::vector<std::string> names;
    for (const std::string& file : files) {
        const std::string base = std::filesystem::path(file).filename().string() + " ";
        // The second file: each step of the defaults left out, the grey method.
        for (size_t i = 0; i < (&file == files ? sets.size() : 12); ++i)
            cases.push_back({base + sets[i].first, &file, &sets[i].second});
        cases.push_back({base + "no settings", &file, nullptr});
    }
    for (const Case& c : cases) names.push_back(c.name);
    names.push_back("missing file");
    const auto texts = OnEachVariant(kFull, names, [&](ProcessingSession& session, size_t i, bool) {
        if (i == cases.size()) return Text(Convert(session, "/nonexistent/P1010001.ORF", &sets[1].second, nullptr));
        return Text(Convert(session, *cases[i].file, cases[i].settings, &curves.tables));
    });
    for (size_t i = 0; i < names.size(); ++i) recorded.Check(names[i], texts[i]);

    // Cancelling at a tick, between steps or inside one: the run stops at that
    // tick with the progress so far and has not failed; its image is the same
    // on every variant that takes the same passes.
    // The defaults at every tick, banded against separate passes; the most
    // steps with curves at some ticks on one thread and several.
    const struct {
        const std::string& file;
        const ImportSettings& settings;
        int stride;
        Variants variants;
    } cancelling[] = {{files[1], sets[1].second, 1000, {{KernelTarget::avx512, 1, false}, {KernelTarget::avx2, 3, true}}},
                      {files[0], sets[15].second, 4, {kFull[0], {KernelTarget::avx512, 3, false}, kFull[1]}}};
    for (const auto& [file, settings, stride, variants] : cancelling) {
        ProcessingSession session;
        const std::string whole = Convert(session, file, &settings, &curves.tables).log;
        const int ticks = static_cast<int>(std::count(whole.begin(), whole.end(), '#'));
        ASSERT_GT(ticks, 20);
        std::vector<int> cancels;
        for (int cancelAt = 1; cancelAt <= ticks; cancelAt += 1 + cancelAt / stride) cancels.push_back(cancelAt);
        std::vector<std::string> cancelNames;
        for (const int cancelAt : cancels) cancelNames.push_back(file + " cancelled at tick " + std::to_string(cancelAt));
        std::map<std::pair<size_t, bool>, std::string> images;
        OnEachVariant(variants, cancelNames, [&](ProcessingSession& variant, size_t i, bool inBands) {
            const Outcome run = Convert(variant, file, &settings, &curves.tables, cancels[i]);
            EXPECT_FALSE(run.ok) << cancelNames[i];
            EXPECT_EQ(run.error, LoadError::none) << cancelNames[i];
            const auto [image, added] = images.emplace(std::pair{i, inBands}, run.image);
            EXPECT_EQ(run.image, image->second) << cancelNames[i] << " in bands " << inBands;
            size_t end = 0;
            for (int tick = 0; tick < cancels[i]; ++tick) end = whole.find('#', end) + 1;
            EXPECT_EQ(run.log, whole.substr(0, end) + "E") << cancelNames[i];
            return run.log;
        });
    }
    std::filesystem::remove_all(std::filesystem::path(files[0]).parent_path());
}

// The desktop program's runs: a preview, a full-size run, then a preview that
// follows it (its levels from the full-size run's count), and a region
// derived from the full-size run (its levels from the parent's points).
TEST(SessionResults, InteractiveRunsOnEveryVariantAsRecorded) {
    test::RecordedResults recorded("session-interactive-results.txt");
    const std::string path = OrfFile("interactive.orf", 250, 190);
    const uint32_t sets[] = {opt::defaults, opt::defaults | opt::rgblevels | opt::curves, opt::sat | opt::gamma,
                             opt::defaults | opt::hflip | opt::balance, 0};
    std::vector<std::string> names;
    for (const uint32_t options : sets) {
        std::ostringstream name;
        name << std::hex << options;
        names.push_back(name.str());
    }
    const auto texts = OnEachVariant(kFull, names, [&](ProcessingSession&, size_t i, bool inBands) {
        ProcessingSession session(SessionKind::interactive);
        session.SetStepsInBands(inBands);
        test::Recorder progress;
        session.SetProgress(&progress);
        session.SetFileName(path.c_str());
        session.SetSettings(Only(sets[i]));
        session.SetReduction(3);
        std::string text;
        for (const bool preview : {true, false, true}) {
            text += std::to_string(static_cast<int>(session.Process(preview))) + " ";
            text += test::ImageText(preview ? session.PreviewOutput() : session.FullOutput()) + "; ";
        }
        ProcessingSession region(SessionKind::interactive);
        region.SetStepsInBands(inBands);
        text += std::to_string(region.DeriveRegion(session, 30, 20, 100, 70)) + " ";
        region.SetSettings(Only(sets[i]));
        text += std::to_string(static_cast<int>(region.Process(false))) + " ";
        return text + test::ImageText(region.FullOutput()) + " " + test::LogText(progress.log);
    });
    for (size_t i = 0; i < names.size(); ++i) recorded.Check(names[i], texts[i]);
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

}  // namespace
}  // namespace kyp
