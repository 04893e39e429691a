#include "forms/background_image.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "forms/jpeg_codec.h"
#include "recording_prompter.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

TEST(FitPictureSize, WorkedSizes) {
    EXPECT_EQ(FitPictureSize({1000, 600}, kPictureArea), QSize(695, 417));
    EXPECT_EQ(FitPictureSize({2000, 700}, kPictureArea), QSize(734, 256));
    EXPECT_EQ(FitPictureSize({300, 100}, kPictureArea), QSize(734, 244));
    EXPECT_EQ(FitPictureSize({1400, 420}, kPictureArea), QSize(734, 220));
    EXPECT_EQ(FitPictureSize({734, 417}, kPictureArea), QSize(734, 417));
    EXPECT_EQ(FitPictureSize({695, 417}, kPictureArea), QSize(695, 417));
}

TEST(FitPictureSize, ExtremeShapesStayDrawable) {
    // 65535 x 1 would round to zero height; the product must not overflow 32 bits either.
    EXPECT_EQ(FitPictureSize({65535, 1}, kPictureArea), QSize(734, 1));
    EXPECT_EQ(FitPictureSize({1, 65535}, kPictureArea), QSize(1, 417));
    EXPECT_EQ(FitPictureSize({60000, 60000}, kPictureArea), QSize(417, 417));
    EXPECT_TRUE(FitPictureSize({0, 10}, kPictureArea).isEmpty());
}

QImage Gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    return image;
}

TEST(Jpeg, EncodesBaselineAndDecodesBack) {
    std::string bytes;
    ASSERT_TRUE(EncodeJpeg(Gradient(120, 80), &bytes).ok);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
    EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos);  // baseline frame
    EXPECT_EQ(bytes.find("\xFF\xC2"), std::string::npos);  // never progressive
    QImage back;
    ASSERT_TRUE(DecodeJpeg(bytes, &back).ok);
    EXPECT_EQ(back.size(), QSize(120, 80));
    const QRgb p = back.pixel(60, 40);
    EXPECT_NEAR(qRed(p), 127, 6);
    EXPECT_NEAR(qGreen(p), 127, 6);
    EXPECT_NEAR(qBlue(p), 128, 6);
}

TEST(Jpeg, BadDataIsAnErrorNotAnExit) {
    QImage image;
    EXPECT_FALSE(DecodeJpeg("", &image).ok);
    EXPECT_FALSE(DecodeJpeg("this is a text file, not a picture", &image).ok);
    std::string bytes;
    ASSERT_TRUE(EncodeJpeg(Gradient(64, 64), &bytes).ok);
    const JpegResult cut = DecodeJpeg(std::string_view(bytes).substr(0, bytes.size() / 2), &image);
    EXPECT_FALSE(cut.ok);
    EXPECT_FALSE(cut.message.empty());
    EXPECT_TRUE(image.isNull());
    EXPECT_FALSE(EncodeJpeg(QImage(), &bytes).ok);
}

TEST(Jpeg, HugeDeclaredSizeIsRefusedBeforeAllocating) {
    std::string bytes;
    ASSERT_TRUE(EncodeJpeg(Gradient(16, 16), &bytes).ok);
    const size_t sof = bytes.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    // SOF0: marker, length (2), precision (1), height (2), width (2).
    for (size_t i = sof + 5; i < sof + 9; ++i) bytes[i] = '\xFF';
    QImage image;
    const JpegResult result = DecodeJpeg(bytes, &image);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(image.isNull());
}

