// A fresh folder of the test's own holding a program folder with the starter content, for
// running the built tallivo-cli on.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QString>
#include <filesystem>
#include <string>

#include "storage/file_io.h"
#include "support/cli_run.h"
#include "support/example_files.h"

namespace tallivo::testing {

class CliFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("tallivo-" + std::string(test->test_suite_name()) + "-" +
                std::to_string(::getpid()) + "-" + test->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        folder_ = dir_ / "program";
        ASSERT_TRUE(CopyStarter(QString::fromStdString(folder_.string())));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // A file's bytes; empty when it cannot be read.
    static std::string Bytes(const std::filesystem::path& p) {
        return ReadWholeFile(p.string()).value_or("");
    }

    std::filesystem::path dir_, folder_;
};

}  // namespace tallivo::testing
