#include "forms/background_image.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <filesystem>
#include <optional>
#include <system_error>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "forms/jpeg_codec.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

const std::string& NoMemoryMessage() {
    static const std::string text = Gbk(u8"无法分配内存空间！");
    return text;
}

void Tell(Prompter* prompter, const std::string& text) {
    if (prompter) prompter->ShowMessage(text);
}

PictureStatus ReadJpegFile(const QString& path, QImage* picture) {
    // Only a plain file: opening a pipe would wait forever, a device would never end.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxPictureFileBytes) return PictureStatus::kCannotOpen;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return PictureStatus::kCannotOpen;
    const QByteArray bytes = file.readAll();
    const JpegResult result =
        DecodeJpeg(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), picture);
    if (result.ok) return PictureStatus::kOk;
    return result.outOfMemory ? PictureStatus::kOutOfMemory : PictureStatus::kCannotOpen;
}

PictureStatus ReadQtFile(const QString& path, const QByteArray& format, QImage* picture) {
    QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxPictureFileBytes) return PictureStatus::kCannotOpen;
    QImageReader reader(path, format);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (size.isValid() &&
        static_cast<std::int64_t>(size.width()) * size.height() > kMaxPicturePixels) {
        return PictureStatus::kCannotOpen;
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) return PictureStatus::kCannotOpen;
    *picture = std::move(image);
    return PictureStatus::kOk;
}

PendingBackground::Fitted Fit(PictureStatus status, const QImage& picture, QSize area) {
    if (status == PictureStatus::kOk && (picture.width() == 0 || picture.height() == 0))
        return {PictureStatus::kCannotOpen, QImage()};
    if (status != PictureStatus::kOk) return {status, QImage()};
    return {PictureStatus::kOk, FitPicture(picture, area)};
}

// Installs a fitted picture, or tells why there is none.
bool Install(PendingBackground::Fitted fitted, QImage* background, Prompter* prompter) {
    if (fitted.status == PictureStatus::kCannotOpen) {
        Tell(prompter, CannotOpenPictureMessage());
        return false;
    }
    if (fitted.status == PictureStatus::kOutOfMemory || fitted.bitmap.isNull()) {
        Tell(prompter, NoMemoryMessage());
        return false;
    }
    *background = std::move(fitted.bitmap);
    return true;
}

PendingBackground::Fitted ReadAndFit(const std::string& path, QSize area) {
    QImage picture;
    const PictureStatus status = ReadPictureFile(path, &picture);
    return Fit(status, picture, area);
}

PendingBackground::Fitted DecodeAndFit(std::string_view jpeg, QSize area) {
    QImage picture;
    PictureStatus status = PictureStatus::kCannotOpen;
    if (!jpeg.empty()) {
        const JpegResult result = DecodeJpeg(jpeg, &picture);
        if (result.ok) {
            status = PictureStatus::kOk;
        } else if (result.outOfMemory) {
            status = PictureStatus::kOutOfMemory;
        }
    }
    return Fit(status, picture, area);
}

// Runs work on another thread, or here when no thread can be had.
template <typename Work>
std::future<PendingBackground::Fitted> Elsewhere(Work work) {
    try {
        return std::async(std::launch::async, std::move(work));
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, std::move(work));
    }
}

}  // namespace

const std::string& CannotOpenPictureMessage() {
    static const std::string text = Gbk(u8"无法打开背景图片文件！");
    return text;
}

QSize FitPictureSize(QSize picture, QSize area) {
    const std::int64_t pw = picture.width(), ph = picture.height();
    const std::int64_t cw = area.width(), ch = area.height();
    if (pw <= 0 || ph <= 0 || cw <= 0 || ch <= 0) return QSize();
    std::int64_t w, h;
    if (pw * ch > ph * cw) {
        w = cw;
        h = ph * cw / pw;
    } else {
        w = pw * ch / ph;
        h = ch;
    }
    return QSize(static_cast<int>(std::max<std::int64_t>(w, 1)),
                 static_cast<int>(std::max<std::int64_t>(h, 1)));
}

