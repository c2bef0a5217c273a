#include "harness.h"

#include <gtest/gtest.h>

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  const int status = Parse_Arguments(argc, argv);
  return status >= 0 ? status : RUN_ALL_TESTS();
}
