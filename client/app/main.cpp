// zemra: start-up and end of the program. One instance per base folder; the
// main window runs the login and then the program's event loop.
#include <unistd.h>
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <string>

#include "client/app/command_line.h"
#include "client/app/single_instance.h"
#include "client/ui/image_lists.h"
#include "client/ui/main_window.h"
#include "client/ui/window_message_bridge.h"
#include "platform/paths.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

// The arguments as the one command line they were typed as.
std::string commandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("zemra");
    QApplication::setQuitOnLastWindowClosed(false);
    using namespace zemra;

    client::SingleInstance instance(paths::baseDir());
    if (!instance.claim()) return 0;

    paths::createStartupDirs();
    client::ui::setDataDir(QString::fromStdString(paths::dataDir().string()));
    client::ui::imageLists();
    const auto login = client::parseCommandLine(commandLine(argc, argv));
    client::ui::WindowMessageBridge::install();

    client::ClientConfig config;
    config.baseDir = paths::baseDir();
    config.dataDir = paths::dataDir();
    config.windowsDir = paths::windowsDir();
    config.photoRoot = paths::photoRoot();
    config.tracePath = paths::baseDir() / "trace.txt";

    int exitCode = 0;
    {
        client::ui::MainWindow window(config);
        QObject::connect(&instance, &client::SingleInstance::activationRequested, &window,
                         &client::ui::MainWindow::restoreFromSecondStart);

        // A polite end on SIGTERM or SIGINT: the same shut-down as "退出",
        // without the question.
        QSocketNotifier* notifier = nullptr;
        if (::pipe(signalPipe) == 0) {
            notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
            QObject::connect(notifier, &QSocketNotifier::activated, &app, [&window] {
                // Open dialogs end first, so that every waiting loop returns.
                while (QWidget* modal = QApplication::activeModalWidget()) {
                    if (!modal->close()) break;
                }
                window.core().shutdown();
                QApplication::quit();
            });
            std::signal(SIGTERM, onSignal);
            std::signal(SIGINT, onSignal);
        }
        if (window.start(login)) exitCode = app.exec();
    }
    client::ui::WindowMessageBridge::uninstall();
    return exitCode;
}
