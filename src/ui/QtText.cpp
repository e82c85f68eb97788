#include "ui/QtText.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <stdexcept>

namespace quorvel::ui {

QString FromGbk(std::string_view gbk) {
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) {
        throw std::runtime_error("Qt has no GBK decoder (built without ICU?)");
    }
    return decoder.decode(QByteArrayView(gbk.data(), static_cast<qsizetype>(gbk.size())));
}

std::string ToGbk(const QString& text) {
    QStringEncoder encoder("GBK");
    if (!encoder.isValid()) {
        throw std::runtime_error("Qt has no GBK encoder (built without ICU?)");
    }
    const QByteArray bytes = encoder.encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace quorvel::ui
