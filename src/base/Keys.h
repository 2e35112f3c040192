#pragma once

#include <QKeySequence>
#include <QString>

// Keyboard access added to the specified captions and hints without changing their text.
namespace keys {

// The caption with its first `letter` underlined for Alt; the text shown and the accessible
// name stay the caption itself.
QString withMnemonic(const QString& caption, QChar letter);

// The specified hint followed by the key, as the tooltip shows it: "hint (Ctrl+N)".
QString hintWithKey(const QString& hint, const QKeySequence& key);

} // namespace keys
