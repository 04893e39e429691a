#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>

#include "storage/byte_codec.h"
#include "storage/config_file.h"
#include "storage/document_files.h"
#include "storage/file_io.h"
#include "storage/template_records.h"
#include "storage/template_store.h"
#include "test_files.h"
#include "text/gbk_codec.h"

namespace tallivo {
namespace {

using namespace std::string_literals;
using testing::Golden;
using testing::TempFolder;

TEST(TemplateStore, GoldenStoresReadAndWriteByteForByte) {
    for (auto [kind, file] : {std::pair{FormKind::kFreightBill, "freight_bill_store.pft"},
                              std::pair{FormKind::kInvoice, "invoice_store.pit"}}) {
        std::string bytes = Golden(file);
        TemplateStoreLoad load = ParseTemplateStore(kind, bytes);
        ASSERT_TRUE(load.ok) << file;
        ASSERT_EQ(load.templates.size(), 2u);
        EXPECT_EQ(FormatTemplateStore(load.templates), bytes);
    }
    TemplateStoreLoad bills =
        ParseTemplateStore(FormKind::kFreightBill, Golden("freight_bill_store.pft"));
    EXPECT_EQ(bills.templates[0].name, Gbk(u8"申通快递"));
    EXPECT_EQ(bills.templates[0].record, Golden("freight_bill.pfb"));

    TemplateStoreLoad empty = ParseTemplateStore(FormKind::kFreightBill, Golden("empty_store.pft"));
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.templates.empty());
    EXPECT_EQ(FormatTemplateStore({}), Golden("empty_store.pft"));

    // Padding bytes of any value; a zero-length record between two good ones is dropped.
    TemplateStoreLoad padded = ParseTemplateStore(FormKind::kInvoice, Golden("padded_store.pit"));
    ASSERT_TRUE(padded.ok);
    ASSERT_EQ(padded.templates.size(), 2u);
    EXPECT_EQ(padded.templates[1].name, "Second");
}

TEST(TemplateStore, DamagedStoresKeepTheEntriesBeforeTheDamage) {
    std::string good = Golden("invoice_store.pit");
    std::size_t first_end = 18 + 22 + Gbk(u8"默认发货单").size() + 90;

    TemplateStoreLoad load = ParseTemplateStore(FormKind::kInvoice, "TemplateVer: 1.01\0"s);
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.message, Gbk(u8"发货单模板文件InvoiceTemplate.pit版本有误，需重新创建！"));

    // A name-length field cut short: the reading message.
    load = ParseTemplateStore(FormKind::kInvoice, good.substr(0, first_end + 5));
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.message, Gbk(u8"读取发货单模板文件InvoiceTemplate.pit有误，需重新创建！"));
    EXPECT_EQ(load.templates.size(), 1u);

    // A name or record-length field cut off ends the store quietly.
    for (std::size_t cut : {first_end + 11 + 2, first_end + 11 + 5 + 3}) {
        load = ParseTemplateStore(FormKind::kInvoice, good.substr(0, cut));
        EXPECT_TRUE(load.ok);
        EXPECT_EQ(load.templates.size(), 1u);
    }
    // A record cut short, or two billion bytes long, is damage, not an allocation.
    load = ParseTemplateStore(FormKind::kInvoice, good.substr(0, good.size() - 1));
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.templates.size(), 1u);
    std::string huge = good.substr(0, first_end) + "2\0\0\0\0\0\0\0\0\0\0ab2000000000\0"s;
    load = ParseTemplateStore(FormKind::kInvoice, huge);
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.templates.size(), 1u);
    load =
        ParseTemplateStore(FormKind::kInvoice, good.substr(0, first_end) + "-5\0\0\0\0\0\0\0\0\0"s);
    EXPECT_FALSE(load.ok);
}

