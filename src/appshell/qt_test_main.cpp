// GoogleTest entry point for the tests of the Qt window: one QApplication for the whole run, on
// the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
