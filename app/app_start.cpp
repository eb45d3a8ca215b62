#include "app/app_start.h"

#include <QApplication>
#include <QIcon>

namespace qdx::ui {

void set_program_identity() {
    QCoreApplication::setOrganizationName("Qdx");
    QCoreApplication::setApplicationName("Qdx");
    QGuiApplication::setDesktopFileName("qdx");
    QIcon icon;
    for (const char* size : {"32", "256"})
        icon.addFile(QStringLiteral(":/qdx/qdx-%1.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(icon);
}

bool open_app_folder(UiContext& context, FolderLock& lock,
                     const std::filesystem::path& programFolder) {
    try {
        context.state.appDir = choose_app_folder(programFolder);
        if (lock.acquire(context.state.appDir)) return true;
        context.message(nullptr, QString::fromUtf8(kFolderInUseMessage));
    } catch (const AppFolderError& error) {
        // Paths are the system's own, UTF-8 on this platform.
        context.message(nullptr, QString::fromUtf8(error.what()));
    }
    return false;
}

}  // namespace qdx::ui
