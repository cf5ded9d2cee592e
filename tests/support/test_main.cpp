// Entry point of every test program: fixes the environment the tests rely on, so a test
// program behaves the same whether CTest or a person starts it, and never touches the
// user's own registry file or display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("TZ", "UTC0", 1);
  setenv("LC_ALL", "C", 1);
  tzset();
  std::filesystem::create_directories(VELMAR_TEST_OUT_DIR);
  setenv("VELMAR_BIN", VELMAR_BIN_DIR, 1);
  setenv("VELMAR_TEST_OUT", VELMAR_TEST_OUT_DIR, 1);
  setenv("VELMAR_REGISTRY", VELMAR_TEST_REGISTRY, 1);
  // The user's data folder (copies kept while a file is written in place) is the tests' own.
  setenv("XDG_DATA_HOME", VELMAR_TEST_OUT_DIR "/data-home", 1);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
