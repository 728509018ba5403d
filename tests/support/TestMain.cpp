// The main of every test program: the locale the programs themselves set up, then the tests.
#include <gtest/gtest.h>

#include "platform/Utf8Locale.h"

int main(int argc, char** argv) {
    onarim::EnsureUtf8Locale();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
