// Small order exports in the platforms' shapes, written by the tests and the benchmark.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace tallivo::testing {

struct ExportSample {
    std::string name;  // the profile that should recognise it
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

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
