#pragma once

#include <QImage>
#include <QSize>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/message_sink.h"

namespace tallivo {

// The freight-bill picture area with the panel's default size.
inline constexpr QSize kPictureArea{734, 417};

// Files larger than this are not read as pictures at all.
constexpr qint64 kMaxPictureFileBytes = 256LL * 1024 * 1024;

// The size a picture is scaled to so that it touches the area's right or bottom edge without
// passing either, keeping its proportions; products first, quotients truncated. A side that
// would round down to nothing keeps one pixel.
QSize FitPictureSize(QSize picture, QSize area);

enum class PictureStatus { kOk, kCannotOpen, kOutOfMemory };

// Reads a picture file, the format chosen by its extension: JPEG through libjpeg, BMP, ICO and
// PNG through Qt's readers. path is UTF-8.
PictureStatus ReadPictureFile(const std::string& path, QImage* picture);

// Stretches the picture onto a fresh opaque bitmap of its fitted size.
QImage FitPicture(const QImage& picture, QSize area);

// "无法打开背景图片文件！"
const std::string& CannotOpenPictureMessage();

// Loads, fits and installs a background into *background. Failures are shown through prompter
// ("无法打开背景图片文件！" or "无法分配内存空间！") and leave *background as it was.
bool LoadBackgroundImage(const std::string& path, QSize area, QImage* background,
                         Prompter* prompter);

// The same for a picture already in memory as JPEG bytes (an exchange file's own picture).
bool LoadBackgroundJpeg(std::string_view jpeg, QSize area, QImage* background, Prompter* prompter);

class BackgroundCache;

// A picture read and fitted on another thread while the caller goes on with the form. Finish
// installs it, or tells why there is none, as LoadBackgroundImage does.
class PendingBackground {
public:
    struct Fitted {
        PictureStatus status = PictureStatus::kCannotOpen;
        QImage bitmap;  // null with kOk: no memory for it
    };

    bool Finish(QImage* background, Prompter* prompter);

private:
    friend class BackgroundCache;
    BackgroundCache* cache_ = nullptr;
    std::string key_;  // empty: not kept
    std::optional<QImage> hit_;
    std::future<Fitted> fitted_;
};

// The last few fitted pictures. Applying the same template again then neither decodes its
// picture again nor makes a new bitmap, so a PDF of many pages embeds it once. A file is known
// by its path, size and modification time, so a picture replaced on disk is read afresh.
class BackgroundCache {
public:
    // Read on another thread unless the cache has it; jpeg must outlive Finish.
    PendingBackground Begin(const std::string& path, QSize area);
    PendingBackground BeginJpeg(std::string_view jpeg, QSize area);
    void Clear() { entries_.clear(); }

private:
    friend class PendingBackground;
    std::string FileKey(const std::string& path, QSize area) const;
    static std::string JpegKey(std::string_view jpeg, QSize area);

    const QImage* Find(const std::string& key) const;
    void Keep(std::string key, const QImage& image);

    struct Entry {
        std::string key;
        QImage image;
    };
    std::vector<Entry> entries_;
};

}  // namespace tallivo
