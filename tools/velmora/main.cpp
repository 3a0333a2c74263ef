// velmora: the desktop program. One copy per user; a second copy raises the
// first one's window and ends.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/MemoryPolicy.h"
#include "ui/DesktopApp.h"
#include "ui/Icons.h"
#include "ui/SingleInstance.h"

int main(int argc, char** argv) {
    velmora::KeepFreedMemoryForReuse();
    std::optional<std::filesystem::path> workspace;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--workspace") == 0 && i + 1 < argc) {
            workspace = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: velmora [--workspace DIR]\n");
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    QApplication::setWindowIcon(velmora::AppIcon());
    // The program speaks Chinese; Qt's own buttons and dialogs (是/否, file
    // dialogs, a pane's close button) should too, where the translation is installed.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    velmora::SingleInstance instance;
    if (!instance.Claim()) return 0;

    velmora::DesktopApp desktop(workspace);
    QObject::connect(&instance, &velmora::SingleInstance::raiseRequested, &desktop, &velmora::DesktopApp::RaiseWindow);
    if (!desktop.Start()) {
        desktop.Finish();
        return 1;
    }
    const int code = QApplication::exec();
    desktop.Finish();
    return code;
}
