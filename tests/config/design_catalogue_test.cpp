#include "config/design_catalogue.h"

#include <gtest/gtest.h>

#include "config/ini_file.h"
#include "config_test_support.h"

namespace m8163 {
namespace {

using test::readBytes;
using test::TempFolder;
using test::windowsText;
using test::writeBytes;

class Catalogue : public ::testing::Test {
  protected:
    void loadText(std::string_view text) {
        writeBytes(path, windowsText(text));
        loadDesignCatalogue(path, catalogue);
    }

    TempFolder folder;
    std::string path = folder.file("konstr_type.prf");
    DesignCatalogue catalogue;
};

TEST_F(Catalogue, AMissingFileIsCreatedWithTheBuiltInCatalogue) {
    loadDesignCatalogue(path, catalogue);
    EXPECT_EQ(readBytes(path), test::goldenFile("konstr_type.prf"));
    EXPECT_EQ(catalogue.designTypes.size(), 26u);
    EXPECT_EQ(catalogue.mountingLengths.size(), 17u);
    EXPECT_EQ(catalogue.caseTypes.size(), 2u);
    EXPECT_EQ(catalogue.designTypes.entries[0], "ТС 1088/1");
    EXPECT_EQ(catalogue.designTypes.entries[25], "ТП 3493");
    EXPECT_EQ(catalogue.mountingLengths.entries[16], "L=3150");
    EXPECT_EQ(catalogue.caseTypes.entries[1], "ГА-1");
    // A second load finds everything in place and changes nothing.
    DesignCatalogue again;
    loadDesignCatalogue(path, again);
    EXPECT_EQ(readBytes(path), test::goldenFile("konstr_type.prf"));
    EXPECT_EQ(again.designTypes.entries, catalogue.designTypes.entries);
}

TEST_F(Catalogue, MissingEntriesGetTheirDefaultTextAndAreAdded) {
    loadText(
        "[KONSTR]\n"
        "long_line_val=3\n"
        "konstr_long0=L=250\n");
    EXPECT_EQ(catalogue.mountingLengths.size(), 4u);
    EXPECT_EQ(catalogue.mountingLengths.entries[0], "L=250");
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(catalogue.mountingLengths.entries[i], "L=60");
    // No count key: one entry, with the default text.
    EXPECT_EQ(catalogue.designTypes.size(), 1u);
    EXPECT_EQ(catalogue.designTypes.entries[0], "Т");
    EXPECT_EQ(catalogue.caseTypes.entries[0], "ГП-1");
    IniFile written(path);
    EXPECT_EQ(written.readString("KONSTR", "konstr_long3", "?"), "L=60");
    EXPECT_EQ(written.readString("KONSTR", "konstr_type0", "?"), "Т");
    EXPECT_EQ(written.readString("KONSTR", "type_line_val", "?"), "0");
}

TEST_F(Catalogue, AHighestIndexAbove63IsTakenAs63) {
    std::string text = "[KONSTR]\ntype_line_val=100\ncase_line_val=-1\n";
    for (int i = 0; i <= 100; ++i)
        text += "konstr_type" + std::to_string(i) + "=ТС " + std::to_string(i) + "\n";
    loadText(text);
    EXPECT_EQ(catalogue.designTypes.highestIndex, 63u);
    EXPECT_EQ(catalogue.designTypes.entries[63], "ТС 63");
    EXPECT_EQ(catalogue.caseTypes.highestIndex, 63u);  // -1 is the largest unsigned number
    IniFile written(path);
    EXPECT_EQ(written.readInt("KONSTR", "type_line_val", 0), 63);
    EXPECT_EQ(written.readString("KONSTR", "konstr_type64", "?"), "ТС 64");  // left alone
}

TEST_F(Catalogue, ALoadReplacesTheWholeTable) {
    loadText("[KONSTR]\ntype_line_val=2\n");
    loadText("[KONSTR]\ntype_line_val=0\nkonstr_type0=ТП 1\n");
    EXPECT_EQ(catalogue.designTypes.size(), 1u);
    EXPECT_EQ(catalogue.designTypes.entries[0], "ТП 1");
    EXPECT_EQ(catalogue.designTypes.entries[1], "");
}

}  // namespace
}  // namespace m8163
