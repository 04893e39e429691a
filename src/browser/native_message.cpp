#include "browser/native_message.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <cstring>

namespace tallivo::browser {

NativeMessageReader::State NativeMessageReader::Feed(std::string_view& input) {
    if (too_large_) return State::kTooLarge;
    if (delivered_) {
        message_.clear();
        delivered_ = false;
    }
    if (header_filled_ < sizeof header_) {
        const std::size_t take = std::min(input.size(), sizeof header_ - header_filled_);
        std::memcpy(header_ + header_filled_, input.data(), take);
        header_filled_ += take;
        input.remove_prefix(take);
        if (header_filled_ < sizeof header_) return State::kNeedMore;
        length_ = static_cast<std::uint32_t>(header_[0]) |
                  static_cast<std::uint32_t>(header_[1]) << 8 |
                  static_cast<std::uint32_t>(header_[2]) << 16 |
                  static_cast<std::uint32_t>(header_[3]) << 24;
        if (length_ > limit_) {
            too_large_ = true;
            return State::kTooLarge;
        }
    }
    // Grows with the bytes that come, not with the length the header claims.
    const std::size_t take = std::min<std::size_t>(input.size(), length_ - message_.size());
    message_.append(input.data(), take);
    input.remove_prefix(take);
    if (message_.size() < length_) return State::kNeedMore;
    header_filled_ = 0;
    delivered_ = true;
    return State::kMessage;
}

std::string EncodeNativeMessage(std::string_view json) {
    std::string frame;
    const auto length = static_cast<std::uint32_t>(json.size());
    for (int i = 0; i < 4; ++i) frame.push_back(static_cast<char>((length >> (8 * i)) & 0xFF));
    frame.append(json);
    return frame;
}

CaptureRequest ParseCaptureRequest(std::string_view json) {
    CaptureRequest request;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        request.error = "浏览器发来的消息不是有效的 JSON 对象。";
        return request;
    }
    const QJsonValue text = document.object().value(QStringLiteral("text"));
    if (!text.isString()) {
        request.error = "浏览器发来的消息缺少文本（text）。";
        return request;
    }
    request.text = text.toString().toStdString();
    request.url = document.object().value(QStringLiteral("url")).toString().toStdString();
    request.ok = true;
    return request;
}

std::string SuccessReply() {
    return R"({"ok":true})";
}

std::string ErrorReply(std::string_view message_utf8) {
    QJsonObject reply;
    reply.insert(QStringLiteral("ok"), false);
    reply.insert(
        QStringLiteral("error"),
        QString::fromUtf8(message_utf8.data(), static_cast<qsizetype>(message_utf8.size())));
    return QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace tallivo::browser
