#include "storage/storage_result.h"

#include "text/gbk_codec.h"

namespace tallivo {

const std::string& OutOfMemoryMessage() {
    static const std::string text = Gbk(u8"无法分配内存空间！");
    return text;
}

const std::string& WriteFailureText(WriteFailure failure) {
    static const std::string none;
    static const std::string no_space = Gbk(u8"磁盘空间不够");
    static const std::string no_permission = Gbk(u8"没有写权限");
    static const std::string read_only_file = Gbk(u8"文件是只读的");
    static const std::string read_only_disk = Gbk(u8"磁盘是只读的");
    static const std::string no_such_folder = Gbk(u8"文件夹不存在");
    static const std::string not_a_folder = Gbk(u8"路径中有一项不是文件夹");
    static const std::string not_a_file = Gbk(u8"目标不是普通文件");
    static const std::string bad_link = Gbk(u8"符号链接指向的位置无效");
    static const std::string name_too_long = Gbk(u8"文件名太长");
    static const std::string busy = Gbk(u8"另一个程序正在保存这个文件");
    static const std::string input_output = Gbk(u8"磁盘读写出错");
    static const std::string other = Gbk(u8"未知错误");
    switch (failure) {
        case WriteFailure::kNone:
            return none;
        case WriteFailure::kNoSpace:
            return no_space;
        case WriteFailure::kNoPermission:
            return no_permission;
        case WriteFailure::kReadOnlyFile:
            return read_only_file;
        case WriteFailure::kReadOnlyDisk:
            return read_only_disk;
        case WriteFailure::kNoSuchFolder:
            return no_such_folder;
        case WriteFailure::kNotAFolder:
            return not_a_folder;
        case WriteFailure::kNotAFile:
            return not_a_file;
        case WriteFailure::kBadLink:
            return bad_link;
        case WriteFailure::kNameTooLong:
            return name_too_long;
        case WriteFailure::kBusy:
            return busy;
        case WriteFailure::kInputOutput:
            return input_output;
        case WriteFailure::kOther:
            return other;
    }
    return other;
}

std::string MessageWithReason(const StorageResult& result) {
    if (result.failure == WriteFailure::kNone) return result.message;
    static const std::string label = Gbk(u8"原因：");
    static const std::string stop = Gbk(u8"。");
    std::string text = result.message;
    if (!text.empty()) text += '\n';
    return text + label + WriteFailureText(result.failure) + stop;
}

}  // namespace tallivo
