#include "gui/app/Application.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/output/JpegGlue.h"
#include "engine/settings/KisFile.h"
#include "engine/settings/StoredSettings.h"
#include "gui/app/Registration.h"
#include "gui/app/StartupCommandLine.h"
#include "gui/dialogs/AboutBox.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/Messages.h"
#include "platform/SettingsStore.h"

namespace kyp {

namespace {

void ShowJpegMessage(const char* caption, const char* message) {
    ShowMessage(QApplication::activeWindow(), MessageIcon::warning, message != nullptr ? message : "",
                MessageButtons::ok, caption != nullptr ? caption : kJpegErrorCaption);
}

std::string ProgramPath() {
    const std::string folder = ProgramFolder();
    return folder.empty() ? std::string("kyp") : folder + "/kyp";
}

bool Empty(const char* variable) {
    const char* value = std::getenv(variable);
    return value == nullptr || value[0] == '\0';
}

// Whether the arguments choose Qt's window system themselves ("-platform name").
bool PlatformArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return true;
    }
    return false;
}

// Whether a window system is named at all: a display server in the
// environment, or a platform chosen that needs none (offscreen, vnc, eglfs).
bool DisplayNamed(int argc, char** argv) {
    if (PlatformArgument(argc, argv)) return true;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && platform[0] != '\0' && std::strncmp(platform, "xcb", 3) != 0 &&
        std::strncmp(platform, "wayland", 7) != 0) {
        return true;
    }
    return !Empty("DISPLAY") || !Empty("WAYLAND_DISPLAY");
}

void PrintNoDisplay() {
    std::fprintf(stderr, "!Error: Cannot open a display: kyp needs a graphical desktop session (%s).\n",
                 Empty("DISPLAY") && Empty("WAYLAND_DISPLAY") ? "DISPLAY is not set"
                                                              : "the display named by DISPLAY does not answer");
}

// The registration verbs on a terminal or in a package script: no window, no
// splash. Settings files before the verb are read as the windowed start reads
// them: their curves and save format go to the settings store.
int RegisterWithoutDisplay(const std::vector<StartupStep>& steps) {
    for (const StartupStep& step : steps) {
        if (step.kind == StartupStep::Kind::settingsFile) {
            ImportSettings settings{};
            CurveArray curves{};
            OutputSettings output;
            SetDefaults(settings);
            ResetCurves(curves);
            output.ResetToDefaults();
            SettingsStore store;
            if (store.OpenForReading()) {
                (void)ReadStoredOptions(store, settings);
                ReadStoredCurves(store, curves);
                (void)ReadStoredOutputSettings(store, output);
            }
            if (!ReadKisFile(step.text, settings, curves, &output)) {
                std::fprintf(stderr, "%s\n", Format("Error parsing options file '%s'", step.text.c_str()).c_str());
                continue;
            }
            (void)SaveStoredSettings(nullptr, &curves, &output);
        } else if (step.kind == StartupStep::Kind::registerTypes) {
            return RegisterFileTypes(ProgramPath()) ? 0 : 1;
        } else if (step.kind == StartupStep::Kind::unregisterTypes) {
            return UnregisterFileTypes() ? 0 : 1;
        }
    }
    return 1;
}

// Messages Qt prints while it looks for a window system, held back while the
// offscreen stand-in may still be the answer.
std::vector<std::pair<QtMsgType, QString>>* heldMessages = nullptr;

void HoldMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (heldMessages != nullptr) heldMessages->emplace_back(type, text);
}

}  // namespace

int RunKyp(int argc, char** argv) {
    // The command line decides first whether a window is wanted at all:
    // registering needs none, and Qt ends the process when it finds no display.
    std::vector<std::string> rawArguments;
    for (int i = 1; i < argc; ++i) rawArguments.emplace_back(argv[i]);
    const std::vector<StartupStep> plan = ScanStartupCommandLine(rawArguments);
    const bool registration = !plan.empty() && (plan.back().kind == StartupStep::Kind::registerTypes ||
                                                plan.back().kind == StartupStep::Kind::unregisterTypes);
    if (!DisplayNamed(argc, argv)) {
        if (!registration) {
            PrintNoDisplay();
            return 1;
        }
        QCoreApplication core(argc, argv);
        return RegisterWithoutDisplay(plan);
    }
    // A display that is named but does not answer (a stale DISPLAY): Qt falls
    // back to its offscreen platform instead of ending the process, and the
    // program tells the user. Only where Qt would choose the X11 platform anyway.
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const bool fallback = !PlatformArgument(argc, argv) && Empty("QT_QPA_PLATFORM") &&
                          (session == nullptr || std::strcmp(session, "wayland") != 0);
    std::vector<std::pair<QtMsgType, QString>> held;
    QtMessageHandler previousHandler = nullptr;
    if (fallback) {
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
        heldMessages = &held;
        previousHandler = qInstallMessageHandler(HoldMessage);
    }
    QApplication application(argc, argv);
    if (fallback) {
        qInstallMessageHandler(previousHandler);
        heldMessages = nullptr;
        // Programs started from here (Convert All's terminal) choose for themselves.
        qunsetenv("QT_QPA_PLATFORM");
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            if (registration) return RegisterWithoutDisplay(plan);
            PrintNoDisplay();
            return 1;
        }
        for (const auto& [type, text] : held) qt_message_output(type, QMessageLogContext(), text);
    }
    QApplication::setApplicationName(QStringLiteral("Kyp Suite"));
    // Dates in the camera information follow the user's locale.
    std::setlocale(LC_TIME, "");
    setJpegMessageSink(ShowJpegMessage);

    std::vector<std::string> arguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) arguments.push_back(all[i].toLocal8Bit().toStdString());

    MainFrame frame;
    frame.BeginWait();
    if (!WantsNoLogo(arguments)) {
        auto* splash = new AboutBox(AboutBox::Mode::splash, &frame);
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->frameVisible = [&frame] { return frame.isVisible(); };
        splash->frameBusy = [&frame] { return frame.Busy() && frame.isVisible(); };
        splash->onClosed = [&frame] { frame.splash = nullptr; };
        frame.splash = splash;
        splash->show();
        splash->repaint();
        QCoreApplication::processEvents();
    }

    for (const StartupStep& step : ScanStartupCommandLine(arguments)) {
        switch (step.kind) {
            case StartupStep::Kind::settingsFile:
                frame.ShowStartupText(step.text);
                (void)frame.LoadSettingsFile(step.text);
                break;
            case StartupStep::Kind::imageFile:
                frame.ShowStartupText(step.text);
                frame.Files().Add(step.text);
                (void)frame.OpenByName(step.text);
                break;
            case StartupStep::Kind::registerTypes:
            case StartupStep::Kind::unregisterTypes: {
                const bool registering = step.kind == StartupStep::Kind::registerTypes;
                frame.ShowStartupText(registering ? "Registering Kyp ..." : "Unregistering Kyp ...");
                QCoreApplication::processEvents();
                const bool ok = registering ? RegisterFileTypes(ProgramPath()) : UnregisterFileTypes();
                QThread::msleep(1000);
                if (frame.splash != nullptr) frame.splash->close();
                return ok ? 0 : 1;
            }
        }
    }

    // The start-up message: the frame appears once the command line is done.
    QTimer::singleShot(0, &frame, [&frame] {
        frame.show();
        frame.repaint();
        frame.EndWait();
        frame.ShowPage(frame.CurrentPage());
    });
    return QApplication::exec();
}

}  // namespace kyp
