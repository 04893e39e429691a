#include "text/runtime_library.h"

#include <gtest/gtest.h>

namespace tallivo {
namespace {

// What a feature reports when the library it opens on first use is missing or too old.
TEST(RuntimeLibrary, MissingLibraryAndMissingFunctionAreSaidAndNotCalled) {
    RuntimeLibrary missing;
    EXPECT_FALSE(missing.Open("libtallivo-none.so.0"));
    EXPECT_NE(missing.error().find("libtallivo-none.so.0"), std::string::npos);
    int (*function)(int) = nullptr;
    EXPECT_FALSE(missing.Find("abs", &function));
    EXPECT_EQ(function, nullptr);

#ifdef _WIN32
    const std::string name = "msvcrt.dll";
#else
    const std::string name = "libc.so.6";
#endif
    RuntimeLibrary libc;
    ASSERT_TRUE(libc.Open(name.c_str())) << libc.error();
    EXPECT_FALSE(libc.Find("tallivo_no_such_function", &function));
    EXPECT_EQ(libc.error(), name + " has no tallivo_no_such_function");
    ASSERT_TRUE(libc.Find("abs", &function));
    EXPECT_EQ(function(-3), 3);
}

}  // namespace
}  // namespace tallivo
