#include "dem/DemMesh.h"

#include <gtest/gtest.h>

namespace {

TEST(DemMeshTest, SecondLevelMesh) {
    DemHeader header;
    std::string failure;
    ASSERT_TRUE(DemMeshExtent("392676", header, failure)) << failure;
    EXPECT_EQ(header.meshCode, 392676);
    // 26 35' N, 126 45' E: the real file's envelope is 26.583333333 126.75.
    EXPECT_EQ(header.southMas, (26 * 60 + 35) * 60000);
    EXPECT_EQ(header.westMas, (126 * 60 + 45) * 60000);
    EXPECT_EQ(header.northMas - header.southMas, 5 * 60000);
    EXPECT_EQ(header.eastMas - header.westMas, 450000);
}

TEST(DemMeshTest, ThirdLevelMesh) {
    DemHeader header;
    std::string failure;
    ASSERT_TRUE(DemMeshExtent("53394619", header, failure)) << failure;
    EXPECT_EQ(header.meshCode, 53394619);
    EXPECT_EQ(header.southMas, ((35 * 60 + 40) * 60 + 30) * int64_t{1000});
    EXPECT_EQ(header.westMas, ((139 * 60 + 45) * 60 + 9 * 45) * int64_t{1000});
    EXPECT_EQ(header.northMas - header.southMas, 30000);
    EXPECT_EQ(header.eastMas - header.westMas, 45000);
}

TEST(DemMeshTest, TextsThatAreNoMeshCodeAreRefused) {
    for (const char* code :
         {"", "53394", "5339461", "533946111", "53394a", "5339 6", "533986", "533938", "-53394"}) {
        DemHeader header;
        std::string failure;
        EXPECT_FALSE(DemMeshExtent(code, header, failure)) << code;
        EXPECT_FALSE(failure.empty());
        EXPECT_EQ(header.meshCode, 0) << "header untouched";
    }
}

}  // namespace
