// How the three programs start from a shell: --version and the commands without any window
// system, and a window program without a usable display ending with one line and status 2,
// not an abort.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "sim/recording_generator.h"
#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

namespace {

class ProgramStart : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "start_e2e_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs PROGRAM ARGS under `env` settings (e.g. "-u DISPLAY DISPLAY=:1"), no Qt platform forced.
  e2e::ProgramRun run(const std::string& env, const std::string& program, const std::string& args) {
    const std::string cmd = "cd '" + dir_ + "' && env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY " + env + " " +
                            MOVILOG_BIN_DIR "/" + program + " " + args + " >out.txt 2>err.txt </dev/null";
    e2e::ProgramRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = e2e::slurp(dir_ + "/out.txt");
    r.err = e2e::slurp(dir_ + "/err.txt");
    return r;
  }
  std::string dir_;
};

}  // namespace

TEST_F(ProgramStart, VersionNeedsNoDisplay) {
  for (const char* program : {"ambview", "ambcomm", "ambsim"}) {
    const e2e::ProgramRun r = run("-u DISPLAY", program, "--version");
    EXPECT_EQ(r.status, 0) << program << r.err;
    EXPECT_EQ(r.out, std::string(program) + " " MOVILOG_VERSION "\n");
    EXPECT_EQ(r.err, "");
  }
}

// A command draws offscreen whatever platform the shell names, so a desktop's setting
// (QT_QPA_PLATFORM=xcb or wayland) does not make it need a display, or abort without one.
TEST_F(ProgramStart, RenderStartsNoWindowSystem) {
  ambsim::RecordingOptions o;
  o.path = dir_ + "/S";
  o.signal.mode = '0';
  o.signal.samples = 600;
  ASSERT_EQ(ambsim::write_recording(o).error, "");
  for (const char* env : {"-u DISPLAY QT_QPA_PLATFORM=xcb", "DISPLAY=:32767 QT_QPA_PLATFORM=xcb",
                          "-u DISPLAY QT_QPA_PLATFORM=wayland"}) {
    fs::remove(dir_ + "/t.png");
    const e2e::ProgramRun r = run(env, "ambview", "render S______0 --view trend --out t.png");
    EXPECT_EQ(r.status, 0) << env << ": " << r.err;
    EXPECT_TRUE(fs::exists(dir_ + "/t.png")) << env;
  }
}

// Unset, and set to a display nobody serves: one line naming the trouble, status 2.
TEST_F(ProgramStart, WindowWithoutDisplaySaysSoInOneLine) {
  const struct {
    const char* env;
    const char* program;
    const char* args;
    const char* says;
  } cases[] = {
      {"-u DISPLAY", "ambview", "", "ambview: no display (DISPLAY is not set)"},
      {"-u DISPLAY", "ambcomm", "--simulate", "ambcomm: no display (DISPLAY is not set)"},
      {"DISPLAY=:32767", "ambview", "some_file", "ambview: cannot open the display \":32767\""},
      {"DISPLAY=:32767", "ambcomm", "", "ambcomm: cannot open the display \":32767\""},
  };
  for (const auto& c : cases) {
    const e2e::ProgramRun r = run(c.env, c.program, c.args);
    EXPECT_EQ(r.status, 2) << c.program << " " << c.env << ": " << r.err;
    EXPECT_EQ(r.err.rfind(c.says, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}
