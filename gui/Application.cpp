#include "gui/Application.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <clocale>
#include <string>
#include <vector>

#include "engine/output/JpegGlue.h"
#include "gui/AboutBox.h"
#include "gui/FolderScan.h"
#include "gui/MainFrame.h"
#include "gui/Messages.h"
#include "gui/Registration.h"
#include "gui/StartupCommandLine.h"

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

}  // namespace

int RunKyp(int argc, char** argv) {
    QApplication application(argc, argv);
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