TEST(TemplateStore, LoadsFromAnyPathWithTheStoresOwnMessages) {
    std::string golden = std::string(TALLIVO_STORAGE_DATA) + "/invoice_store.pit";
    TemplateStoreLoad load = LoadTemplateStoreFile(FormKind::kInvoice, golden);
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(load.templates.size(), 2u);
    load = LoadTemplateStoreFile(FormKind::kFreightBill, golden + ".missing");
    EXPECT_FALSE(load.ok);
    EXPECT_TRUE(load.templates.empty());
    EXPECT_EQ(load.message, Gbk(u8"无法打开货运单模板文件FreightBillTemplate.pft，需创建！"));
    EXPECT_FALSE(LoadTemplateStoreFile(FormKind::kInvoice, TALLIVO_STORAGE_DATA).ok);  // a folder

    // A store of several megabytes, read in huge pages, to its last byte.
    TempFolder folder;
    std::vector<TemplateEntry> many;
    for (int i = 0; i < 1200; ++i)
        many.push_back({"t" + std::to_string(i), std::string(3000, char('a' + i % 26))});
    ASSERT_TRUE(SaveInvoiceTemplates(folder.path(), many).ok);
    load = LoadInvoiceTemplates(folder.path());
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(FormatTemplateStore(load.templates), FormatTemplateStore(many));

    EXPECT_TRUE(LoadConfigFile(std::string(TALLIVO_STORAGE_DATA) + "/Config.pcf").ok);
    EXPECT_EQ(LoadConfigFile(golden + ".missing").message, Gbk(u8"无法打开配置文件，需创建！"));
}

TEST(SafeWriter, AFailedWriteKeepsTheOldFileAndSaysSo) {
    TempFolder folder;
    EXPECT_EQ(LoadFreightBillTemplates(folder.path()).message,
              Gbk(u8"无法打开货运单模板文件FreightBillTemplate.pft，需创建！"));
    std::string path = folder.File("InvoiceTemplate.pit");
    ASSERT_TRUE(WriteFileReplacing(path, "old contents"));
#ifdef _WIN32
    // No permission bits to keep, no file-size limit to fill the disk with, no pipes or links
    // in a folder: what is left is refusing folders and read-only files.
    ASSERT_TRUE(WriteFileReplacing(path, "new"));
#else
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileReplacing(path, "new"));
    EXPECT_EQ(*ReadWholeFile(path), "new");
    struct stat st {};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A full disk, as the file-size limit makes it: the write fails, the old store stays,
    // no temporary file is left behind.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 8;
    setrlimit(RLIMIT_FSIZE, &small);
    StorageResult saved = SaveInvoiceTemplates(folder.path(), {{"a", "b"}});
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.message,
              Gbk(u8"无法保存发货单模板文件InvoiceTemplate.pit，请检查磁盘空间和读写权限！"));
    EXPECT_EQ(saved.failure, WriteFailure::kNoSpace);
    EXPECT_EQ(MessageWithReason(saved), saved.message + "\n" + Gbk(u8"原因：磁盘空间不够。"));
    EXPECT_EQ(*ReadWholeFile(path), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
#endif

    // Never a folder, a device or a read-only file in place of a file; a link keeps pointing
    // at the new bytes.
    EXPECT_FALSE(WriteFileReplacing(folder.path(), "x"));
    std::string readOnly = folder.File("read-only.pfb");
    ASSERT_TRUE(WriteFileReplacing(readOnly, "kept"));
    chmod(readOnly.c_str(), 0444);
    EXPECT_FALSE(WriteFileReplacing(readOnly, "x"));
    EXPECT_EQ(*ReadWholeFile(readOnly), "kept");
#ifndef _WIN32
    std::string fifo = folder.File("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(WriteFileReplacing(fifo, "x"));
    EXPECT_FALSE(ReadWholeFile(fifo));  // returns at once instead of waiting for a writer
    std::string link = folder.File("link.pit");
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    ASSERT_TRUE(WriteFileReplacing(link, "via link"));
    EXPECT_EQ(*ReadWholeFile(path), "via link");
#endif
    StorageResult config = SaveConfig(folder.File("missing/folder"), Config{});
    EXPECT_FALSE(config.ok);
    EXPECT_EQ(config.message, Gbk(u8"无法打开配置文件，请检查磁盘空间和读写权限！"));
}

TEST(SafeWriter, FailuresSayWhy) {
    TempFolder folder;
    std::string file = folder.File("file");
    ASSERT_TRUE(WriteFileReplacing(file, "x"));
    EXPECT_EQ(WriteFileReplacing(folder.path(), "x").failure, WriteFailure::kNotAFile);
    EXPECT_EQ(WriteFileReplacing(file + "/inside.pfb", "x").failure, WriteFailure::kNotAFolder);
    chmod(file.c_str(), 0444);
    EXPECT_EQ(WriteFileReplacing(file, "x").failure, WriteFailure::kReadOnlyFile);
    WriteResult missing = WriteFileReplacing(folder.File("none/a.pfb"), "x");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.failure, WriteFailure::kNoSuchFolder);
    EXPECT_EQ(missing.errorNumber, ENOENT);

    // The program's own message stays as it was; the reason comes beside it.
    StorageResult config = SaveConfig(folder.File("none"), Config{});
    EXPECT_EQ(config.message, Gbk(u8"无法打开配置文件，请检查磁盘空间和读写权限！"));
    EXPECT_EQ(config.failure, WriteFailure::kNoSuchFolder);
    EXPECT_EQ(MessageWithReason(config), config.message + "\n" + Gbk(u8"原因：文件夹不存在。"));
    EXPECT_EQ(MessageWithReason(StorageResult{true, "", WriteFailure::kNone}), "");
    EXPECT_EQ(SaveFreightBillTemplates(folder.File("file"), {}).failure, WriteFailure::kNotAFolder);
}

