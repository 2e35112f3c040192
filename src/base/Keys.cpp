#include "base/Keys.h"

namespace keys {

QString withMnemonic(const QString& caption, QChar letter) {
    QString text = caption;
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const qsizetype at = text.indexOf(letter);
    if (at >= 0)
        text.insert(at, QLatin1Char('&'));
    return text;
}

QString hintWithKey(const QString& hint, const QKeySequence& key) {
    return hint + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

} // namespace keys
