#include "richtext/template_fonts.h"

#include <QFont>

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

void InstallTemplateFontStandIns() {
    static const bool installed = [] {
        for (const FontStandIn& f : TemplateFontStandIns())
            QFont::insertSubstitutions(f.family, f.standIns);
        return true;
    }();
    (void)installed;
}

}  // namespace tallivo