TEST(SafeWriter, LinksToFilesNotYetThereAreWrittenThrough) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows, and Wine makes them as Unix "
                    "links that the Windows calls do not show as links";
#else
    TempFolder folder;
    ASSERT_EQ(mkdir(folder.File("docs").c_str(), 0700), 0);
    std::string link = folder.File("1382401.pfb");
    ASSERT_EQ(symlink("docs/new.pfb", link.c_str()), 0);
    ASSERT_TRUE(WriteFileReplacing(link, "first"));
    EXPECT_EQ(*ReadWholeFile(folder.File("docs/new.pfb")), "first");
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // A link into a folder that is not there, or a loop, cannot be written and says so.
    std::string dangling = folder.File("dangling.pfb");
    ASSERT_EQ(symlink("gone/new.pfb", dangling.c_str()), 0);
    StorageResult written = WriteDocumentFile(dangling, "x");
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.failure, WriteFailure::kBadLink);
    std::string loop = folder.File("loop.pfb");
    ASSERT_EQ(symlink("loop.pfb", loop.c_str()), 0);
    EXPECT_EQ(WriteFileReplacing(loop, "x").failure, WriteFailure::kBadLink);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("docs")), {}), 1);
#endif
}

TEST(SafeWriter, TemporaryFilesAreHiddenAndTakenOverWhenStale) {
    TempFolder folder;
    std::string target = folder.File("111.pfb");
    std::string temp = TemporaryPathFor(target);
    EXPECT_EQ(temp, folder.File(".111.pfb.tallivo-tmp"));
    EXPECT_EQ(TemporaryPathFor(std::string(300, 'n')).size(), 255u);

    // A killed save left its temporary file behind: the next save of that file removes it.
    ASSERT_TRUE(WriteFileReplacing(temp, "half a document"));
    ASSERT_TRUE(WriteFileReplacing(target, "whole"));
    EXPECT_EQ(*ReadWholeFile(target), "whole");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);

    // A name planted as a second link to another file is taken away, never written into.
    std::string other = folder.File("other");
    ASSERT_TRUE(WriteFileReplacing(other, "precious"));
#ifdef _WIN32
    ASSERT_TRUE(CreateHardLinkA(temp.c_str(), other.c_str(), nullptr));
#else
    ASSERT_EQ(link(other.c_str(), temp.c_str()), 0);
#endif
    ASSERT_TRUE(WriteFileReplacing(target, "again"));
    EXPECT_EQ(*ReadWholeFile(other), "precious");
    EXPECT_EQ(*ReadWholeFile(target), "again");

    // Another writer still at work holds its temporary file: this save waits for it, leaves its
    // bytes alone, and then replaces the file it put in place.
#ifdef _WIN32
    // Held open for writing without write sharing is the lock there.
    HANDLE theirs =
        CreateFileA(temp.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(theirs, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(theirs, "theirs", 6, &done, nullptr) && done == 6);
    std::atomic<bool> untouched{false};
    std::thread other_writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        char bytes[16] = {};
        DWORD read = 0;
        SetFilePointer(theirs, 0, nullptr, FILE_BEGIN);
        untouched = ReadFile(theirs, bytes, sizeof bytes - 1, &read, nullptr) && read == 6 &&
                    std::string(bytes) == "theirs";
        MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
        CloseHandle(theirs);
    });
#else
    int theirs = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(theirs, 0);
    ASSERT_EQ(flock(theirs, LOCK_EX), 0);
    ASSERT_EQ(write(theirs, "theirs", 6), 6);
    std::atomic<bool> untouched{false};
    std::thread other_writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        char bytes[16] = {};
        untouched = pread(theirs, bytes, sizeof bytes, 0) == 6 && std::string(bytes) == "theirs";
        rename(temp.c_str(), target.c_str());
        close(theirs);
    });