class LoadBackground : public ::testing::Test {
protected:
    std::string Path(const char* name) { return dir.filePath(name).toStdString(); }
    void Write(const char* name, const std::string& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    QTemporaryDir dir;
    testing::RecordingPrompter prompter;
    QImage background;
};

TEST_F(LoadBackground, JpegIsFittedToTheArea) {
    std::string bytes;
    ASSERT_TRUE(EncodeJpeg(Gradient(1000, 600), &bytes).ok);
    Write(u8"运单.jpg", bytes);
    ASSERT_TRUE(LoadBackgroundImage(Path(u8"运单.jpg"), kPictureArea, &background, &prompter));
    EXPECT_EQ(background.size(), QSize(695, 417));
    EXPECT_TRUE(prompter.messages.empty());

    // Loading an already fitted bitmap again keeps its size and pixels.
    const QImage fitted = background;
    ASSERT_TRUE(fitted.save(dir.filePath("fitted.png")));
    ASSERT_TRUE(LoadBackgroundImage(Path("fitted.png"), {695, 417}, &background, &prompter));
    EXPECT_EQ(background, fitted);
}

TEST_F(LoadBackground, QtFormatsLoad) {
    const QImage picture = Gradient(300, 100);
    ASSERT_TRUE(picture.save(dir.filePath("a.bmp")));
    ASSERT_TRUE(picture.save(dir.filePath("a.png")));
    ASSERT_TRUE(Gradient(32, 32).save(dir.filePath("a.ico")));
    ASSERT_TRUE(LoadBackgroundImage(Path("a.bmp"), kPictureArea, &background, &prompter));
    EXPECT_EQ(background.size(), QSize(734, 244));
    ASSERT_TRUE(LoadBackgroundImage(Path("a.png"), kPictureArea, &background, &prompter));
    EXPECT_EQ(background.size(), QSize(734, 244));
    ASSERT_TRUE(LoadBackgroundImage(Path("a.ico"), kPictureArea, &background, &prompter));
    EXPECT_EQ(background.size(), QSize(417, 417));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(LoadBackground, NotAPictureKeepsThePreviousOne) {
    const std::string message = Gbk(u8"无法打开背景图片文件！");
    background = Gradient(10, 10);
    Write("text.jpg", "just some text\r\n");
    Write("text.png", "just some text\r\n");
    Write("a.txt", "just some text\r\n");
    EXPECT_FALSE(LoadBackgroundImage(Path("text.jpg"), kPictureArea, &background, &prompter));
    EXPECT_FALSE(LoadBackgroundImage(Path("text.png"), kPictureArea, &background, &prompter));
    EXPECT_FALSE(LoadBackgroundImage(Path("a.txt"), kPictureArea, &background, &prompter));
    EXPECT_FALSE(LoadBackgroundImage(Path("missing.jpg"), kPictureArea, &background, &prompter));
    EXPECT_EQ(prompter.messages, std::vector<std::string>(4, message));
    EXPECT_EQ(background.size(), QSize(10, 10));
}

// A batch asks the cache for the template's picture on every page; a picture replaced under the
// same name, or gone, must not be served from it.
TEST_F(LoadBackground, CacheReadsAReplacedPictureAfresh) {
    BackgroundCache cache;
    ASSERT_TRUE(Gradient(300, 100).save(dir.filePath(u8"运单.png")));
    ASSERT_TRUE(cache.Begin(Path(u8"运单.png"), kPictureArea).Finish(&background, &prompter));
    EXPECT_EQ(background.size(), QSize(734, 244));
    ASSERT_TRUE(Gradient(100, 100).save(dir.filePath(u8"运单.png")));
    ASSERT_TRUE(cache.Begin(Path(u8"运单.png"), kPictureArea).Finish(&background, &prompter));
    EXPECT_EQ(background.size(), QSize(417, 417));
    ASSERT_TRUE(QFile::remove(dir.filePath(u8"运单.png")));
    EXPECT_FALSE(cache.Begin(Path(u8"运单.png"), kPictureArea).Finish(&background, &prompter));
    EXPECT_EQ(prompter.messages.size(), 1u);
}

TEST_F(LoadBackground, SpecialFileNamedLikeAPictureIsNotWaitedOn) {
    // Opening a pipe for reading would wait for a writer that never comes.
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    EXPECT_FALSE(LoadBackgroundImage(Path("pipe.jpg"), kPictureArea, &background, &prompter));
    EXPECT_EQ(prompter.messages, std::vector<std::string>{Gbk(u8"无法打开背景图片文件！")});
}

}  // namespace
}  // namespace tallivo
