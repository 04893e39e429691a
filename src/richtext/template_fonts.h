// The Windows family names the templates and documents use, and the installed fonts that stand
// in for them. Documents keep the names; only drawing uses the stand-ins.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace tallivo {

struct FontStandIn {
    QString family;        // the name a template or document gives, as 宋体
    QStringList standIns;  // installed families of the same style, best first
};

// 宋体, 黑体, 楷体, 仿宋 and their Latin spellings. Each stand-in has Latin letters and digits
// half as wide as its Chinese characters, as these families have, so that text keeps the widths
// the templates were laid out for.
const std::vector<FontStandIn>& TemplateFontStandIns();

// Gives the stand-ins those names in this process's font configuration (nothing is written to
// the user's or the system's), unless a font of that very name is installed. Safe on any thread
// before Qt first lists the fonts; once per process. False where that cannot be done.
bool AddTemplateFontNames();

// Makes Qt draw each of those families with its stand-ins: by the names above, else by Qt's
// substitution lists. Every program and test that draws a document calls it once, after its
// QGuiApplication is made and before any font is drawn; further calls do nothing.
void InstallTemplateFontStandIns();

}  // namespace tallivo
