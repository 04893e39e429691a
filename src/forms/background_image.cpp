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

// Fits a picture just read and installs it, or tells why there is none.
bool InstallPicture(PictureStatus status, const QImage& picture, QSize area, QImage* background,
                    Prompter* prompter) {
    if (status == PictureStatus::kOutOfMemory) {
        Tell(prompter, NoMemoryMessage());
        return false;
    }
    if (status != PictureStatus::kOk || picture.width() == 0 || picture.height() == 0) {
        Tell(prompter, CannotOpenPictureMessage());
        return false;
    }
    QImage bitmap = FitPicture(picture, area);
    if (bitmap.isNull()) {
        Tell(prompter, NoMemoryMessage());
        return false;
    }
    *background = std::move(bitmap);
    return true;
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
    QImage picture;
    const PictureStatus status = ReadPictureFile(path, &picture);
    return InstallPicture(status, picture, area, background, prompter);
}

bool LoadBackgroundJpeg(std::string_view jpeg, QSize area, QImage* background, Prompter* prompter) {
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
    return InstallPicture(status, picture, area, background, prompter);
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

bool BackgroundCache::Load(const std::string& path, QSize area, QImage* background,
                           Prompter* prompter) {
    const std::optional<std::string> stamp = FileStamp(path);
    if (!stamp) return LoadBackgroundImage(path, area, background, prompter);
    const std::string key = "file|" + path + "|" + *stamp + "|" + AreaKey(area);
    if (const QImage* hit = Find(key)) {
        *background = *hit;
        return true;
    }
    if (!LoadBackgroundImage(path, area, background, prompter)) return false;
    Keep(key, *background);
    return true;
}

bool BackgroundCache::LoadJpeg(std::string_view jpeg, QSize area, QImage* background,
                               Prompter* prompter) {
    const std::string key = "jpeg|" + std::to_string(std::hash<std::string_view>()(jpeg)) + "|" +
                            std::to_string(jpeg.size()) + "|" + AreaKey(area);
    if (const QImage* hit = Find(key)) {
        *background = *hit;
        return true;
    }
    if (!LoadBackgroundJpeg(jpeg, area, background, prompter)) return false;
    Keep(key, *background);
    return true;
}

}  // namespace tallivo
