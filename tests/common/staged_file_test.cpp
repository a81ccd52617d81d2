// Staged writes: nothing at the final name until commit; an older file survives an abandon.
#include "common/same_file.h"
#include "common/staged_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string read_all(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(StagedFileTest, ReplacesOnlyOnCommitAndLeavesNoTemporaryName) {
  const fs::path dir = fs::temp_directory_path() / ("staged_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path final_path = dir / "out.txt";
  std::ofstream(final_path) << "old";
  {
    common::StagedFile staged(final_path.string());
    staged.prepare();
    EXPECT_EQ(fs::path(staged.temp_path()).parent_path(), dir);
    std::ofstream(staged.temp_path()) << "half";
  }  // abandoned: the old file stays
  EXPECT_EQ(read_all(final_path), "old");
  {
    common::StagedFile staged(final_path.string());
    std::ofstream(staged.temp_path()) << "new";
    EXPECT_TRUE(staged.commit());
  }
  EXPECT_EQ(read_all(final_path), "new");
  fs::create_directory(dir / "folder");
  common::StagedFile onto_folder((dir / "folder").string());
  std::ofstream(onto_folder.temp_path()) << "x";
  EXPECT_FALSE(onto_folder.commit());
  EXPECT_NE(onto_folder.error(), 0);
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir)) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);  // only out.txt: no temporary name is left behind
  fs::remove_all(dir);
}

// A full disk (here: a file-size limit) while writing leaves the older file and nothing else.
TEST(StagedFileTest, WholeFileWriteThatFailsLeavesTheOlderFile) {
  const fs::path dir = fs::temp_directory_path() / ("staged_full_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "RaZor.prm").string();
  ASSERT_EQ(common::write_whole_file(path, "old", 3), 0);
  const std::string big(8192, 'x');
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit limited = old;
  limited.rlim_cur = 4096;
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &limited);
  const int error = common::write_whole_file(path, big.data(), big.size());
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(read_all(path), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

TEST(SameFileTest, NamesAndLinksOfOneFile) {
  const fs::path dir = fs::temp_directory_path() / ("same_file_test_" + std::to_string(::getpid()));
  fs::create_directories(dir / "sub");
  std::ofstream(dir / "a") << "a";
  std::ofstream(dir / "b") << "b";
  fs::create_hard_link(dir / "a", dir / "sub" / "hard");
  fs::create_symlink(dir / "a", dir / "soft");
  const std::string d = dir.string();
  const struct {
    std::string x, y;
    bool same;
  } cases[] = {
      {d + "/a", d + "/a", true},       {d + "/a", d + "/sub/../a", true}, {d + "/a", d + "/sub/hard", true},
      {d + "/soft", d + "/a", true},    {d + "/a", d + "/b", false},       {d + "/new", d + "/sub/../new", true},
      {d + "/new", d + "/other", false}, {"", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(common::same_file(c.x, c.y), c.same) << c.x << " " << c.y;
  EXPECT_EQ(common::input_named_by(d + "/sub/hard", {d + "/b", d + "/a"}), d + "/a");
  fs::remove_all(dir);
}

}  // namespace
