#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "text/gbk_codec.h"

namespace tallivo::testing {

// The bytes of tests/data/capture/<name> (GBK pages). Needs TALLIVO_CAPTURE_DATA.
inline std::string ReadCaptureFixture(const std::string& name) {
    std::ifstream in(std::string(TALLIVO_CAPTURE_DATA) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A template line holding all twelve keywords and "固定字段", and the same line filled with the
// values v (收货人 手机 电话 收货地址 邮政编码 交易网站 买家 卖家 物流承运信息, UTF-8) and the
// scripted host's date, time and sequence number.
inline std::string FilledTemplate(const std::vector<std::string>& v) {
    return Gbk(u8"收货人：" + v[0] + u8" 手机：" + v[1] + u8" 电话：" + v[2] + u8"\r\n地址：" +
               v[3] + u8" 邮编：" + v[4] + u8"\r\n日期：2008-03-07 网站：" + v[5] +
               u8" 单号：1382401 时间：09:05:30\r\n买家：" + v[6] + u8" 卖家：" + v[7] +
               u8" 物流：" + v[8] + u8" 固定字段");
}
inline std::string AllKeywordsTemplate() {
    return Gbk(
        u8"收货人：{收货人} 手机：{手机} 电话：{电话}\r\n地址：{收货地址} 邮编：{邮政编码}\r\n"
        u8"日期：{发货日期} 网站：{交易网站} 单号：{发货单号} 时间：{发货时间}\r\n"
        u8"买家：{买家} 卖家：{卖家} 物流：{物流承运信息} 固定字段");
}

}  // namespace tallivo::testing
