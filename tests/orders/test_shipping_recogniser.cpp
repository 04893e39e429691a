#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <map>
#include <random>

#include "orders/consignee_split.h"
#include "orders/shipping_recogniser.h"
#include "text/gbk_codec.h"

// Readable failures: gtest finds this for QString through argument-dependent look-up.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << s.toStdString();
}

namespace tallivo {
namespace {

const RegionTable& Table() {
    static const auto table =
        RegionTable::Load(QStringLiteral(TALLIVO_DATA_DIR "/regions/regions.txt"));
    return *table;
}

ShippingInfo Recognise(const QString& text) {
    return RecogniseShippingInfo(text, Table());
}

TEST(RegionTable, ReadsTheCommittedTableAndSaysWhyItCannotReadAFile) {
    int levels[4] = {};
    for (int i = 0; i < Table().size(); ++i) ++levels[Table().at(i).level];
    EXPECT_EQ(levels[1], 31);
    EXPECT_GT(levels[3], 2900);

    QString error;
    const auto missing = RegionTable::Load(QStringLiteral("/nonexistent/regions.txt"), &error);
    EXPECT_TRUE(missing->empty());
    EXPECT_TRUE(error.contains(u"/nonexistent/regions.txt"));
    // Lines out of order are skipped rather than hung under the wrong parent.
    const auto odd = RegionTable::Parse("110101\t东城区\n11\t北京市\n3301\t杭州市\n");
    EXPECT_EQ(odd->size(), 1);
}

TEST(ShippingRecogniser, FindsTheFieldsOfTheUsualShapes) {
    auto info = Recognise(
        u"张三，86-13812345678，浙江省 杭州市 西湖区 文三路478号华星时代广场A座1201室，310012"_qs);
    EXPECT_EQ(info.name, u"张三");
    EXPECT_EQ(info.mobile, u"13812345678");
    EXPECT_EQ(info.postcode, u"310012");
    EXPECT_EQ(info.Address(), u"浙江省 杭州市 西湖区 文三路478号华星时代广场A座1201室");
    EXPECT_TRUE(info.doubts.isEmpty()) << info.doubts.join(u' ').toStdString();

    info = Recognise(
        u"收货人: 李丽 手机号码: 13166666666 所在地区: 上海市黄浦区 详细地址: 南苏州路333号"_qs);
    EXPECT_EQ(info.name, u"李丽");
    EXPECT_EQ(info.Address(), u"上海市 黄浦区 南苏州路333号");
    EXPECT_EQ(info.city, u"上海市");

    info = Recognise(u"上海市黄浦区南苏州路333号 李丽 13166666666"_qs);
    EXPECT_EQ(info.name, u"李丽");
    EXPECT_EQ(info.detail, u"南苏州路333号");
}

TEST(ShippingRecogniser, CompletesProvinceAndCityOnlyWhenTheTextDecides) {
    auto info = Recognise(u"王五 13912345678 杭州 西湖区文三路100号"_qs);
    EXPECT_EQ(info.Address(), u"浙江省 杭州市 西湖区 文三路100号");
    // 西湖区 is in Hangzhou and Nanchang; 杭州 elsewhere in the text decides.
    info = Recognise(u"王五 13912345678 西湖区文三路100号 杭州大厦收"_qs);
    EXPECT_EQ(info.city, u"杭州市");
    info = Recognise(u"王五 13912345678 朝阳区建国路88号"_qs);
    EXPECT_TRUE(info.province.isEmpty());
    EXPECT_EQ(info.district, u"朝阳区");
    EXPECT_EQ(info.doubts.size(), 1);
    EXPECT_TRUE(info.doubts.front().contains(u"朝阳区"));
}

TEST(ShippingRecogniser, ReadsNumbersWithoutTakingPartsOfLongerOnes) {
    auto info =
        Recognise(u"赵六 +86 139-1234-5678 0571-88886666转123 浙江省杭州市西湖区文三路1号"_qs);
    EXPECT_EQ(info.mobile, u"13912345678");
    EXPECT_EQ(info.telephone, u"0571-88886666-123");
    EXPECT_TRUE(info.postcode.isEmpty());
    // Twelve digits hold no mobile number and no post code; a six-digit house number is no post
    // code.
    info = Recognise(u"赵六 138123456789 浙江省杭州市西湖区文三路310012号"_qs);
    EXPECT_TRUE(info.mobile.isEmpty());
    EXPECT_TRUE(info.postcode.isEmpty());
    EXPECT_EQ(info.detail, u"文三路310012号");
}

TEST(ShippingRecogniser, NeverInventsAndSurvivesBadInput) {
    SetRegionTablePath(QStringLiteral(TALLIVO_DATA_DIR "/regions/regions.txt"));
    const auto empty = Recognise(QString());
    EXPECT_TRUE(empty.name.isEmpty() && empty.mobile.isEmpty() && empty.Address().isEmpty());
    EXPECT_FALSE(empty.doubts.isEmpty());

    std::mt19937 random(7);
    std::string binary(4000, '\0');
    for (char& c : binary) c = static_cast<char>(random());
    const QString digits(kMaxShippingInfoLength, u'7');
    const std::string huge(10 * 1024 * 1024, 'x');
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(RecogniseShippingInfoGbk(binary).mobile.isEmpty());
    EXPECT_TRUE(Recognise(digits).postcode.isEmpty());
    EXPECT_EQ(RecogniseShippingInfoGbk(huge).doubts.size(), 1);
    EXPECT_LT(timer.elapsed(), 2000);

    const auto gbk = RecogniseShippingInfoGbk(Gbk(u8"李丽 13166666666 上海市黄浦区南苏州路333号"));
    EXPECT_EQ(gbk.name, u"李丽");
    EXPECT_EQ(gbk.district, u"黄浦区");
}

// The shared test set: blocks of text and the expected fields, separated by "===" lines.
TEST(ShippingRecogniser, MeetsTheAimsOnTheTestSet) {
    QFile file(QStringLiteral(TALLIVO_ORDERS_DATA "/shipping/cases.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList blocks = QString::fromUtf8(file.readAll()).split(QStringLiteral("\n===\n"));
    const QStringList fields = {u"name"_qs, u"mobile"_qs, u"telephone"_qs, u"postcode"_qs,
                                u"address"_qs};
    std::map<QString, int> right;
    int cases = 0;
    for (QString block : blocks) {
        while (block.startsWith(u'#')) block = block.mid(block.indexOf(u'\n') + 1);
        const qsizetype split = block.lastIndexOf(u"\n---\n");
        if (split < 0) continue;
        std::map<QString, QString> expected;
        for (const QString& line : block.mid(split + 5).split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype eq = line.indexOf(u'=');
            expected[line.left(eq)] = line.mid(eq + 1);
        }
        const ShippingInfo info = Recognise(block.left(split));
        const std::map<QString, QString> got = {{u"name"_qs, info.name},
                                                {u"mobile"_qs, info.mobile},
                                                {u"telephone"_qs, info.telephone},
                                                {u"postcode"_qs, info.postcode},
                                                {u"address"_qs, info.Address()}};
        ++cases;
        for (const QString& f : fields) {
            if (got.at(f) == expected[f]) {
                ++right[f];
            } else if (qEnvironmentVariableIsSet("TALLIVO_SHOW_MISSES")) {
                ADD_FAILURE() << block.left(split).toStdString() << "\n  " << f.toStdString()
                              << ": " << got.at(f).toStdString()
                              << " != " << expected[f].toStdString();
            }
        }
    }
    ASSERT_GE(cases, 300);
    for (const QString& f : fields) {
        const double share = 100.0 * right[f] / cases;
        std::printf("%-10s %5.1f %% of %d\n", qPrintable(f), share, cases);
        if (f != u"telephone") {
            EXPECT_GE(share, 97.0) << f.toStdString();
        }
    }
}

// Texts of the kinds readers of shipping info get wrong, grouped by kind: each wholly right.
TEST(ShippingRecogniser, ReadsEveryTextOfTheHardKinds) {
    QFile file(QStringLiteral(TALLIVO_ORDERS_DATA "/shipping/classes.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int cases = 0;
    for (QString block : QString::fromUtf8(file.readAll()).split(QStringLiteral("\n===\n"))) {
        while (block.startsWith(u'#')) block = block.mid(block.indexOf(u'\n') + 1);
        const qsizetype split = block.lastIndexOf(u"\n---\n");
        ASSERT_GT(split, 0) << block.toStdString();
        std::map<QString, QString> expected;
        for (const QString& line : block.mid(split + 5).split(u'\n', Qt::SkipEmptyParts))
            expected[line.left(line.indexOf(u'='))] = line.mid(line.indexOf(u'=') + 1);
        const ShippingInfo info = Recognise(block.left(split));
        const QString text = block.left(split);
        SCOPED_TRACE(text.toStdString() + "\n" + info.doubts.join(u' ').toStdString());
        EXPECT_EQ(info.name, expected[u"name"_qs]);
        EXPECT_EQ(info.mobile, expected[u"mobile"_qs]);
        EXPECT_EQ(info.postcode, expected[u"postcode"_qs]);
        EXPECT_EQ(info.Address(), expected[u"address"_qs]);
        if (expected.count(u"doubt"_qs)) {
            EXPECT_TRUE(info.doubts.join(u' ').contains(expected[u"doubt"_qs]));
        }
        ++cases;
    }
    EXPECT_GE(cases, 25);
}

TEST(ConsigneeSplit, SplitsAtBlankLinesOrOneALineAndSaysWhatItLeftOut) {
    auto paste = ConsigneesFromText(
        u"收件人：张三\r\n电话：13812345678\r\n地址：浙江省杭州市西湖区文三路478号\r\n\r\n"
        "李丽 13166666666\n上海市黄浦区南苏州路333号\n\n \u3000\n以下没有了\n"_qs,
        "paste", Table());
    ASSERT_EQ(paste.orders.size(), 2u);
    EXPECT_FALSE(paste.oneALine);
    EXPECT_EQ(paste.orders[1].Value(Keyword::kConsignee), Gbk(u8"李丽"));
    EXPECT_EQ(paste.orders[1].Value(Keyword::kAddress), Gbk(u8"上海市 黄浦区 南苏州路333号"));
    EXPECT_EQ(paste.orders[1].Value(Keyword::kWebSite), Gbk(u8"收货信息"));
    EXPECT_TRUE(paste.orders[1].tradeNumber.empty());
    EXPECT_EQ(paste.orders[1].row, 5);
    ASSERT_EQ(paste.leftOut.size(), 1u);
    EXPECT_EQ(paste.leftOut[0].first, 9);

    // One a line; a line with no part of a consignee is left out, not joined to a neighbour.
    paste = ConsigneesFromText(
        u"今天的单\n何玉山 13611112222 江苏省苏州市姑苏区人民路8号\n"
        "周明湖，13722223333，广东省广州市越秀区中山五路10号"_qs,
        "paste", Table());
    EXPECT_TRUE(paste.oneALine);
    ASSERT_EQ(paste.orders.size(), 2u);
    EXPECT_EQ(paste.orders[1].Value(Keyword::kConsignee), Gbk(u8"周明湖"));
    EXPECT_TRUE(LeftOutMessage(paste).startsWith(u"第1行没有收货信息"));

    EXPECT_TRUE(ConsigneesFromText(u"谢谢"_qs, "paste", Table()).orders.empty());
    EXPECT_TRUE(
        ConsigneesFromText(QString(kMaxConsigneePasteLength + 1, u'a'), "paste", Table()).tooLong);
    EXPECT_EQ(ConsigneeFileText("\xEF\xBB\xBF李丽"), u"李丽");
    EXPECT_EQ(ConsigneeFileText(Gbk(u8"李丽")), u"李丽");
}

}  // namespace
}  // namespace tallivo
