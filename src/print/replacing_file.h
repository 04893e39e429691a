// The PDF's output device: WriteFileReplacing's replacement, streamed page by page. A full disk
// or an interrupted run leaves the old file as it was and no partial one.
//
// Not QSaveFile: under Qt 6.4 its commit reports success after writes that failed for a full
// disk, and puts the empty or cut file in place; and as root it replaces a read-only file.
#pragma once

#include <QIODevice>
#include <string>

#include "storage/file_io.h"

namespace tallivo {

class ReplacingFile : public QIODevice {
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile() override;  // what was not committed is discarded

    // Takes the temporary file and opens the device for writing. False, with the reason, when
    // the target cannot be replaced: a folder, a device, a read-only file, no folder.
    bool Begin();
    // Writes what is buffered and puts the file in place. False, with the reason, when any
    // write, the flush to disk or the rename failed; nothing remains of the new file then.
    bool Commit();
    // The target stays as it was.
    void Discard();

    // Why the last step failed, in English; empty while all went well.
    const std::string& ErrorText() const { return error_; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool Fail(const WriteResult& result);
    bool FlushBuffer();

    ReplacingWriter writer_;
    std::string buffer_;
    std::string error_;
};

}  // namespace tallivo
