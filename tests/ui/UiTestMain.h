#pragma once
// main() for a widget test: a QApplication on the platform the environment
// names (offscreen in CI), settings and runtime files in a private temporary
// folder so tests never share or keep state, then the Qt Test class.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#define VELMORA_UI_TEST_MAIN(TestClass)                                            \
    int main(int argc, char** argv) {                                              \
        QTemporaryDir home;                                                        \
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());            \
        qputenv("XDG_RUNTIME_DIR", (home.path() + "/run").toUtf8());               \
        QDir().mkpath(home.path() + "/run");                                       \
        QFile::setPermissions(home.path() + "/run", QFileDevice::ReadOwner |       \
                              QFileDevice::WriteOwner | QFileDevice::ExeOwner);    \
        QApplication app(argc, argv);                                              \
        QApplication::setOrganizationName(QStringLiteral("Velmora"));              \
        QApplication::setApplicationName(QStringLiteral("Velmora"));               \
        TestClass test;                                                            \
        return QTest::qExec(&test, argc, argv);                                    \
    }
