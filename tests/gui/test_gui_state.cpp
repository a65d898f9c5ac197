// The desktop program's state, explored: random sequences of edits on the
// Options, Curves and Sharpen pages against a small model (what the pages show,
// what the last full run was made with, how the texture question was
// answered). After every edit the Apply button must say whether the pages
// differ from the last full run; after every sequence the thumbnail, the big
// picture and the saved file must be the engine's own runs for the pages.
// A failing sequence prints itself; KYP_STATE_SEED and KYP_STATE_ONLY replay it.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "GuiTestSupport.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/TiffWriter.h"
#include "engine/process/ProcessingSession.h"
#include "engine/settings/CurveTable.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/CurveNumberEdit.h"
#include "gui/pages/CurvesPage.h"
#include "gui/view/ImageArea.h"
#include "gui/frame/MainFrame.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/RatioText.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/pages/SharpenPage.h"
#include "gui/frame/StatusStrip.h"
#include "gui/pages/WhiteBalanceMenu.h"

using namespace kyp;

namespace {

constexpr const char* kTextureTitle = "Kyp Suite: Texture Defect Detected";

// The strip bytes of a TIFF file (the pixels, whatever the directory says besides).
QByteArray TiffPixels(const QByteArray& file) {
    if (file.size() < 8) return {};
    const bool little = file[0] == 'I';
    const auto u16 = [&](qsizetype at) -> uint32_t {
        if (at + 2 > file.size()) return 0;
        const auto b0 = static_cast<uint8_t>(file[at]), b1 = static_cast<uint8_t>(file[at + 1]);
        return little ? uint32_t(b0 | b1 << 8) : uint32_t(b1 | b0 << 8);
    };
    const auto u32 = [&](qsizetype at) -> uint32_t {
        return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
    };
    const uint32_t ifd = u32(4);
    std::vector<uint32_t> offsets, counts;
    for (uint32_t i = 0, n = u16(ifd); i < n; ++i) {
        const qsizetype entry = ifd + 2 + 12 * i;
        const uint32_t tag = u16(entry), type = u16(entry + 2), count = u32(entry + 4);
        if (tag != 273 && tag != 279) continue;
        const uint32_t size = type == 3 ? 2 : 4;
        const qsizetype values = count * size <= 4 ? entry + 8 : u32(entry + 8);
        auto& list = tag == 273 ? offsets : counts;
        for (uint32_t k = 0; k < count; ++k) list.push_back(size == 2 ? u16(values + 2 * k) : u32(values + 4 * k));
    }
    QByteArray pixels;
    for (size_t k = 0; k < offsets.size() && k < counts.size(); ++k) pixels += file.mid(offsets[k], counts[k]);
    return pixels;
}

bool SameRendering(const Bitmap& a, const Bitmap& b) {
    return ImageFromBitmap(a) == ImageFromBitmap(b);
}

template <typename T>
T* Find(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

// What the last full run was made with, and the texture answers.
struct Model {
    ImportSettings lastRun{};
    CurveArray lastCurves{};
    bool lastDeclined = false;  // the last full run's mosaic was declined its repair
    bool declinedNow = false;   // the current mosaic's
    float exponent = 0.0f;      // the gamma the page's field stands for while untouched
    uint32_t ratios[3] = {};    // the last valid ratios
};

class Explorer {
public:
    Explorer(const std::string& orf, const int32_t measure[2]) : orf_(orf) {
        measure_[0] = measure[0];
        measure_[1] = measure[1];
    }

    // One sequence; false (and the sequence printed) when an invariant breaks.
    bool Run(uint32_t seed, int* checks) {
        QFile::remove(qEnvironmentVariable("KYP_CONFIG_HOME") + QStringLiteral("/settings.json"));
        test::Recorder recorder;
        MainFrame frame;
        frame.resize(1000, 640);
        frame.show();
        frame_ = &frame;
        recorder_ = &recorder;
        log_.clear();
        seen_ = 0;
        checks_ = checks;
        if (!frame.OpenByName(orf_)) return Fail("the sample does not open");
        model_ = Model{};
        // The untouched gamma field stands for the exponent it was shown from.
        model_.exponent = frame.Settings().gammaExponent;
        const ImportSettings start = Read();
        model_.lastRun = start;
        model_.exponent = start.gammaExponent;
        model_.ratios[0] = start.redScale;
        model_.ratios[1] = start.greenScale;
        model_.ratios[2] = start.blueScale;
        model_.lastCurves = frame.Curves();

        QRandomGenerator random(seed);
        const int length = 1 + static_cast<int>(random.bounded(12));
        for (int step = 0; step < length; ++step) {
            Act(random);
            if (!Settle() || !CheckApply()) return Fail("after step " + std::to_string(step + 1));
        }
        return CheckPictures() || Fail("at the end");
    }

    std::string failure;

private:
    // ---- the pages as shown, read without the program's own reading ----
    ImportSettings Read() {
        OptionsPage* page = frame_->Options();
        ImportSettings s = frame_->Settings();  // the grayscale bit and anything no page shows
        const struct {
            const char* name;
            uint32_t bit;
        } boxes[] = {{"fixTextureCheck", opt::tt}, {"promptCheck", opt::asktt},     {"blackPointCheck", opt::black},
                     {"cameraWhiteBalanceCheck", opt::wb}, {"scaleCheck", opt::scale}, {"rawCurvesCheck", opt::rawcurves},
                     {"fudgeCheck", opt::fudge}, {"colorMatrixCheck", opt::matrix}, {"horizontalCheck", opt::hflip},
                     {"verticalCheck", opt::vflip}, {"levelsRadio", opt::levels},   {"rgbLevelsRadio", opt::rgblevels},
                     {"curvesCheck", opt::curves}, {"colorBalanceCheck", opt::balance},
                     {"saturationCheck", opt::sat}, {"sharpenCheck", opt::usm},    {"gammaCheck", opt::gamma},
                     {"invertCheck", opt::invert}};
        uint32_t options = 0;
        for (const auto& box : boxes) {
            if (Find<QAbstractButton>(page, box.name)->isChecked()) options |= box.bit;
        }
        const char* rotations[4] = {"rotateNoneRadio", "rotate90CwRadio", "rotate180Radio", "rotate90CcwRadio"};
        for (uint32_t r = 0; r < 4; ++r) {
            if (Find<QRadioButton>(page, rotations[r])->isChecked()) options |= r << opt::rotShift;
        }
        auto* gamma = Find<NumberEdit>(page, "gammaEdit");
        const double shown = 1.0 / static_cast<double>(model_.exponent);
        if (gamma->isModified() || gamma->text() != gamma->Show(shown)) {
            if (const std::optional<double> typed = ParseDecimal(gamma->text())) {
                if (*typed >= 0.1 && *typed <= 10.0) model_.exponent = static_cast<float>(1.0 / *typed);
            }
        }
        s.gammaExponent = model_.exponent;
        const auto value = [&](const char* name) { return Find<NumberEdit>(page, name)->Value(); };
        s.saturation = static_cast<float>(value("saturationEdit"));
        const auto perMille = [](double v) {
            const long r = std::lround(v * 1000.0);
            return r < 0 ? int32_t{-1} : static_cast<int32_t>(r);
        };
        s.darkThreshold = perMille(value("loEdit"));
        s.brightThreshold = perMille(value("hiEdit"));
        const char* ratioNames[3] = {"redRatioEdit", "greenRatioEdit", "blueRatioEdit"};
        for (int c = 0; c < 3; ++c) {
            if (auto ratio = ParseRatio(Find<QLineEdit>(page, ratioNames[c])->text().toStdString())) model_.ratios[c] = *ratio;
        }
        s.redScale = model_.ratios[0];
        s.greenScale = model_.ratios[1];
        s.blueScale = model_.ratios[2];
        auto* threshold = Find<NumberEdit>(page, "thresholdEdit");
        const double t = ParseDecimal(threshold->text()).value_or(threshold->Value());
        s.textureThreshold = t < 1.0 ? 0 : t > 1023.0 ? 1023 : static_cast<int32_t>(t);
        if (s.textureThreshold == 0) options &= ~opt::tt;
        s.options = options | (s.options & opt::gray);
        s.method = static_cast<uint16_t>(Find<QComboBox>(page, "methodList")->currentData().toInt());
        QWidget* sharpen = frame_->Sharpen();
        s.usmAmount = static_cast<int32_t>(Find<NumberEdit>(sharpen, "amountEdit")->Value());
        s.usmRadius = static_cast<float>(Find<NumberEdit>(sharpen, "radiusEdit")->Value());
        s.usmThreshold = static_cast<int32_t>(Find<NumberEdit>(sharpen, "thresholdEdit")->Value());
        return s;
    }

    bool PagesDiffer(const ImportSettings& pages) const {
        if (CompareSettings(pages, model_.lastRun) != 0) return true;
        if ((pages.options & (opt::curves | opt::rawcurves)) && frame_->Curves() != model_.lastCurves) return true;
        return model_.lastDeclined && (pages.options & opt::tt) && !(pages.options & opt::asktt);
    }

    // The defect is found (and the question asked) only above the threshold.
    bool DefectFound(const ImportSettings& s) const {
        return (s.options & opt::tt) && std::abs(measure_[(s.options & opt::black) ? 1 : 0]) > s.textureThreshold;
    }

    // ---- edits ----
    void Log(const std::string& text) { log_ += "  " + text + "\n"; }

    void Leave(QWidget* field) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(field, &out);
    }

    void Type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }

