// The Qt boundary for texts: the core holds GBK bytes, widgets hold QString.
#pragma once

#include "text/Texts.h"

#include <QString>

#include <string>
#include <string_view>

namespace quorvel::ui {

QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);
// A fixed text for a widget.
inline QString Tr(const text::FixedText& fixed) {
    return QString::fromUtf8(fixed.utf8.data(), static_cast<qsizetype>(fixed.utf8.size()));
}

} // namespace quorvel::ui
