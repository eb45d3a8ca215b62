// Qdx: keeps the records of a multi-level affiliate program and works out
// what every affiliate has earned and is owed.
#include <QApplication>

#include "app/app_start.h"
#include "app/main_window.h"
#include "app/window_wiring.h"
#include "core/app_state.h"
#include "core/record_append.h"
#include "core/ui/system_regional.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_memory.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    qdx::ui::set_program_identity();

    qdx::AppState state;
    state.regional = qdx::ui::regional_from_locale();
    qdx::ui::UiContext context(state);

    qdx::FolderLock lock;
    if (!qdx::ui::open_app_folder(context, lock, qdx::program_folder())) return 1;
    try {
        qdx::recover_interrupted_appends(state.dataDir());
    } catch (const std::exception& e) {
        context.message(nullptr, QString::fromLocal8Bit(e.what()));
    }

    state.messages.setStartupWording();
    auto* main = new qdx::ui::MainWindow(context);
    main->setAttribute(Qt::WA_DeleteOnClose);
    qdx::ui::remember_geometry(main, main->objectName());
    qdx::ui::wire_main_window(*main);
    main->show();
    return app.exec();
}