#endif
    WriteResult ours = WriteFileReplacing(target, "ours");
    other_writer.join();
    EXPECT_TRUE(ours);
    EXPECT_TRUE(untouched);
    EXPECT_EQ(*ReadWholeFile(target), "ours");
    EXPECT_FALSE(std::filesystem::exists(temp));
}

// What differs between file systems: names beyond GBK (UTF-16 names on Windows), CR LF kept as
// bytes, drive letters and backslashes, and a reader holding the old file open, which blocks a
// replace on Windows until it lets go.
TEST(SafeWriter, NamesBeyondGbkBytesAsTheyAreAndAReaderOfTheOldFile) {
    TempFolder folder;
    const std::string name = folder.File(u8"\u0e01\U0001F600\u6536.pfb");  // Thai, emoji, 收
    const std::string bytes = "line\r\nnext\r\n\x1a\r\nafter Ctrl-Z";
    ASSERT_TRUE(WriteFileReplacing(name, bytes));
    EXPECT_EQ(ReadWholeFile(name), bytes);
    const std::optional<FileBytes> view = ReadFileBytes(name);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->View(), bytes);
    EXPECT_TRUE(EnsureFolder(folder.File(u8"\u0e01")));

    const std::string held = folder.File("held.pit");
    ASSERT_TRUE(WriteFileReplacing(held, "old"));
    std::FILE* reader = std::fopen(held.c_str(), "rb");
    ASSERT_NE(reader, nullptr);
    std::thread closer([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::fclose(reader);
    });
    const WriteResult saved = WriteFileReplacing(held, "new");
    closer.join();
    EXPECT_TRUE(saved);
    EXPECT_EQ(ReadWholeFile(held), "new");
#ifdef _WIN32
    std::string backslashed = held;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    ASSERT_TRUE(WriteFileReplacing(backslashed, "back"));
    EXPECT_EQ(ReadWholeFile(held), "back");
    EXPECT_EQ(TemporaryPathFor("C:\\a\\b.pfb"), "C:\\a\\.b.pfb.tallivo-tmp");
#endif
    EXPECT_EQ(std::distance(
                  std::filesystem::directory_iterator(std::filesystem::u8path(folder.path())), {}),
              3);
}

TEST(ConfigFile, GoldenAndLineRules) {
    Config config;
    config.sourceSite = 0;
    EXPECT_EQ(FormatConfig(config), Golden("Config.pcf"));
    ConfigLoad load = ParseConfig(Golden("Config.pcf"));
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(load.config.sourceSite, 0);

    load = ParseConfig("ConfigFileVer: 1.00 and a long comment after it\r\n-3\r\n7\r\n1\r\n2\r\n3");
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(load.config.freightBillSn, -3);
    EXPECT_EQ(load.config.defaultInvoice, 3);
    // Sequence numbers pass through 64 bits into 32.
    load = ParseConfig("ConfigFileVer: 1.00\n4294967297\n 12x\n\n\n-1");
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(load.config.freightBillSn, 1);
    EXPECT_EQ(load.config.invoiceSn, 12);
    EXPECT_EQ(load.config.sourceSite, 0);

    for (std::string bad : {"ConfigFileVer: 1.00\r\n1\r\n2\r\n3\r\n4\r\n"s,
                            "ConfigFileVer: 1.01\r\n1\r\n2\r\n3\r\n4\r\n5"s, ""s}) {
        load = ParseConfig(bad);
        EXPECT_FALSE(load.ok);
        EXPECT_EQ(load.message, Gbk(u8"无法正常读取配置文件，需创建！"));
        EXPECT_EQ(load.config.freightBillSn, 1382401);
    }
    TempFolder folder;
    EXPECT_EQ(LoadConfig(folder.path()).message, Gbk(u8"无法打开配置文件，需创建！"));
    config.invoiceSn = -3;
    ASSERT_TRUE(SaveConfig(folder.path(), config).ok);
    EXPECT_EQ(LoadConfig(folder.path()).config.invoiceSn, -3);

    // A damaged file far larger than memory is judged by its start, not loaded whole.
    std::string path = folder.File("Config.pcf");
#ifdef _WIN32
    // Wine refuses a terabyte; 16 GiB is still far more than the reader may load.
    std::filesystem::resize_file(std::filesystem::u8path(path), std::uintmax_t{1} << 34);
#else
    ASSERT_EQ(truncate(path.c_str(), off_t{1} << 40), 0);
#endif
    load = LoadConfig(folder.path());
    ASSERT_TRUE(load.ok);
    EXPECT_EQ(load.config.defaultInvoice, -1);
}

}  // namespace
}  // namespace tallivo
