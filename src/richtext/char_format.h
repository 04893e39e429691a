#pragma once

#include <QColor>
#include <QFont>
#include <QTextCharFormat>
#include <QTextDocument>

namespace tallivo {

// A character format with what it leaves unset filled in from the document's default font, the
// way the layout shows it.
inline QString EffectiveFamily(const QTextCharFormat& f, const QTextDocument& doc) {
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty() && !families.first().isEmpty()) return families.first();
    return doc.defaultFont().family();
}

inline double EffectivePointSize(const QTextCharFormat& f, const QTextDocument& doc) {
    if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0) {
        return f.fontPointSize();
    }
    const double size = doc.defaultFont().pointSizeF();
    return size > 0 ? size : 12;
}

inline bool EffectiveBold(const QTextCharFormat& f) {
    return f.fontWeight() > QFont::Medium;
}

// Invalid: the automatic colour.
inline QColor EffectiveColor(const QTextCharFormat& f) {
    if (!f.hasProperty(QTextFormat::ForegroundBrush)) return QColor();
    const QBrush brush = f.foreground();
    return brush.style() == Qt::NoBrush ? QColor() : brush.color();
}

}  // namespace tallivo
