#pragma once

#include <QString>

namespace tallivo {

// A font name as the font table holds it. The writer and the reader both pass names through
// this, so that a name written is the name read back: ";" ends an entry, blanks around a name
// are dropped, and control characters (a tab would be written as a control word the table does
// not keep) have no place in a name.
inline QString RtfFontName(QString family) {
    family.replace(QLatin1Char(';'), QLatin1Char(' '));
    family.removeIf([](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
               c == QChar::ParagraphSeparator;
    });
    return family.trimmed();
}

}  // namespace tallivo