PictureStatus ReadPictureFile(const std::string& path, QImage* picture) {
    const QString qpath = QString::fromStdString(path);
    const QString suffix = QFileInfo(qpath).suffix().toLower();
    if (suffix == "jpg" || suffix == "jpeg" || suffix == "jpe" || suffix == "jfif") {
        return ReadJpegFile(qpath, picture);
    }
    if (suffix == "bmp" || suffix == "ico" || suffix == "png") {
        return ReadQtFile(qpath, suffix.toLatin1(), picture);
    }
    return PictureStatus::kCannotOpen;
}

QImage FitPicture(const QImage& picture, QSize area) {
    const QSize size = FitPictureSize(picture.size(), area);
    if (size.isEmpty()) return QImage();
    if (size == picture.size() && !picture.hasAlphaChannel()) {
        return picture.convertToFormat(QImage::Format_RGB32);
    }
    QImage bitmap(size, QImage::Format_RGB32);
    if (bitmap.isNull()) return bitmap;
    // Transparent parts of icons and PNGs land on white paper.
    bitmap.fill(Qt::white);
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), picture);
    painter.end();
    return bitmap;
}

bool LoadBackgroundImage(const std::string& path, QSize area, QImage* background,
                         Prompter* prompter) {
    return Install(ReadAndFit(path, area), background, prompter);
}

bool LoadBackgroundJpeg(std::string_view jpeg, QSize area, QImage* background, Prompter* prompter) {
    return Install(DecodeAndFit(jpeg, area), background, prompter);
}

namespace {

constexpr std::size_t kCachedPictures = 4;

std::string AreaKey(QSize area) {
    return std::to_string(area.width()) + "x" + std::to_string(area.height());
}

}  // namespace

const QImage* BackgroundCache::Find(const std::string& key) const {
    for (const Entry& e : entries_) {
        if (e.key == key) return &e.image;
    }
    return nullptr;
}

void BackgroundCache::Keep(std::string key, const QImage& image) {
    if (entries_.size() >= kCachedPictures) entries_.erase(entries_.begin());
    entries_.push_back({std::move(key), image});
}

namespace {

// Size and modification time of a regular file, asked of the file system directly: QFileInfo's
// local modification time costs a time zone conversion on every page of a batch.
std::optional<std::string> FileStamp(const std::string& path) {
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return std::to_string(st.st_size) + "|" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
#else
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path file = fs::u8path(path);
    if (!fs::is_regular_file(file, error)) return std::nullopt;
    const auto size = fs::file_size(file, error);
    const auto modified = error ? fs::file_time_type() : fs::last_write_time(file, error);
    if (error) return std::nullopt;
    return std::to_string(size) + "|" + std::to_string(modified.time_since_epoch().count());
#endif
}

}  // namespace

std::string BackgroundCache::FileKey(const std::string& path, QSize area) const {
    const std::optional<std::string> stamp = FileStamp(path);
    return stamp ? "file|" + path + "|" + *stamp + "|" + AreaKey(area) : std::string();
}

std::string BackgroundCache::JpegKey(std::string_view jpeg, QSize area) {
    return "jpeg|" + std::to_string(std::hash<std::string_view>()(jpeg)) + "|" +
           std::to_string(jpeg.size()) + "|" + AreaKey(area);
}

PendingBackground BackgroundCache::Begin(const std::string& path, QSize area) {
    PendingBackground pending;
    pending.cache_ = this;
    pending.key_ = FileKey(path, area);
    if (const QImage* hit = pending.key_.empty() ? nullptr : Find(pending.key_)) {
        pending.hit_ = *hit;
        return pending;
    }
    pending.fitted_ = Elsewhere([path, area] { return ReadAndFit(path, area); });
    return pending;
}

PendingBackground BackgroundCache::BeginJpeg(std::string_view jpeg, QSize area) {
    PendingBackground pending;
    pending.cache_ = this;
    pending.key_ = JpegKey(jpeg, area);
    if (const QImage* hit = Find(pending.key_)) {
        pending.hit_ = *hit;
        return pending;
    }
    pending.fitted_ = Elsewhere([jpeg, area] { return DecodeAndFit(jpeg, area); });
    return pending;
}

bool PendingBackground::Finish(QImage* background, Prompter* prompter) {
    if (hit_) {
        *background = std::move(*hit_);
        return true;
    }
    if (!fitted_.valid() || !Install(fitted_.get(), background, prompter)) return false;
    if (cache_ && !key_.empty()) cache_->Keep(key_, *background);
    return true;
}

}  // namespace tallivo
