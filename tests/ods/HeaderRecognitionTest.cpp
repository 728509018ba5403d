// Which files are taken as databases, which may be edited, and the errors for the others.
#include <gtest/gtest.h>

#include "HandBuiltDatabase.h"
#include "ods/DatabaseFile.h"
#include "ods/PageCheck.h"
#include "support/ScratchDirectory.h"

namespace onarim::ods {
namespace {

using testing::HandBuiltDatabase;
using onarim::testing::ScratchDirectory;

struct VersionCase {
    const char* name;
    std::uint16_t version;
    std::uint16_t minorOffset;
    std::uint16_t minor;
    const char* ods;
    const char* refusal; // a part of EditRefusal(); "" when editable
};

class VersionTest : public ::testing::TestWithParam<VersionCase> {};

// ODS 11 and 13 are read and reported, never edited; the refusal reaches CheckPages and
// ApplyMends writes nothing.
TEST_P(VersionTest, IsRecognisedAndOnlyOds12IsEdited) {
    const VersionCase& c = GetParam();
    HandBuiltDatabase image;
    image.Put16(0, 18, c.version);
    image.Put16(0, 64, 0);
    image.Put16(0, c.minorOffset, c.minor);
    image.Page(3)[0] = 0xEE; // a garbled header that an ODS 12 check would mend
    ScratchDirectory directory;
    const std::string path = directory.File("version.fdb");
    image.WriteTo(path);

    const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
    EXPECT_EQ(file.Header().OdsText(), c.ods);
    EXPECT_EQ(file.PageCount(), HandBuiltDatabase::kPageCount);
    const std::string refusal = file.Header().EditRefusal();
    const TPageCheck check = CheckPages(path);
    if (*c.refusal == '\0') {
        EXPECT_EQ(refusal, "");
        EXPECT_EQ(check.mends.size(), 1u);
        return;
    }
    EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
    EXPECT_EQ(check.refusal, refusal);
    EXPECT_TRUE(check.NothingToWrite());
    EXPECT_THROW(ApplyMends(path, check), EOdsError);
    TDatabaseFile writable(path, TDatabaseFile::TAccess::ReadWrite);
    EXPECT_THROW(writable.WritePage(3, writable.ReadPage(3)), EOdsError);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionTest,
    ::testing::Values(VersionCase{"Ods11", 0x800B, 62, 2, "11.2", "Firebird 2.x"},
                      VersionCase{"Ods12", 0x800C, 64, 0, "12.0", ""},
                      VersionCase{"Ods12Minor2", 0x800C, 64, 2, "12.2", ""},
                      VersionCase{"Ods12Minor1", 0x800C, 64, 1, "12.1", "minor version"},
                      VersionCase{"Ods13", 0x800D, 64, 1, "13.1", "Firebird 4 or later"}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    std::size_t offset;
    std::uint16_t value;
    const char* refusal;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, HeaderFieldsRefuseEdits) {
    HandBuiltDatabase image;
    image.Put16(0, GetParam().offset, GetParam().value);
    ScratchDirectory directory;
    const std::string path = directory.File("refused.fdb");
    image.WriteTo(path);
    const TPageCheck check = CheckPages(path);
    EXPECT_NE(check.refusal.find(GetParam().refusal), std::string::npos) << check.refusal;
    EXPECT_FALSE(HeaderPageMendable(path));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusalTest,
    ::testing::Values(RefusalCase{"Encrypted", 42, 0x40 | 0x10, "encrypted"},
                      RefusalCase{"BeingEncrypted", 42, 0x04, "encrypted"},
                      RefusalCase{"NbackupStalled", 42, 0x400, "nbackup state stalled"},
                      RefusalCase{"NbackupMerge", 42, 0x800, "nbackup state merge"},
                      RefusalCase{"NextFile", 24, 77, "several files"},
                      RefusalCase{"SecondaryFile", 40, 1, "several files"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadFileCase {
    const char* name;
    std::size_t size;        // bytes of the image kept
    std::uint16_t pageSize;  // written at offset 16
    std::uint16_t version;   // written at offset 18
    const char* message;     // a part of the error
};

class BadFileTest : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(BadFileTest, IsRefusedWithAClearError) {
    HandBuiltDatabase image;
    image.Put16(0, 16, GetParam().pageSize);
    image.Put16(0, 18, GetParam().version);
    image.bytes.resize(GetParam().size);
    ScratchDirectory directory;
    const std::string path = directory.File("bad.fdb");
    image.WriteTo(path);
    try {
        CheckPages(path);
        ADD_FAILURE() << "no error";
    } catch (const EOdsError& error) {
        EXPECT_NE(error.Message().find(GetParam().message), std::string::npos) << error.Message();
        EXPECT_NE(error.Message().find(path), std::string::npos) << error.Message();
    }
    EXPECT_FALSE(HeaderPageMendable(path));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(
        BadFileCase{"ShorterThanOnePage", 3000, 4096, 0x800C, "shorter than one page"},
        BadFileCase{"ShorterThanTheHeader", 10, 4096, 0x800C, "too short"},
        BadFileCase{"Empty", 0, 4096, 0x800C, "too short"},
        BadFileCase{"PageSize2048ForOds12", 36864, 2048, 0x800C, "does not allow"},
        BadFileCase{"PageSize32768ForOds12", 36864, 32768, 0x800C, "does not allow"},
        BadFileCase{"PageSizeZero", 36864, 0, 0x800C, "does not allow"},
        BadFileCase{"InterBaseVersion", 36864, 4096, 0x000C, "not a Firebird database"},
        BadFileCase{"Ods10", 36864, 4096, 0x800A, "not a Firebird database"}),
    [](const auto& info) { return std::string(info.param.name); });

// A header page whose first 16 bytes are garbage is still the header page when its page size
// and version agree with the file: the caller may let it through, the check mends it.
TEST(HeaderPageMendableTest, GarbageStandardHeaderWithAgreeingFields) {
    ScratchDirectory directory;
    const std::string path = directory.File("header.fdb");
    HandBuiltDatabase image;
    EXPECT_FALSE((image.WriteTo(path), HeaderPageMendable(path))) << "a sound header page";

    for (int i = 0; i < 16; ++i) {
        image.Page(0)[i] = static_cast<std::uint8_t>(0xA7 + 13 * i);
    }
    image.WriteTo(path);
    EXPECT_TRUE(HeaderPageMendable(path));
    const TPageCheck check = CheckPages(path);
    ASSERT_EQ(check.mends.size(), 1u);
    EXPECT_EQ(check.mends[0].page, 0u);
    EXPECT_EQ(check.mends[0].written, "type 1 (header) flags 0x00 page 0");
    ApplyMends(path, check);
    EXPECT_FALSE(HeaderPageMendable(path));
    EXPECT_TRUE(CheckPages(path).NothingToWrite());

    image.bytes.resize(image.bytes.size() - 100); // not a whole number of pages
    image.WriteTo(path);
    EXPECT_FALSE(HeaderPageMendable(path));
}

} // namespace
} // namespace onarim::ods
