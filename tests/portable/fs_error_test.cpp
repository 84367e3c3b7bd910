// A file-system failure reads "operation: reason [path]" and is still a filesystem_error.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/text_codec.h"
#include "tests/portable/test_support.h"

TEST(FileSystemErrorText, BeginsWithTheOperationAndNamesThePath) {
  tavrel::test::TempDir dir;
  const std::filesystem::path missing = dir / "missing.md";
  try {
    tavrel::win::read_text_file(missing);
    FAIL() << "a missing file was read";
  } catch (const std::filesystem::filesystem_error& error) {
    const std::string text = error.what();
    EXPECT_EQ(text.rfind("file_size: ", 0), 0u) << text;
    EXPECT_NE(text.find(error.code().message()), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - missing.string().size() - 2), "[" + missing.string() + "]");
    EXPECT_EQ(error.path1(), missing);
  }
}
