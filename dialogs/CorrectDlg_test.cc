#include "dialogs/CorrectDlg.h"

#include <gtest/gtest.h>

namespace {

TEST(ChosenMapPathTest, UpperCasedWithTheExtensionAddedOnlyWhenMissing) {
    EXPECT_EQ(NormalizeChosenMapPath("c:\\maps\\area.txt"), "C:\\MAPS\\AREA.TXT.dcm");
    EXPECT_EQ(NormalizeChosenMapPath("c:\\maps\\area.dcm"), "C:\\MAPS\\AREA.DCM");
    EXPECT_EQ(NormalizeChosenMapPath("c:\\x.dcm.old\\map"), "C:\\X.DCM.OLD\\MAP")
        << "\".DCM\" anywhere counts";
}

TEST(ChosenMapPathTest, DoubleByteCharactersKeepTheirSecondBytes) {
    // "ヂ" is 0x83 0x61: its second byte is an 'a' that must stay one.
    EXPECT_EQ(NormalizeChosenMapPath("c:\\\x83\x61\\a.dcm"), "C:\\\x83\x61\\A.DCM");
}

}  // namespace
