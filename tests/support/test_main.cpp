// Test entry of the programs without Qt: GoogleTest with the check that every
// test puts back the settings it changes (global_watch.h).
#include <gtest/gtest.h>

#include "global_watch.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    InstallGlobalWatch();
    return RUN_ALL_TESTS();
}