    void Tab(int index) { frame_->Tabs()->setCurrentIndex(index); }

    void Act(QRandomGenerator& random) {
        OptionsPage* options = frame_->Options();
        const auto pick = [&](const auto& list) { return list[random.bounded(static_cast<quint32>(std::size(list)))]; };
        switch (random.bounded(16)) {
            case 0:
            case 1:
            case 2: {
                static const char* const boxes[] = {
                    "fixTextureCheck", "promptCheck",    "blackPointCheck",   "cameraWhiteBalanceCheck", "scaleCheck",
                    "rawCurvesCheck",  "fudgeCheck",     "colorMatrixCheck",  "horizontalCheck",         "verticalCheck",
                    "curvesCheck",     "colorBalanceCheck", "saturationCheck", "sharpenCheck",           "gammaCheck",
                    "invertCheck",     "rotateNoneRadio", "rotate90CwRadio",  "rotate90CcwRadio",        "rotate180Radio",
                    "levelsNoneRadio", "levelsRadio",    "rgbLevelsRadio"};
                const char* name = pick(boxes);
                Tab(page::options);
                Log(std::string("click ") + name);
                Find<QAbstractButton>(options, name)->click();
                break;
            }
            case 3: {
                Tab(page::options);
                auto* list = Find<QComboBox>(options, "methodList");
                const int index = static_cast<int>(random.bounded(list->count()));
                Log("method " + std::to_string(index));
                list->setCurrentIndex(index);
                emit list->activated(index);
                break;
            }
            case 4:
            case 5: {
                static const char* const fields[] = {"thresholdEdit", "hiEdit", "loEdit", "saturationEdit"};
                static const char* const texts[] = {"1.", "1,5", "0,25", "7", "-3", "2000", "3", "2,", "0.5",
                                                    "abc", "", "-", "1,2,3", "0.5x"};
                const char* name = pick(fields);
                const char* text = pick(texts);
                const bool leave = random.bounded(2) == 0;
                Tab(page::options);
                Log(std::string("type ") + name + " '" + text + "'" + (leave ? " and leave" : ""));
                auto* field = Find<NumberEdit>(options, name);
                Type(field, QString::fromLatin1(text));
                if (leave) Leave(field);
                break;
            }
            case 6: {
                // Gamma text that is not a gamma is always left (its message resets it).
                static const char* const texts[] = {"2.0", "1,8", "2,2", "2.2", "1.", "0,5", "3", "0", "abc", "12"};
                const char* text = pick(texts);
                Tab(page::options);
                auto* field = Find<NumberEdit>(options, "gammaEdit");
                const bool leave = !ValidGammaText(text) || random.bounded(2) == 0;
                Log(std::string("type gammaEdit '") + text + "'" + (leave ? " and leave" : ""));
                Type(field, QString::fromLatin1(text));
                (void)Read();  // the typed gamma, before leaving shows it with one decimal
                if (leave) Leave(field);
                break;
            }
            case 7: {
                static const char* const fields[] = {"redRatioEdit", "greenRatioEdit", "blueRatioEdit"};
                static const char* const texts[] = {"3/2", "1", "0x10/4", "394/256", "256/256", "3/0", "/2", ""};
                const char* name = pick(fields);
                const char* text = pick(texts);
                Tab(page::options);
                Log(std::string("type ") + name + " '" + text + "' and leave");
                auto* field = Find<QLineEdit>(options, name);
                Type(field, QString::fromLatin1(text));
                Leave(field);
                break;
            }
            case 8: {
                Tab(page::options);
                const QList<QAction*> entries = options->Balance()->Menu()->actions();
                // The last entry asks for a reference file: not part of these sequences.
                QList<QAction*> usable;
                for (QAction* entry : entries) {
                    if (!entry->isSeparator() && !entry->text().contains(QStringLiteral("reference"))) usable << entry;
                }
                QAction* entry = usable[static_cast<int>(random.bounded(static_cast<quint32>(usable.size())))];
                Log("white balance " + entry->text().toStdString());
                emit options->Balance()->Menu()->aboutToShow();
                entry->trigger();
                break;
            }
            case 9:
            case 10: CurvesEdit(random); break;
            case 11: {
                static const char* const fields[] = {"amountEdit", "radiusEdit", "thresholdEdit"};
                static const char* const texts[] = {"50", "1,5", "250", "12.5", "abc", "0", "3,25", ""};
                const char* name = pick(fields);
                const char* text = pick(texts);
                Tab(page::sharpen);
                auto* field = Find<NumberEdit>(frame_->Sharpen(), name);
                if (random.bounded(3) == 0) {
                    Log(std::string("step up ") + name);
                    field->setFocus();
                    QTest::keyClick(field, Qt::Key_Up);
                } else {
                    Log(std::string("type sharpen ") + name + " '" + text + "' and leave");
                    Type(field, QString::fromLatin1(text));
                    Leave(field);
                }
                break;
            }
            case 12: {
                const bool enabled = frame_->ApplyButton()->isEnabled();
                Log(enabled ? "Apply" : "Apply (disabled)");
                frame_->ApplyButton()->click();
                if (enabled) Ran();
                break;
            }
            case 13:
                Log("F5");
                frame_->Command(cmd::apply);
                Ran();
                break;
            case 14: {
                const int index = static_cast<int>(random.bounded(page::count));
                Log("tab " + std::to_string(index));
                Tab(index);
                break;
            }
            default:
                recorder_->answer = random.bounded(2) == 0;
                Log(recorder_->answer ? "answer Yes from now on" : "answer No from now on");
                break;
        }
    }

