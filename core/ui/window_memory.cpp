#include "core/ui/window_memory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSettings>
#include <QShortcut>
#include <QWidget>

namespace qdx::ui {
namespace {

QString geometry_key(const QString& key) { return QStringLiteral("windows/") + key; }

// Writes the window's geometry as it closes.
class GeometryKeeper : public QObject {
  public:
    GeometryKeeper(QWidget* window, QString key) : QObject(window), window_(window), key_(key) {
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
        return QObject::eventFilter(watched, event);
    }

  private:
    QWidget* window_;
    QString key_;
};

}  // namespace

void remember_geometry(QWidget* window, const QString& key) {
    const QByteArray saved = QSettings().value(geometry_key(key)).toByteArray();
    if (!saved.isEmpty()) window->restoreGeometry(saved);
    new GeometryKeeper(window, key);
}

void close_on_escape(QWidget* window) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setObjectName("shortcutEscape");
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

}  // namespace qdx::ui
