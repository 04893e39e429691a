// Small order exports in the platforms' shapes, written by the tests and the benchmark.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tallivo::testing {

struct ExportSample {
    std::string name;  // the profile that should recognise it
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

// A row of `header` with the given values, the other cells empty.
inline std::vector<std::string> RowOf(const std::vector<std::string>& header,
                                      const std::map<std::string, std::string>& values) {
    std::vector<std::string> row(header.size());
    for (std::size_t c = 0; c < header.size(); ++c) {
        const auto it = values.find(header[c]);
        if (it != values.end()) row[c] = it->second;
    }
    return row;
}

inline std::vector<std::string> SplitHeader(const std::string& text, char separator = ',') {
    std::vector<std::string> names;
    std::stringstream in(text);
    for (std::string name; std::getline(in, name, separator);) names.push_back(name);
    return names;
}

// Header rows copied from their sources (named beside each profile in data/profiles), with
// made-up rows in the platforms' habits.
inline std::vector<ExportSample> SourcedSamples() {
    const auto h1688 = SplitHeader(
        "订单编号,买家公司名,买家会员名,卖家公司名,卖家会员名,货品总价(元),运费(元),涨价或折扣(元),"
        "实付款(元),订单状态,订单创建时间,订单付款时间,发货方,收货人姓名,收货地址,邮编,联系电话,"
        "联系手机,货品标题,单价(元),数量,单位,货号,型号,Offer ID,SKU ID,物料编号,单品货号,货品种类,"
        "买家留言,物流公司,运单号,发票：购货单位名称,发票：纳税人识别号,发票：地址、电话,"
        "发票：开户行及账号,发票收取地址,关联编号,代理商姓名,代理商联系方式,是否代发订单,"
        "代发服务商id,"
        "微商订单号,下单批次号,下游渠道,下游订单号,下单公司主体,发起人登录名,"
        "是否发起免密支付(1:淘货源诚e赊免密支付2:批量下单免密支付)");
    const auto youzan = SplitHeader(
        "订单号,销售渠道,归属店铺,订单类型,订单状态,推广方式,订单来源,订单创建时间,买家付款时间,"
        "交易成功时间,付款方式,支付流水号,商品金额合计,运费,店铺优惠合计,应收订单金额,订单实付金额,"
        "支付优惠合计,订单实收金额,订单抵用积分数,店铺优惠方式,支付优惠方式,全部商品名称,"
        "商品种类数,"
        "订单配送方式,同城送达时间/提货时间,收货人省份,收货人城市,收货人地区,详细收货地址/提货地址,"
        "收货人/提货人,收货人手机号/"
        "提货人手机号,买家备注,订单星级,买家昵称,买家是否会员,买家手机号,"
        "下单网点,收银员,分销员,销售导购,专属导购,订单退款状态,订单已退款金额,商家订单备注,桌号,"
        "挂账主体,挂账手机号,团长订单,订单风险标签,分销员,分销员手机号,分销员所属店铺,"
        "分销员所属团队,"
        "分销员所属分组,分销员等级,订单佣金类型,订单佣金金额,订单下级卖货提成类型,"
        "订单下级卖货提成金额");
    const auto youzanGoods = SplitHeader(
        "订单号,外部订单号,订单商品状态,交易成功时间,商品名称,商品类型,商品类目,商品规格,规格编码,"
        "商品编码,商品单价,商品成本价,商品优惠方式,商品优惠后价格,商品数量,商品金额小计,"
        "店铺优惠（分摊）,"
        "商品实际成交金额,商品抵用积分数,商品留言,收货人/提货人,收货人手机号/"
        "提货人手机号,收货人省份,"
        "收货人城市,收货人地区,详细收货地址/提货地址,买家备注,商品发货状态,商品发货方式,"
        "商品发货物流公司,商品发货物流单号,发货员工,商品发货时间,商品退款状态,商品已退款金额,"
        "商家订单备注,入住时间");
    const std::map<std::string, std::string> order1688 = {
        {"订单编号", "=\"3456789012345678901\""},
        {"买家公司名", "某某贸易有限公司"},
        {"买家会员名", "ali_buyer"},
        {"卖家公司名", "某某工厂"},
        {"运费(元)", "8.00"},
        {"收货人姓名", "周八"},
        {"收货地址", "江苏省 苏州市 工业园区 星湖街328号"},
        {"邮编", "215000"},
        {"联系手机", "13812345678"},
        {"物流公司", "韵达快递"},
        {"货品标题", "纸箱 三层"},
        {"单价(元)", "1.20"},
        {"数量", "100"}};
    auto second1688 = order1688;
    second1688["货品标题"] = "封箱胶带";
    second1688["单价(元)"] = "3.50";
    second1688["数量"] = "10";
    return {
        {"1688 订单", h1688, {RowOf(h1688, order1688), RowOf(h1688, second1688)}},
        {"有赞 订单",
         youzan,
         {RowOf(youzan, {{"订单号", "E20240101120000012345678"},
                         {"收货人省份", "广东省"},
                         {"收货人城市", "广州市"},
                         {"收货人地区", "天河区"},
                         {"详细收货地址/提货地址", "体育西路1号"},
                         {"收货人/提货人", "吴九"},
                         {"收货人手机号/提货人手机号", "13611112222"},
                         {"买家昵称", "yz_buyer"},
                         {"全部商品名称", "草莓蛋糕"},
                         {"运费", "0.00"},
                         {"订单实付金额", "100.00"}})}},
        {"有赞 商品明细",
         youzanGoods,
         {RowOf(youzanGoods, {{"订单号", "E20220331142238091806171"},
                              {"商品名称", "美腹贴"},
                              {"商品单价", "278.8"},
                              {"商品数量", "1"},
                              {"商品实际成交金额", "348"},
                              {"收货人/提货人", "郑十"},
                              {"收货人手机号/提货人手机号", "\t13999999999"},
                              {"收货人省份", "云南省"},
                              {"收货人城市", "昆明市"},
                              {"收货人地区", "盘龙区"},
                              {"详细收货地址/提货地址", "云南省昆明市盘龙区人民中路1号"}})}},
    };
}

// One per shipped profile, UTF-8, with the platforms' habits: wrapped numbers, header names
// with trailing blanks, "(post code)" addresses, split addresses, "+86" mobiles.
inline std::vector<ExportSample> PlatformSamples() {
    return {
        {"淘宝/天猫 订单列表",
         {"订单编号", "买家会员名", "买家应付邮费", "买家实际支付金额", "订单状态", "收货人姓名",
          "收货地址 ", "联系电话 ", "联系手机", "宝贝标题 ", "宝贝总数量", "物流公司"},
         {{"=\"2008030712345678\"", "tb_buyer1", "10.00", "130.00", "等待发货", "张三",
           "浙江省 杭州市 西湖区 文三路478号(310012)", "'0571-88888888", "'13800138000",
           "羊毛围巾, 红色", "2", "申通快递"},
          {"=\"2008030712345679\"", "tb_buyer2", "0.00", "45.50", "等待发货", "赵六",
           "上海 上海市 徐汇区 漕溪北路1号(200030)", "", "'13600001111", "\"大\"号帆布包", "1",
           "圆通速递"}}},
        {"淘宝/天猫 宝贝列表",
         {"订单编号", "标题", "价格", "购买数量", "商家编码", "订单状态"},
         {{"=\"2008030712345678\"", "羊毛围巾 红色", "50.00", "1", "WJ-R", "等待发货"},
          {"=\"2008030712345678\"", "羊毛围巾 蓝色", "70.00", "1", "WJ-B", "等待发货"}}},
        {"拼多多 订单",
         {"商品", "订单号", "订单状态", "店铺优惠折扣(元)", "邮费(元)", "用户实付金额(元)",
          "商品数量(件)", "收货人", "手机", "省", "市", "区", "街道", "详细地址", "快递公司",
          "商品单价(元)"},
         {{"保温杯", "240101-123456789012345", "待发货", "5.00", "0.00", "54.90", "1", "李四",
           "+8613912345678", "广东省", "深圳市", "南山区", "粤海街道", "科技园路1号", "中通快递",
           "59.90"}}},
        {"京东 订单",
         {"订单号", "商品ID", "商品名称", "订购数量", "京东价", "应付金额", "下单帐号", "客户姓名",
          "客户地址", "联系电话", "邮编", "运费金额", "订单备注"},
         {{"20230001\t", "100012", "蓝牙耳机", "1", "199.00", "205.00", "jd_buyer", "王五",
           "北京市朝阳区建国路88号", "86-13711112222", "100022", "6.00", ""},
          {"20230001\t", "100013", "耳机套", "2", "22.00", "44.00", "jd_buyer", "王五",
           "北京市朝阳区建国路88号", "86-13711112222", "100022", "6.00", "备注"}}},
        {"抖音 订单",
         {"主订单编号", "子订单编号", "选购商品", "商品数量", "商品单价", "订单应付金额", "运费",
          "优惠总金额", "收件人", "收件人手机号", "省", "市", "区", "街道", "详细地址", "买家昵称"},
         {{"=\"4900000000001\"", "4900000000002", "手机壳", "3", "9.90", "29.70", "0", "0", "孙七",
           "13598765432", "四川省", "成都市", "武侯区", "", "天府大道100号", "dy_buyer"}}},
    };
}

inline std::vector<ExportSample> AllPlatformSamples() {
    std::vector<ExportSample> all = PlatformSamples();
    for (ExportSample& s : SourcedSamples()) all.push_back(std::move(s));
    return all;
}

inline std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

inline std::string ToCsv(const ExportSample& sample, const char* lineEnd = "\r\n") {
    std::string out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "," : "") + CsvField(cells[i]);
        out += lineEnd;
    };
    line(sample.header);
    for (const auto& row : sample.rows) line(row);
    return out;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A Taobao order list of `orders` rows, for timing.
inline std::string LargeTaobaoCsv(int orders) {
    ExportSample sample = PlatformSamples()[0];
    std::string out = ToCsv({sample.name, sample.header, {}});
    for (int i = 0; i < orders; ++i) {
        auto row = sample.rows[static_cast<std::size_t>(i % 2)];
        row[0] = "=\"" + std::to_string(2008030700000000LL + i) + "\"";
        for (std::size_t c = 0; c < row.size(); ++c) out += (c ? "," : "") + CsvField(row[c]);
        out += "\r\n";
    }
    return out;
}

}  // namespace tallivo::testing
