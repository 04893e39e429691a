#include "storage/program_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "storage/file_io.h"
#ifndef _WIN32
#include "support/read_only_path.h"
#endif
#include "test_files.h"

namespace tallivo {
namespace {

using testing::TempFolder;

void Write(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(WriteFileReplacing(path, bytes));
}

std::string Read(const std::string& path) {
    return ReadWholeFile(path).value_or("<missing>");
}

// A prefix as an installation lays it out: bin/ and share/tallivo/ with the starter content.
struct Prefix {
    TempFolder root;
    std::string bin = root.File("bin");
    std::string share = root.File("share/tallivo");
    std::string data = root.File("data");
    Prefix() {
        std::filesystem::create_directories(bin);
        Write(share + "/FreightBillTemplate.pft", "freight");
        Write(share + "/InvoiceTemplate.pit", "invoice");
        Write(share + "/Config.pcf", "config");
        Write(share + "/FreightBillBGImages/a.jpg", "picture");
        Write(share + "/help/index.html", "help");
    }
};

TEST(ProgramFolder, WhichFolderEachKindOfInstallationUses) {
    Prefix p;
    // Installed under a prefix: the user's data folder, filled from share/tallivo.
    ProgramFolderChoice c = ChooseProgramFolder(p.bin, p.data);
    EXPECT_TRUE(c.perUser);
    EXPECT_EQ(c.folder, p.data + "/Tallivo");
    // Windows writes the normalised path with backslashes.
    EXPECT_EQ(std::filesystem::u8path(c.contentFolder).lexically_normal(),
              std::filesystem::u8path(p.share).lexically_normal());
    // Without a data folder there is nowhere else to go.
    EXPECT_FALSE(ChooseProgramFolder(p.bin, "").perUser);

    // A build folder, or one the user installed into, holds its stores: used as it is.
    Write(p.bin + "/Config.pcf", "mine");
    c = ChooseProgramFolder(p.bin, p.data);
    EXPECT_FALSE(c.perUser);
    EXPECT_EQ(c.folder, p.bin);
    EXPECT_EQ(c.contentFolder, p.bin);

    // A lone executable with nothing installed beside it keeps its own folder.
    TempFolder lone;
    EXPECT_EQ(ChooseProgramFolder(lone.path(), p.data).folder, lone.path());
}

TEST(ProgramFolder, ReadOnlyFolderWithStoresFillsTheUsersFolderFromIt) {
#ifdef _WIN32
    GTEST_SKIP() << "a folder is made read-only by its access control list on Windows, which "
                    "Wine does not enforce";
#else
    TempFolder exe;
    Write(exe.File("FreightBillTemplate.pft"), "freight");
    ProgramFolderChoice c;
    {
        const testing::ReadOnlyPath readOnly(exe.path());
        if (readOnly.unavailable()) GTEST_SKIP() << readOnly.error();
        ASSERT_EQ(readOnly.error(), "");
        c = ChooseProgramFolder(exe.path(), exe.File("data"));
    }
    EXPECT_TRUE(c.perUser);
    EXPECT_EQ(c.contentFolder, exe.path());
#endif
}

TEST(ProgramFolder, FirstStartCopiesTheStarterContentAndLaterStartsKeepTheUsersFiles) {
    Prefix p;
    const ProgramFolderChoice c = ChooseProgramFolder(p.bin, p.data);
    ASSERT_TRUE(SeedProgramFolder(c).ok);
    EXPECT_EQ(Read(c.folder + "/FreightBillTemplate.pft"), "freight");
    EXPECT_EQ(Read(c.folder + "/InvoiceTemplate.pit"), "invoice");
    EXPECT_EQ(Read(c.folder + "/Config.pcf"), "config");
    EXPECT_EQ(Read(c.folder + "/FreightBillBGImages/a.jpg"), "picture");
    // The help is read where it was installed, and no temporary file is left.
    EXPECT_FALSE(std::filesystem::exists(c.folder + "/help"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(c.folder),
                            std::filesystem::directory_iterator()),
              4);

    // The user's own changes and deletions stay as they are.
    Write(c.folder + "/Config.pcf", "changed");
    std::filesystem::remove(c.folder + "/InvoiceTemplate.pit");
    std::filesystem::remove(c.folder + "/FreightBillBGImages/a.jpg");
    ASSERT_TRUE(SeedProgramFolder(c).ok);
    EXPECT_EQ(Read(c.folder + "/Config.pcf"), "changed");
    EXPECT_FALSE(std::filesystem::exists(c.folder + "/InvoiceTemplate.pit"));
    EXPECT_FALSE(std::filesystem::exists(c.folder + "/FreightBillBGImages/a.jpg"));

    // A folder with only a store of the user's gets nothing added.
    std::filesystem::remove_all(c.folder);
    Write(c.folder + "/InvoiceTemplate.pit", "own");
    ASSERT_TRUE(SeedProgramFolder(c).ok);
    EXPECT_EQ(Read(c.folder + "/InvoiceTemplate.pit"), "own");
    EXPECT_FALSE(std::filesystem::exists(c.folder + "/Config.pcf"));

    // The executable's own folder is never filled.
    TempFolder lone;
    EXPECT_TRUE(SeedProgramFolder(ChooseProgramFolder(lone.path(), p.data)).ok);
    EXPECT_TRUE(std::filesystem::is_empty(lone.path()));
}

TEST(ProgramFolder, AFolderThatCannotBeMadeIsReported) {
    Prefix p;
    Write(p.data, "a file where the data folder should be");
    const StorageResult r = SeedProgramFolder(ChooseProgramFolder(p.bin, p.data));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(p.data + "/Tallivo"), std::string::npos);
}

#ifdef _WIN32
TEST(ProgramFolder, UserDataHomeFollowsTheBaseDirectorySpecification) {
    // The Windows counterpart: %LOCALAPPDATA%, else AppData\Local in the profile.
    const std::string savedLocal = ::getenv("LOCALAPPDATA") ? ::getenv("LOCALAPPDATA") : "";
    const std::string savedProfile = ::getenv("USERPROFILE") ? ::getenv("USERPROFILE") : "";
    ::_putenv_s("USERPROFILE", "C:\\Users\\seller");
    ::_putenv_s("LOCALAPPDATA", "D:\\Local");
    EXPECT_EQ(UserDataHome(), "D:\\Local");
    ::_putenv_s("LOCALAPPDATA", "relative\\data");
    EXPECT_EQ(UserDataHome(), "C:\\Users\\seller/AppData/Local");
    ::_putenv_s("LOCALAPPDATA", savedLocal.c_str());
    ::_putenv_s("USERPROFILE", savedProfile.c_str());
}
#else
TEST(ProgramFolder, UserDataHomeFollowsTheBaseDirectorySpecification) {
    const std::string savedXdg = ::getenv("XDG_DATA_HOME") ? ::getenv("XDG_DATA_HOME") : "";
    const std::string savedHome = ::getenv("HOME") ? ::getenv("HOME") : "";
    ::setenv("HOME", "/home/seller", 1);
    ::setenv("XDG_DATA_HOME", "/data/seller", 1);
    EXPECT_EQ(UserDataHome(), "/data/seller");
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(UserDataHome(), "/home/seller/.local/share");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataHome(), "/home/seller/.local/share");
    ::setenv("HOME", savedHome.c_str(), 1);
    if (!savedXdg.empty()) ::setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
}
#endif

}  // namespace
}  // namespace tallivo
