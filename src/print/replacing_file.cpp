#include "print/replacing_file.h"

#include <cstring>

namespace tallivo {
namespace {

// The writer takes what QPdfWriter hands over in small pieces; a write per piece would be slow.
constexpr std::size_t kBufferSize = 1 << 16;

std::string Reason(const WriteResult& result) {
    if (result.errorNumber != 0) return std::strerror(result.errorNumber);
    switch (result.failure) {
        case WriteFailure::kNotAFile:
            return "not a regular file";
        case WriteFailure::kReadOnlyFile:
            return "the file is read-only";
        case WriteFailure::kBusy:
            return "another program is writing the file";
        default:
            return "the file cannot be written";
    }
}

}  // namespace

ReplacingFile::ReplacingFile(std::string target) : writer_(std::move(target)) {}

ReplacingFile::~ReplacingFile() {
    Discard();
}

bool ReplacingFile::Fail(const WriteResult& result) {
    if (error_.empty()) error_ = Reason(result);
    buffer_.clear();
    return false;
}

bool ReplacingFile::Begin() {
    if (isOpen()) return true;
    error_.clear();
    const WriteResult begun = writer_.Begin();
    if (!begun.ok) return Fail(begun);
    buffer_.reserve(kBufferSize);
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool ReplacingFile::FlushBuffer() {
    const bool written = writer_.Write(buffer_);
    buffer_.clear();
    return written || Fail(writer_.Result());
}

qint64 ReplacingFile::writeData(const char* data, qint64 size) {
    // After the first failure nothing more is taken: the file can no longer be whole.
    if (!isOpen() || !error_.empty() || size < 0) return -1;
    const auto n = static_cast<std::size_t>(size);
    if (buffer_.size() + n > kBufferSize && !FlushBuffer()) return -1;
    buffer_.append(data, n);
    if (buffer_.size() >= kBufferSize && !FlushBuffer()) return -1;
    return size;
}

bool ReplacingFile::Commit() {
    if (!isOpen()) return Fail(WriteResult{});
    QIODevice::close();
    if (!error_.empty()) {
        writer_.Discard();
        return false;
    }
    if (!FlushBuffer()) return false;
    const WriteResult committed = writer_.Commit();
    return committed.ok || Fail(committed);
}

void ReplacingFile::Discard() {
    if (isOpen()) QIODevice::close();
    writer_.Discard();
    buffer_.clear();
}

}  // namespace tallivo
