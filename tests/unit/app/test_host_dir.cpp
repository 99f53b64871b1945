#include <gtest/gtest.h>

#include "wakeup/app/HostDirectory.h"

TEST(HostDirectory, CutBeforeTheProgramsSubdirectory) {
    EXPECT_EQ(DeriveHostDir("C:\\Apps\\Orvisa\\orvisawakeup\\kelmarwakeup.exe"),
              "C:\\Apps\\Orvisa");
}

TEST(HostDirectory, EmptyWithoutTheSubdirectory) {
    EXPECT_EQ(DeriveHostDir("C:\\Apps\\kelmarwakeup.exe"), "");
    EXPECT_EQ(DeriveHostDir(""), "");
    EXPECT_EQ(DeriveHostDir("orvisawakeup\\kelmarwakeup.exe"), "");
}

TEST(HostDirectory, SearchIsCaseSensitive) {
    EXPECT_EQ(DeriveHostDir("C:\\Orvisa\\OrvisaWakeUp\\kelmarwakeup.exe"), "");
    EXPECT_EQ(DeriveHostDir("C:\\Orvisa\\ORVISAWAKEUP\\kelmarwakeup.exe"), "");
}

TEST(HostDirectory, FirstOfTwoOccurrencesCounts) {
    EXPECT_EQ(DeriveHostDir("D:\\a\\orvisawakeup\\b\\orvisawakeup\\kelmarwakeup.exe"), "D:\\a");
    // A longer directory name that starts with the same letters matches too:
    // the search is for the text, not for a whole path component.
    EXPECT_EQ(DeriveHostDir("D:\\x\\orvisawakeup2\\kelmarwakeup.exe"), "D:\\x");
}