    static bool ValidGammaText(const char* text) {
        const std::optional<double> value = ParseDecimal(QString::fromLatin1(text));
        return value && *value >= 0.1 && *value <= 10.0;
    }

    void CurvesEdit(QRandomGenerator& random) {
        Tab(page::curves);
        auto* curves = dynamic_cast<CurvesPage*>(frame_->Page(page::curves));
        const QRect g = curves->Graph();
        const auto at = [&](int x, int y) { return QPoint(g.left() + x, g.bottom() - y); };
        const auto mouse = [&](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
            const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, QPointF(p), QPointF(curves->mapToGlobal(p)), button, buttons, Qt::NoModifier);
            QApplication::sendEvent(curves, &event);
        };
        switch (random.bounded(5)) {
            case 0: {
                const int channel = static_cast<int>(random.bounded(4));
                Log("curves channel " + std::to_string(channel));
                curves->SelectChannel(channel);
                break;
            }
            case 1: {
                // Pull the curve at x up or down.
                const int x = 20 + static_cast<int>(random.bounded(216));
                const int y = curves->Table()[static_cast<size_t>(x)];
                const int to = std::clamp(y + static_cast<int>(random.bounded(121)) - 60, 0, 255);
                Log("curves drag " + std::to_string(x) + "," + std::to_string(y) + " to " + std::to_string(to));
                mouse(QEvent::MouseButtonPress, at(x, y), Qt::LeftButton);
                mouse(QEvent::MouseMove, at(x, (y + to) / 2), Qt::LeftButton);
                mouse(QEvent::MouseMove, at(x, to), Qt::LeftButton);
                mouse(QEvent::MouseButtonRelease, at(x, to), Qt::NoButton);
                break;
            }
            case 2:
                Log("curves Default");
                curves->DefaultCurves();
                break;
            case 3:
                Log("curves Revert");
                curves->RevertCurves();
                break;
            default: {
                // A click that changes nothing: the graph's corner, away from the curve.
                Log("curves click off the curve");
                mouse(QEvent::MouseButtonPress, at(250, 5), Qt::LeftButton);
                mouse(QEvent::MouseButtonRelease, at(250, 5), Qt::NoButton);
                break;
            }
        }
    }

    // A full run happened: the model follows.
    void Ran() {
        NoteQuestions();
        model_.lastRun = Read();
        model_.lastCurves = frame_->Curves();
        model_.lastDeclined = model_.declinedNow;
    }

    void NoteQuestions() {
        for (; seen_ < recorder_->messages.size(); ++seen_) {
            if (recorder_->messages[seen_].title == kTextureTitle) model_.declinedNow = !recorder_->answer;
        }
    }

    bool Settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        NoteQuestions();
        const ImportSettings pages = Read();
        // Without the question, or without a defect, nothing was declined.
        if (!((pages.options & opt::asktt) && DefectFound(pages))) model_.declinedNow = false;
        return true;
    }

    // (a) Apply is enabled exactly when the pages differ from the last full run.
    bool CheckApply() {
        ++*checks_;
        const bool differ = PagesDiffer(Read());
        if (frame_->ApplyButton()->isEnabled() == differ) return true;
        failure = differ ? "Apply is disabled although the pages differ from the last full run"
                         : "Apply is enabled although the pages are those of the last full run";
        return false;
    }

    // The engine's preview for the pages: the last full run, then the preview run.
    bool ReferencePreview(const ImportSettings& pages, Bitmap& rendering) {
        ProcessingSession session(SessionKind::interactive);
        bool answer = !model_.lastDeclined;
        session.SetTextureConfirmation([&](int32_t, int32_t) { return answer; });
        session.SetReduction(frame_->Session().Reduction());
        session.SetFileName(orf_.c_str());
        CurveSet lastSet(model_.lastCurves), nowSet(frame_->Curves());
        CurveTables last, now;
        for (int i = 0; i < kCurveCount; ++i) {
            last.table[i] = lastSet.Table(i);
            now.table[i] = nowSet.Table(i);
        }
        session.SetCurves(&last);
        session.SetSettings(model_.lastRun);
        if (session.Process(false) != RunResult::processed) return false;
        session.SetCurves(&now);
        session.MarkCurvesChanged();
        answer = !model_.declinedNow;
        if (model_.declinedNow != model_.lastDeclined) {
            // The mosaic was made again since, with the later answer.
            ImportSettings other = pages;
            other.options ^= opt::black;
            session.SetSettings(other);
            if (const RunResult r = session.Process(true); r == RunResult::failed || r == RunResult::cancelled) {
                return false;
            }
        }
        session.SetSettings(pages);
        if (const RunResult r = session.Process(true); r == RunResult::failed || r == RunResult::cancelled) {
            return false;
        }
        return renderImage(rendering, session.PreviewOutput(), (pages.options & opt::gray) != 0, nullptr);
    }

    bool CheckPictures() {
        const ImportSettings pages = Read();
        // (c) the thumbnail, as painted, is the engine's preview.
        ++*checks_;
        Bitmap preview;
        if (!ReferencePreview(pages, preview)) return Fail("the reference preview did not run");
        // Painted as it is on the screen (only the thumbnail's area).
        (void)frame_->centralWidget()->grab(frame_->ThumbnailRect().adjusted(-2, -2, 10, 2));
        if (!SameRendering(frame_->PreviewRendering(), preview) ||
            frame_->Thumb().ShownPicture() != ImageFromBitmap(preview)) {
            failure = std::string("the thumbnail is not the engine's preview for the pages") +
                      (SameRendering(frame_->PreviewRendering(), preview) ? " (as drawn)" : "") + ": pages " +
                      WriteOptionsText(pages) + ", program " + WriteOptionsText(frame_->Session().Settings());
            return false;
        }
        // (d) Save writes the pages' picture.
        ++*checks_;
        const bool differed = PagesDiffer(pages);
        const std::string saved = orf_ + ".saved.tif";
        if (!frame_->SaveDocument(saved, format::tiff)) return Fail("Save failed");
        NoteQuestions();
        if (differed) Ran();
        ImportSettings effective = model_.lastRun;
        if (model_.lastDeclined) effective.options &= ~opt::tt;
        ProcessingSession console;
        CurveSet set(model_.lastCurves);
        CurveTables tables;
        for (int i = 0; i < kCurveCount; ++i) tables.table[i] = set.Table(i);
        console.SetFileName(orf_.c_str());
        console.SetSettings(effective);
        console.SetCurves(&tables);
        if (!console.Process()) return Fail("the console run failed");
        const std::string expected = orf_ + ".expected.tif";
        if (!writeTiff(expected, console.InputDocument(), console.Image(), effective, frame_->SaveFormat())) {
            return Fail("the reference TIFF was not written");
        }
        if (TiffPixels(test::ReadAll(saved)) != TiffPixels(test::ReadAll(expected))) {
            failure = "Save did not write the engine's picture for the pages";
            return false;
        }
        // (b) the big picture is that picture, fitted to its window.
        ++*checks_;
        Bitmap full;
        if (!renderImage(full, console.Image(), (effective.options & opt::gray) != 0, nullptr)) return false;
        ImageWindow* window = frame_->Image();
        if (!SameRendering(frame_->FullRendering(), full) || window == nullptr ||
            window->Image().convertToFormat(QImage::Format_RGB32) !=
                ImageFromBitmap(full).convertToFormat(QImage::Format_RGB32)) {
            failure = "the big picture is not the engine's picture for the pages";
            return false;
        }
        const QRect view = window->ViewRect();
        const QSize image = window->ImageSize();
        if (window->Zoom() == 0 &&
            (std::abs(int64_t{view.width()} * image.height() - int64_t{view.height()} * image.width()) >
                 std::max(image.width(), image.height()) ||
             !window->rect().contains(view))) {
            failure = "the fitted view does not have the picture's shape";
            return false;
        }
        // (a) once more: saved, the pages are the last full run's.
        return CheckApply();
    }

    bool Fail(const std::string& where) {
        if (failure.empty()) failure = "failed";
        failure += " (" + where + ")\n" + log_;
        return false;
    }

    std::string orf_;
    int32_t measure_[2] = {0, 0};  // texture defect measure without and with the black point
    MainFrame* frame_ = nullptr;
    test::Recorder* recorder_ = nullptr;
    Model model_;
    std::string log_;
    size_t seen_ = 0;
    int* checks_ = nullptr;
};

}  // namespace

class GuiStateTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir config_;
    QTemporaryDir files_;
    std::string orf_;
    int32_t measure_[2] = {0, 0};

    // The texture measure of the sample, as the question reports it.
    int32_t Measure(bool black) {
        ProcessingSession session;
        int32_t measure = 0;
        session.SetTextureConfirmation([&](int32_t m, int32_t) { return measure = m, false; });
        ImportSettings settings;
        SetDefaults(settings);
        settings.options = opt::tt | opt::asktt | (black ? opt::black : 0);
        settings.textureThreshold = 0;
        session.SetFileName(orf_.c_str());
        session.SetSettings(settings);
        (void)session.Process();
        return measure;
    }

    // The engine's (kyp2tiff's) TIFF pixels for settings.
    QByteArray ConsoleTiff(const ImportSettings& settings, const OutputSettings& output) {
        ProcessingSession console;
        console.SetFileName(orf_.c_str());
        console.SetSettings(settings);
        if (!console.Process()) return {};
        const std::string path = orf_ + ".console.tif";
        if (!writeTiff(path, console.InputDocument(), console.Image(), settings, output)) return {};
        return TiffPixels(test::ReadAll(path));
    }

    static void Click(MainFrame& frame, const char* name) {
        frame.Options()->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    static void TypeInto(MainFrame& frame, const char* name, const char* text) {
        auto* field = frame.Options()->findChild<QLineEdit*>(QString::fromLatin1(name));
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, QString::fromLatin1(text));
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    static double MeanDifference(const Bitmap& a, const Bitmap& b, double* perChannel) {
        double worst = 0;
        const QImage x = ImageFromBitmap(a).convertToFormat(QImage::Format_RGB32);
        const QImage y = ImageFromBitmap(b).convertToFormat(QImage::Format_RGB32);
        for (int c = 0; c < 3; ++c) {
            double sums[2] = {0, 0};
            for (int k = 0; k < 2; ++k) {
                const QImage& image = k == 0 ? x : y;
                for (int row = 0; row < image.height(); ++row) {
                    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
                    for (int col = 0; col < image.width(); ++col) {
                        sums[k] += c == 0 ? qRed(line[col]) : c == 1 ? qGreen(line[col]) : qBlue(line[col]);
                    }
                }
                sums[k] /= double(image.width()) * image.height();
            }
            perChannel[c] = sums[0] - sums[1];
            worst = std::max(worst, std::abs(perChannel[c]));
        }
        return worst;
    }

private slots:
    void initTestCase() {
        QVERIFY(config_.isValid() && files_.isValid());
        qputenv("KYP_CONFIG_HOME", config_.path().toUtf8());
        orf_ = test::Path(files_, "striped.orf");
        // A texture defect (odd rows greener) and dots that decide the full
        // image's levels but average away in a preview.
        QVERIFY(WriteStripedOrf(orf_, 240, 176, {60, 150, 100, 160, 30, 120, 89}));
        measure_[0] = Measure(false);
        measure_[1] = Measure(true);
        // Every threshold the sequences type (up to 7) finds the defect.
        QVERIFY2(std::abs(measure_[0]) > 7 && std::abs(measure_[1]) > 7, "the sample shows no texture defect");
    }

    void init() { QFile::remove(config_.path() + QStringLiteral("/settings.json")); }

    // Edits whose last click or key leaves the settings where the preview
    // already was: Apply stays enabled, and Save writes the edited picture.
    void editsAfterARefreshKeepApplyAndSave() {
        ImportSettings defaults;
        SetDefaults(defaults);
        const struct {
            std::function<void(MainFrame&)> edit;
            std::function<void(ImportSettings&)> expect;
        } cases[] = {
            {[](MainFrame& f) { Click(f, "invertCheck"), Click(f, "horizontalCheck"), Click(f, "rotateNoneRadio"); },
             [](ImportSettings& s) { s.options |= opt::invert | opt::hflip; }},
            {[](MainFrame& f) { TypeInto(f, "saturationEdit", "1.5"); }, [](ImportSettings& s) { s.saturation = 1.5f; }},
            {[](MainFrame& f) { TypeInto(f, "gammaEdit", "2.0"); }, [](ImportSettings& s) { s.gammaExponent = 0.5f; }},
            // A decimal comma, as typed where it is the custom.
            {[](MainFrame& f) { TypeInto(f, "saturationEdit", "1,5"); }, [](ImportSettings& s) { s.saturation = 1.5f; }},
        };
        for (const auto& c : cases) {
            init();
            test::Recorder recorder;
            MainFrame frame;
            frame.show();
            QVERIFY(frame.OpenByName(orf_));
            c.edit(frame);
            QVERIFY(frame.ApplyButton()->isEnabled());
            ImportSettings expected = defaults;
            c.expect(expected);
            QCOMPARE(frame.Settings().saturation, expected.saturation);
            const std::string saved = orf_ + ".edited.tif";
            QVERIFY(frame.SaveDocument(saved, format::tiff));
            QVERIFY(TiffPixels(test::ReadAll(saved)) == ConsoleTiff(expected, frame.SaveFormat()));
            QVERIFY(!frame.ApplyButton()->isEnabled());
            QVERIFY(recorder.messages.empty());
        }
    }

    // The thumbnail drawn is the latest preview, not the one before it.
    void thumbnailShowsTheLatestPreview() {
        test::Recorder recorder;
        MainFrame frame;
        frame.show();
        QVERIFY(frame.OpenByName(orf_));
        for (const char* box : {"invertCheck", "horizontalCheck", "rotate90CwRadio"}) {
            Click(frame, box);
            (void)frame.centralWidget()->grab(frame.ThumbnailRect());
            QVERIFY2(frame.Thumb().ShownPicture() == ImageFromBitmap(frame.PreviewRendering()), box);
            QVERIFY(frame.PreviewRendering().width() == int(frame.Session().PreviewOutput().width));
        }
    }

    // After Apply turns the picture, the fitted view has the picture's shape.
    void fitViewFollowsATurnedPicture() {
        test::Recorder recorder;
        MainFrame frame;
        frame.resize(1000, 640);
        frame.show();
        QVERIFY(frame.OpenByName(orf_));
        for (const char* rotation : {"rotate90CwRadio", "rotateNoneRadio", "rotate90CcwRadio", "rotate180Radio"}) {
            Click(frame, rotation);
            frame.Command(cmd::apply);
            ImageWindow* window = frame.Image();
            const QRect view = window->ViewRect();
            const QSize image = window->ImageSize();
            QCOMPARE(image, QSize(frame.FullRendering().width(), frame.FullRendering().height()));
            QVERIFY2(std::abs(view.width() * image.height() - view.height() * image.width()) <=
                         std::max(image.width(), image.height()),
                     rotation);
        }
    }

    // "No" to the texture question holds only while the page asks.
    void declinedTextureRepairEndsWithThePrompt() {
        test::Recorder recorder;
        recorder.answer = false;
        MainFrame frame;
        frame.show();
        Click(frame, "promptCheck");
        QVERIFY(frame.OpenByName(orf_));
        QCOMPARE(recorder.messages.size(), size_t{1});
        QCOMPARE(recorder.messages[0].title, std::string("Kyp Suite: Texture Defect Detected"));
        QVERIFY(!frame.ApplyButton()->isEnabled());
        Click(frame, "promptCheck");
        QVERIFY(frame.ApplyButton()->isEnabled());
        frame.Command(cmd::apply);
        ImportSettings expected;
        SetDefaults(expected);
        const std::string saved = orf_ + ".repaired.tif";
        QVERIFY(frame.SaveDocument(saved, format::tiff));
        QVERIFY(TiffPixels(test::ReadAll(saved)) == ConsoleTiff(expected, frame.SaveFormat()));
        QCOMPARE(recorder.messages.size(), size_t{1});
    }

    // Numbers with a decimal comma; text that is no number gets the field's message.
    void numberFieldsReadCommasAndRefuseOtherText() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const struct {
            const char* text;
            std::optional<double> value;
        } texts[] = {{"1,5", 1.5}, {" 2.25 ", 2.25}, {"-1,5e1", -15.0}, {"1.", 1.0}, {",5", 0.5},
                     {"1,5x", std::nullopt}, {"1,2,3", std::nullopt}, {"1.2,3", std::nullopt}, {"", std::nullopt},
                     {"-", std::nullopt}, {"inf", std::nullopt}};
        for (const auto& t : texts) QCOMPARE(ParseDecimal(QString::fromLatin1(t.text)), t.value);

        test::Recorder recorder;
        MainFrame frame;
        TypeInto(frame, "saturationEdit", "2,5");
        QCOMPARE(frame.Settings().saturation, 2.5f);
        // Pasted, so that no part of it was ever a number.
        frame.Options()->findChild<QLineEdit*>(QStringLiteral("saturationEdit"))->setText(QStringLiteral("1,5x"));
        QVERIFY(frame.ApplyOptionsPage(false));  // the field is shown again, and read
        QCOMPARE(frame.Settings().saturation, 2.5f);
        QCOMPARE(recorder.messages.back().text,
                 std::string("Invalid Saturation\r\nSaturation should be a number in the range 0.000000 - 100.000000"));
        frame.Options()->ShowSettings();
        QCOMPARE(frame.Options()->findChild<QLineEdit*>(QStringLiteral("saturationEdit"))->text(), QStringLiteral("2.5"));
        auto* radius = frame.Sharpen()->findChild<NumberEdit*>(QStringLiteral("radiusEdit"));
        radius->selectAll();
        QTest::keyClicks(radius, QStringLiteral("abc"));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(radius, &out);
        QCOMPARE(recorder.messages.back().text,
                 std::string("Invalid Radius\r\nRadius should be a number in the range 0.000000 - 250.000000"));
        QCOMPARE(radius->text(), QStringLiteral("1.1"));
        // The curves editor's fields too (whole numbers: rounded).
        auto* curves = dynamic_cast<CurvesPage*>(frame.Page(page::curves));
        auto* output = curves->findChild<CurveNumberEdit*>(QStringLiteral("outputEdit"));
        output->SetActive(true);
        output->SetValue(10);
        output->selectAll();
        QTest::keyClicks(output, QStringLiteral("12,6"));
        QCOMPARE(output->Value(), 13);
        output->setText(QStringLiteral("7x"));
        QApplication::sendEvent(output, &out);
        QCOMPARE(recorder.messages.back().text, std::string("Invalid Output\r\nOutput should be a number in the range 0 - 255"));
        QCOMPARE(output->text(), QStringLiteral("13"));
        QLocale::setDefault(QLocale::c());
    }

    // Settings that do nothing until another box is ticked say so.
    void unusedEditsSayWhichBoxTheyNeed() {
        test::Recorder recorder;
        MainFrame frame;
        frame.show();
        QVERIFY(frame.OpenByName(orf_));
        QWidget* hint = frame.Options()->findChild<QWidget*>(QStringLiteral("scaleOffHint"));
        QVERIFY(!hint->isVisibleTo(frame.Options()));
        frame.Options()->SetRatios(394u << 16 | 256, 0x00010001, 376u << 16 | 256);
        QVERIFY(hint->isVisibleTo(frame.Options()));
        Click(frame, "scaleCheck");
        QVERIFY(!hint->isVisibleTo(frame.Options()));

        frame.Tabs()->setCurrentIndex(page::curves);
        auto* curves = dynamic_cast<CurvesPage*>(frame.Page(page::curves));
        QWidget* curvesHint = curves->findChild<QWidget*>(QStringLiteral("curvesOffHint"));
        frame.Curves()[0].SetPoint(1, 255, 200);
        curves->Activate(true);
        QVERIFY(curvesHint->isVisibleTo(curves));
        Click(frame, "curvesCheck");
        curves->Activate(true);
        QVERIFY(!curvesHint->isVisibleTo(curves));
    }

    // Escape during a run says the run was cancelled; Save then does not write the old picture.
    void escapeShowsTheCancelledRun() {
        test::Recorder recorder;
        MainFrame frame;
        frame.show();
        QVERIFY(frame.OpenByName(orf_));
        Click(frame, "invertCheck");
        QTimer::singleShot(0, &frame, [&frame] { QTest::keyClick(&frame, Qt::Key_Escape); });
        frame.Command(cmd::apply);
        QCOMPARE(frame.Strip().StatusText(), QStringLiteral("Processing cancelled"));
        QVERIFY(frame.ApplyButton()->isEnabled());
    }

    // A typed extension of another format chooses that format.
    void saveAsTakesTheTypedFormat() {
        OutputSettings settings;
        for (const auto& [typed, format, ending] :
             {std::tuple{"name.jpg", format::jpeg, ".jpg"}, std::tuple{"name.BMP", format::bitmap, ".BMP"},
              std::tuple{"name.tiff", format::tiff, ".tiff"}, std::tuple{"name.png", format::tiff, ".tif"}}) {
            settings.format = format::tiff;
            SaveAsDialog dialog(nullptr, settings, orf_, files_.path().toStdString());
            dialog.selectFile(QString::fromLatin1(typed));
            dialog.accept();
            QCOMPARE(dialog.Settings().format, format);
            QVERIFY2(QString::fromStdString(dialog.ChosenName()).endsWith(QString::fromLatin1(ending), Qt::CaseInsensitive),
                     (std::string(typed) + " gives " + dialog.ChosenName()).c_str());
        }
    }

    // The thumbnail's colours against the big picture's, with Levels (the
    // defaults): before a full run the preview finds its own points; after
    // one it follows that run's histogram. KYP_MEASURE_ORF measures another file.
    void previewColoursFollowTheFullRun() {
        const QByteArray other = qgetenv("KYP_MEASURE_ORF");
        const std::string path = other.isEmpty() ? orf_ : other.toStdString();
        test::Recorder recorder;
        MainFrame frame;
        QVERIFY(frame.OpenByName(path));
        ImportSettings defaults;
        SetDefaults(defaults);
        ProcessingSession own(SessionKind::interactive);
        own.SetReduction(frame.Session().Reduction());
        own.SetFileName(path.c_str());
        own.SetSettings(defaults);
        QCOMPARE(own.Process(true), RunResult::processed);
        Bitmap ownPreview;
        QVERIFY(renderImage(ownPreview, own.PreviewOutput(), false, nullptr));
        double before[3], after[3];
        const double worstBefore = MeanDifference(ownPreview, frame.FullRendering(), before);
        const double worstAfter = MeanDifference(frame.PreviewRendering(), frame.FullRendering(), after);
        qInfo("thumbnail minus picture, mean R G B: own points %.1f %.1f %.1f, following %.1f %.1f %.1f", before[0],
              before[1], before[2], after[0], after[1], after[2]);
        if (!other.isEmpty()) return;  // a measurement only
        // What remains is the averaging itself, seen through the levels clipping and the gamma.
        QVERIFY(worstAfter * 4 < worstBefore);
        QVERIFY(worstAfter <= 8.0);
    }

    void randomSequencesKeepThePagesTrue() {
        const uint32_t base = qEnvironmentVariableIsSet("KYP_STATE_SEED")
                                  ? static_cast<uint32_t>(qEnvironmentVariableIntValue("KYP_STATE_SEED"))
                                  : 20261207u;
        const int only = qEnvironmentVariableIsSet("KYP_STATE_ONLY") ? qEnvironmentVariableIntValue("KYP_STATE_ONLY") : -1;
        const int sequences = 300;
        Explorer explorer(orf_, measure_);
        int checks = 0, ran = 0;
        QElapsedTimer timer;
        timer.start();
        for (int n = 0; n < sequences; ++n) {
            if (only >= 0 && n != only) continue;
            ++ran;
            if (!explorer.Run(base + static_cast<uint32_t>(n), &checks)) {
                QFAIL(qPrintable(QStringLiteral("sequence %1 (replay: KYP_STATE_SEED=%2 KYP_STATE_ONLY=%1): %3")
                                     .arg(n)
                                     .arg(base)
                                     .arg(QString::fromStdString(explorer.failure))));
            }
        }
        qInfo("%d sequences, %d checks, %lld ms", ran, checks, static_cast<long long>(timer.elapsed()));
    }
};

QTEST_MAIN(GuiStateTest)
#include "test_gui_state.moc"
