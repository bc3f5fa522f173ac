#include <gtest/gtest.h>

#include "zd.h"

// Every test program starts the library once, as a host would.
int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  zd_init();
  return RUN_ALL_TESTS();
}
