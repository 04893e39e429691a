// A file written under a hidden temporary name beside its target and renamed over the target
// only once it is complete and on disk: a full disk or an interrupted run leaves the old file
// as it was and no partial one.
//
// Not QSaveFile: under Qt 6.4 its commit reports success after writes that failed for a full
// disk, and puts the empty or cut file in place; and as root it replaces a read-only file.
// Not WriteFileReplacing: the PDF is streamed page by page, not held whole in memory.
#pragma once

#include <QIODevice>
#include <string>

namespace tallivo {

class ReplacingFile : public QIODevice {
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile() override;  // what was not committed is discarded

    // Creates the temporary file and opens the device for writing. False, with the reason,
    // when the target cannot be replaced: a folder, a device, a read-only file, no folder.
    bool Begin();
    // Writes what is buffered, flushes it to disk and renames the file into place. False, with
    // the reason, when any write, the flush, the close or the rename failed; the temporary
    // file is removed then.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    // Why the last step failed, in English; empty while all went well.
    const std::string& ErrorText() const { return error_; }
    // The temporary file's path while one exists.
    const std::string& TemporaryPath() const { return temp_; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool Fail(const std::string& what, int error);
    bool FlushBuffer();

    std::string target_;
    std::string path_;  // the file replaced: the target, or what a link target names
    std::string temp_;
    int fd_ = -1;
    unsigned mode_ = 0;
    std::string buffer_;
    std::string error_;
};

}  // namespace tallivo
