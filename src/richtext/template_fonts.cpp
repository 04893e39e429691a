#include "richtext/template_fonts.h"

#include <QFont>
#include <algorithm>
#include <map>
#include <set>
#include <string>

#ifdef TALLIVO_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace tallivo {

namespace {

QStringList Names(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* n : names) list << QString::fromUtf8(n);
    return list;
}

}  // namespace

// The stand-ins have Latin half as wide as their Chinese, as the Windows fonts have. AR PL
// SungtiL GB and KaitiM GB also have 宋体's line height of one em and the smallest glyphs of the
// Song and Kai faces, which keeps printed pages small; glyphs beyond GB2312 come from UMing and
// UKai. No Debian font draws 仿宋, a Song face with Kai strokes: the Song one is nearest.
// WenQuanYi Zen Hei Mono is the only installed Hei face with half-width Latin.
const std::vector<FontStandIn>& TemplateFontStandIns() {
    static const std::vector<FontStandIn> table = [] {
        const QStringList song = Names({"AR PL SungtiL GB", "AR PL UMing CN"});
        const QStringList hei = Names({"WenQuanYi Zen Hei Mono", "AR PL UMing CN"});
        const QStringList kai = Names({"AR PL KaitiM GB", "AR PL UKai CN"});
        std::vector<FontStandIn> t;
        for (const char* n : {u8"宋体", "SimSun", u8"新宋体", "NSimSun", u8"仿宋", u8"仿宋_GB2312",
                              "FangSong", "FangSong_GB2312"})
            t.push_back({QString::fromUtf8(n), song});
        for (const char* n : {u8"黑体", "SimHei"}) t.push_back({QString::fromUtf8(n), hei});
        for (const char* n : {u8"楷体", u8"楷体_GB2312", "KaiTi", "KaiTi_GB2312"})
            t.push_back({QString::fromUtf8(n), kai});
        return t;
    }();
    return table;
}

#ifdef TALLIVO_HAVE_FONTCONFIG
namespace {

std::string FirstFamily(FcPattern* font) {
    FcChar8* family = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch) return {};
    return reinterpret_cast<const char*>(family);
}

// Gives the first installed stand-in of each style our names as further family names, in this
// process's configuration only. Qt then finds 宋体 as it finds any installed family: no failed
// look-up and no fallback list before the stand-in is drawn. Glyphs the stand-in lacks are
// looked for in the other stand-ins first, as the rules below say.
bool AnswerToTemplateFamilies() {
    if (!FcInit()) return false;
    FcConfig* config = FcConfigGetCurrent();
    FcFontSet* fonts = FcConfigGetFonts(config, FcSetSystem);
    if (!fonts) return false;
    std::set<std::string> installed;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcChar8* family = nullptr;
        for (int k = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, k, &family) == FcResultMatch;
             ++k)
            installed.insert(reinterpret_cast<const char*>(family));
    }
    // Our names by their stand-in, leaving out any a real font already carries.
    std::map<std::string, std::vector<std::string>> names;
    std::string rules = "<fontconfig>";
    bool all = true;
    for (const FontStandIn& f : TemplateFontStandIns()) {
        const std::string name = f.family.toStdString();
        if (installed.count(name)) continue;
        auto standIn = std::find_if(f.standIns.begin(), f.standIns.end(), [&](const QString& s) {
            return installed.count(s.toStdString()) > 0;
        });
        if (standIn == f.standIns.end()) {
            all = false;
            continue;
        }
        if (names[standIn->toStdString()].empty()) {
            rules +=
                "<alias binding=\"same\"><family>" + standIn->toStdString() + "</family><prefer>";
            for (auto next = standIn + 1; next != f.standIns.end(); ++next)
                rules += "<family>" + next->toStdString() + "</family>";
            rules += "</prefer></alias>";
        }
        names[standIn->toStdString()].push_back(name);
    }
    rules += "</fontconfig>";
    for (int i = 0; i < fonts->nfont; ++i) {
        const auto found = names.find(FirstFamily(fonts->fonts[i]));
        if (found == names.end()) continue;
        FcPattern* named = FcPatternDuplicate(fonts->fonts[i]);
        if (!named) return false;
        for (const std::string& name : found->second)
            FcPatternAddString(named, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
        // In place, so that a face is never listed twice.
        FcPatternDestroy(fonts->fonts[i]);
        fonts->fonts[i] = named;
    }
    return FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(rules.c_str()),
                                          FcFalse) &&
           all;
}

}  // namespace
#endif

bool AddTemplateFontNames() {
#ifdef TALLIVO_HAVE_FONTCONFIG
    static const bool answered = AnswerToTemplateFamilies();
    return answered;
#else
    return false;
#endif
}

void InstallTemplateFontStandIns() {
    static const bool installed = [] {
        if (AddTemplateFontNames()) return true;
        // Without our names in the font configuration Qt looks 宋体 up, fails, and takes these.
        for (const FontStandIn& f : TemplateFontStandIns())
            QFont::insertSubstitutions(f.family, f.standIns);
        return true;
    }();
    (void)installed;
}

}  // namespace tallivo
