#include "core/ui/window_memory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QWidget>
#include <algorithm>

namespace qdx::ui {
namespace {

QString geometry_key(const QString& key) { return QStringLiteral("windows/") + key; }

// Remembered on a screen that may be gone, or larger than this one: the
// window comes back whole on the screen it is on now.
void fit_on_screen(QWidget* window) {
    const QRect frame = window->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen) screen = window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect inside = placed_inside(frame, screen->availableGeometry());
    if (inside == frame) return;
    // The frame's edges around the window's own area (none before it is shown).
    const QRect area = window->geometry();
    const QMargins edges(area.left() - frame.left(), area.top() - frame.top(),
                         frame.right() - area.right(), frame.bottom() - area.bottom());
    window->setGeometry(inside.marginsRemoved(edges));
}

// Writes the window's geometry as it closes.
class GeometryKeeper : public QObject {
  public:
    GeometryKeeper(QWidget* window, QString key, bool restored)
        : QObject(window), window_(window), key_(key), fitOnShow_(restored) {
        window->installEventFilter(this);
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &GeometryKeeper::save);
    }
    void save() {
        if (window_->isVisible()) QSettings().setValue(geometry_key(key_), window_->saveGeometry());
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Close) save();
        // Once shown, the window has its frame: fitted again with it.
        if (watched == window_ && event->type() == QEvent::Show && fitOnShow_) {
            fitOnShow_ = false;
            fit_on_screen(window_);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QWidget* window_;
    QString key_;
    bool fitOnShow_;
};

}  // namespace

QRect placed_inside(const QRect& frame, const QRect& available) {
    const QSize size = frame.size().boundedTo(available.size());
    const int x = std::clamp(frame.left(), available.left(), available.right() + 1 - size.width());
    const int y = std::clamp(frame.top(), available.top(), available.bottom() + 1 - size.height());
    return QRect(QPoint(x, y), size);
}

void remember_geometry(QWidget* window, const QString& key) {
    const QByteArray saved = QSettings().value(geometry_key(key)).toByteArray();
    const bool restored = !saved.isEmpty() && window->restoreGeometry(saved);
    if (restored) fit_on_screen(window);
    new GeometryKeeper(window, key, restored);
}

void close_on_escape(QWidget* window) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setObjectName("shortcutEscape");
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

}  // namespace qdx::ui
