#pragma once
// The windows show Unicode; the engine keeps Windows-1252 bytes.
#include <QString>
#include <string>

namespace qdx::ui {

QString fromAnsi(const std::string& ansi);
std::string toAnsi(const QString& text);

}  // namespace qdx::ui
