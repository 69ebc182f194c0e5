// Text at the edge of the widgets: literals in the source are UTF-8, what is
// stored and sent is GBK, and widgets hold QString.
#pragma once

#include <QString>
#include <string>

#include "platform/text.h"

namespace zemra::client::ui {

// A UTF-8 literal for a widget.
inline QString u(const char* text) {
    return QString::fromUtf8(text);
}

// Stored or received GBK text for a widget.
inline QString fromGbk(const std::string& gbk) {
    return QString::fromStdString(text::toUtf8(gbk));
}

// What the user typed, blanks trimmed, as it is stored and sent.
inline std::string gbk(const QString& s) {
    return text::toGbk(s.trimmed().toStdString());
}

}  // namespace zemra::client::ui
