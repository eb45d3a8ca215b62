#include "core/ui/qt_text.h"

#include "core/cp1252.h"

namespace qdx::ui {

QString fromAnsi(const std::string& ansi) { return QString::fromStdString(cp1252_to_utf8(ansi)); }

std::string toAnsi(const QString& text) { return utf8_to_cp1252(text.toStdString()); }

}  // namespace qdx::ui
