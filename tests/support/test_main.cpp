// Test programs run with a QApplication on the offscreen platform, so window
// tests need no display and engine tests share the same main. What windows
// remember between runs goes to a folder of the test run's own, never into
// the user's settings.
#include <gmock/gmock.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QTemporaryDir settings;
    for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, settings.path());
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
