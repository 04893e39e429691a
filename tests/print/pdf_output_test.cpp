#include "print/pdf_output.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tallivo {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Two pages with some text, as a batch writes them.
bool WriteTwoPages(PdfOutput& pdf) {
    for (int i = 0; i < 2; ++i) {
        QPainter* p = pdf.NewPage(800, 1100 + i * 2000);
        if (!p) return false;
        for (int y = 0; y < 40; ++y)
            p->drawText(QPoint(50, 50 + y * 25), QStringLiteral("收货人 line %1").arg(y));
    }
    return true;
}

// Writes beyond `bytes` in any file fail with EFBIG for as long as it lives, as on a disk that
// has run full; the old limit comes back afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        old_signal_ = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, old_signal_);
    }
    bool ok() const { return ok_; }

private:
    rlimit old_{};
    void (*old_signal_)(int) = nullptr;
    bool ok_ = false;
};

class PdfOutputTest : public ::testing::Test {
protected:
    QTemporaryDir tmp_;
    fs::path dir_{tmp_.path().toStdString()};
    fs::path target_ = dir_ / "day.pdf";
};

TEST_F(PdfOutputTest, ReplacesTheOldFileWholeKeepingItsPermissions) {
    Put(target_, "old");
    ::chmod(target_.c_str(), 0640);
    PdfOutput pdf(target_, 300);
    ASSERT_TRUE(WriteTwoPages(pdf));
    EXPECT_EQ(Slurp(target_), "old") << "nothing replaced before the end";
    ASSERT_TRUE(pdf.Finish()) << pdf.ErrorText();
    const std::string bytes = Slurp(target_);
    EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);
    EXPECT_NE(bytes.find("%%EOF", bytes.size() - 8), std::string::npos);
    EXPECT_EQ(fs::status(target_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"day.pdf"});
    EXPECT_TRUE(pdf.ErrorText().empty());
}

TEST_F(PdfOutputTest, AFullDiskFailsAndKeepsTheOldFile) {
    std::size_t whole = 0;
    {
        PdfOutput pdf((dir_ / "whole.pdf").string(), 300);
        ASSERT_TRUE(WriteTwoPages(pdf));
        ASSERT_TRUE(pdf.Finish());
        whole = fs::file_size(dir_ / "whole.pdf");
        fs::remove(dir_ / "whole.pdf");
    }
    Put(target_, "old");
    // Full at the start, in the middle, and just before the end.
    for (const std::size_t room : {std::size_t{0}, whole / 2, whole - 1}) {
        PdfOutput pdf(target_, 300);
        bool finished = false;
        {
            FileSizeLimit full(room);
            ASSERT_TRUE(full.ok());
            WriteTwoPages(pdf);
            finished = pdf.Finish();
        }
        EXPECT_FALSE(finished) << room;
        EXPECT_NE(pdf.ErrorText().find("too large"), std::string::npos) << pdf.ErrorText();
        EXPECT_EQ(Slurp(target_), "old") << room;
        EXPECT_EQ(Names(dir_), std::vector<std::string>{"day.pdf"}) << room;
    }
}

TEST_F(PdfOutputTest, APdfThatCannotBeWrittenLeavesNoFile) {
    {
        PdfOutput pdf((dir_ / "missing" / "day.pdf").string(), 300);
        EXPECT_EQ(pdf.NewPage(100, 100), nullptr);
        EXPECT_FALSE(pdf.Finish());
        EXPECT_FALSE(pdf.ErrorText().empty());
    }
    fs::create_directory(dir_ / "folder.pdf");
    Put(dir_ / "readonly.pdf", "old");
    ::chmod((dir_ / "readonly.pdf").c_str(), 0444);
    ASSERT_EQ(::mkfifo((dir_ / "pipe.pdf").c_str(), 0644), 0);
    for (const char* name : {"folder.pdf", "readonly.pdf", "pipe.pdf"}) {
        PdfOutput pdf((dir_ / name).string(), 300);
        EXPECT_EQ(pdf.NewPage(100, 100), nullptr) << name;
        EXPECT_FALSE(pdf.Finish()) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.pdf"));
    EXPECT_EQ(Slurp(dir_ / "readonly.pdf"), "old");
    EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.pdf"));
    EXPECT_EQ(Names(dir_), (std::vector<std::string>{"folder.pdf", "pipe.pdf", "readonly.pdf"}));
}

TEST_F(PdfOutputTest, NoPageOrNoFinishLeavesTheOldFile) {
    Put(target_, "old");
    {
        PdfOutput pdf(target_, 300);
        EXPECT_FALSE(pdf.Finish());
        EXPECT_EQ(pdf.ErrorText(), "no page was drawn");
    }
    {
        PdfOutput pdf(target_, 300);
        ASSERT_TRUE(WriteTwoPages(pdf));
    }
    EXPECT_EQ(Slurp(target_), "old");
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"day.pdf"});
}

TEST_F(PdfOutputTest, ALinkKeepsPointingAtTheReplacedFile) {
    fs::create_directory(dir_ / "real");
    Put(dir_ / "real" / "day.pdf", "old");
    fs::create_symlink(dir_ / "real" / "day.pdf", target_);
    PdfOutput pdf(target_, 300);
    ASSERT_TRUE(WriteTwoPages(pdf));
    ASSERT_TRUE(pdf.Finish()) << pdf.ErrorText();
    EXPECT_TRUE(fs::is_symlink(target_));
    EXPECT_EQ(Slurp(dir_ / "real" / "day.pdf").rfind("%PDF-", 0), 0u);
    EXPECT_EQ(Names(dir_ / "real"), std::vector<std::string>{"day.pdf"});
}

}  // namespace
}  // namespace tallivo
