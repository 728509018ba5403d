// Hostile bytes where the raw reader decodes records: format descriptors, field values,
// differences and blob segments that no engine wrote are refused with a reason, never taken.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ods/BlobReader.h"
#include "ods/FieldDecoder.h"
#include "ods/RecordFormat.h"
#include "ods/TextValidity.h"
#include "ods/VersionWalker.h"

namespace onarim::ods {
namespace {

using TByteVector = std::vector<std::uint8_t>;

void Append16(TByteVector& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append32(TByteVector& bytes, std::uint32_t value) {
    Append16(bytes, static_cast<std::uint16_t>(value));
    Append16(bytes, static_cast<std::uint16_t>(value >> 16));
}

void AppendDescriptor(TByteVector& bytes, TFieldType type, std::uint16_t length,
                      std::uint32_t offset, std::int16_t subType = 0) {
    bytes.push_back(static_cast<std::uint8_t>(type));
    bytes.push_back(0);
    Append16(bytes, length);
    Append16(bytes, static_cast<std::uint16_t>(subType));
    Append16(bytes, 0);
    Append32(bytes, offset);
}

// ID INTEGER @4, NAME VARCHAR(10) UTF8 @8 (42 bytes), and a stored default 7 for ID.
TByteVector SoundDescriptor() {
    TByteVector bytes;
    Append16(bytes, 2);
    AppendDescriptor(bytes, TFieldType::Long, 4, 4);
    AppendDescriptor(bytes, TFieldType::Varying, 42, 8, kCharsetUtf8);
    Append16(bytes, 1);
    Append16(bytes, 0);
    AppendDescriptor(bytes, TFieldType::Long, 4, 0);
    Append32(bytes, 7);
    return bytes;
}

TEST(RecordFormatTest, ADescriptorGivesFieldsLengthAndDefaults) {
    const TRecordFormat format = ParseRecordFormat(SoundDescriptor(), 3);
    ASSERT_EQ(format.fields.size(), 2u);
    EXPECT_EQ(format.length, 50u);
    EXPECT_EQ(format.NullBytes(), 4u);
    EXPECT_EQ(format.fields[1].Charset(), kCharsetUtf8);
    ASSERT_NE(format.DefaultOf(0), nullptr);
    EXPECT_EQ(format.DefaultOf(0)->value, (TByteVector{7, 0, 0, 0}));
}

struct FormatCase {
    const char* name;
    void (*spoil)(TByteVector&);
    const char* says;
};

class HostileFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(HostileFormatTest, IsRefusedWithTheReason) {
    TByteVector bytes = SoundDescriptor();
    GetParam().spoil(bytes);
    try {
        ParseRecordFormat(bytes, 3);
        ADD_FAILURE() << "taken";
    } catch (const EOdsError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().says), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, HostileFormatTest,
    ::testing::Values(
        FormatCase{"Empty", [](TByteVector& b) { b.clear(); }, "a descriptor of 0 bytes"},
        FormatCase{"MoreFieldsThanBytes", [](TByteVector& b) { b[0] = 200; }, "do not fit"},
        FormatCase{"UnknownType", [](TByteVector& b) { b[2] = 13; }, "no field Firebird 3 stores"},
        FormatCase{"IntegerOfTwoBytes", [](TByteVector& b) { b[4] = 2; }, "(type 9, length 2"},
        FormatCase{"FieldOverTheNullBitmap", [](TByteVector& b) { b[10] = 2; }, "offset 2)"},
        FormatCase{"FieldPastTheLargestRecord", [](TByteVector& b) { b[24] = b[25] = 0xFF; },
                   "no field Firebird 3 stores"},
        FormatCase{"NoDefaultCount", [](TByteVector& b) { b.erase(b.begin() + 26, b.end()); },
                   "no count"},
        FormatCase{"DefaultOfNoField", [](TByteVector& b) { b[28] = 5; }, "for no field"},
        FormatCase{"DefaultPastTheEnd", [](TByteVector& b) { b.pop_back(); }, "runs past its end"},
        FormatCase{"BytesAfterTheDefaults", [](TByteVector& b) { b.push_back(0); },
                   "1 bytes after"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ValueCase {
    const char* name;
    TFieldDescriptor descriptor; // at offset 0
    TByteVector bytes;
    const char* says; // empty: a value
};

TByteVector BitsOf(double value) {
    TByteVector bytes(8);
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
}

TByteVector Le32(std::int64_t value) {
    TByteVector bytes;
    Append32(bytes, static_cast<std::uint32_t>(value));
    return bytes;
}

TFieldDescriptor Field(TFieldType type, std::uint16_t length, std::int16_t subType = 0) {
    TFieldDescriptor descriptor;
    descriptor.type = type;
    descriptor.length = length;
    descriptor.subType = subType;
    return descriptor;
}

class FieldValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(FieldValueTest, AValueOfItsTypeOrTheReasonItIsNone) {
    TRawValue value;
    const std::string problem =
        DecodeFieldValue(GetParam().descriptor, GetParam().bytes, 128, value);
    if (*GetParam().says == '\0') {
        EXPECT_EQ(problem, "");
    } else {
        EXPECT_NE(problem.find(GetParam().says), std::string::npos) << problem;
    }
}

const TFieldDescriptor kUtf8Varchar2 = Field(TFieldType::Varying, 2 + 8, kCharsetUtf8);

INSTANTIATE_TEST_SUITE_P(
    Values, FieldValueTest,
    ::testing::Values(
        ValueCase{"FirstDate", Field(TFieldType::Date, 4), Le32(kFirstDate), ""},
        ValueCase{"LastDate", Field(TFieldType::Date, 4), Le32(kLastDate), ""},
        ValueCase{"DateBeforeYearOne", Field(TFieldType::Date, 4), Le32(kFirstDate - 1), "outside"},
        ValueCase{"DateAfter9999", Field(TFieldType::Date, 4), Le32(kLastDate + 1), "outside"},
        ValueCase{"LastTime", Field(TFieldType::Time, 4), Le32(kTimeUnitsPerDay - 1), ""},
        ValueCase{"TimeAtMidnight", Field(TFieldType::Time, 4), Le32(kTimeUnitsPerDay),
                  "past midnight"},
        ValueCase{"TimestampOfBadTime", Field(TFieldType::Timestamp, 8),
                  [] {
                      TByteVector b = Le32(0);
                      for (auto x : Le32(-1))
                          b.push_back(x);
                      return b;
                  }(),
                  "past midnight"},
        ValueCase{"BooleanTwo", Field(TFieldType::Boolean, 1), {2}, "a BOOLEAN of 2"},
        ValueCase{"DoubleNaN", Field(TFieldType::Double, 8),
                  BitsOf(std::numeric_limits<double>::quiet_NaN()), "not a finite number"},
        ValueCase{"DoubleInfinite", Field(TFieldType::Double, 8),
                  BitsOf(std::numeric_limits<double>::infinity()), "not a finite number"},
        ValueCase{"VarcharLongerThanDeclared",
                  Field(TFieldType::Varying, 6),
                  {5, 0, 'a', 'b', 'c', 'd'},
                  "a VARCHAR of 5 bytes where 4"},
        ValueCase{
            "TwoUtf8Characters", kUtf8Varchar2, {4, 0, 0xC4, 0x9F, 0xC3, 0xBC, 0, 0, 0, 0}, ""},
        ValueCase{"ThreeCharactersInTwo",
                  kUtf8Varchar2,
                  {3, 0, 'a', 'b', 'c', 0, 0, 0, 0, 0},
                  "3 characters where 2"},
        ValueCase{"Utf8CutOff", kUtf8Varchar2, {1, 0, 0xC4, 0, 0, 0, 0, 0, 0, 0}, "not UTF-8"},
        ValueCase{"Utf8Overlong", kUtf8Varchar2, {2, 0, 0xC0, 0xAF, 0, 0, 0, 0, 0, 0}, "not UTF-8"},
        ValueCase{
            "Utf8Surrogate", kUtf8Varchar2, {3, 0, 0xED, 0xA0, 0x80, 0, 0, 0, 0, 0}, "not UTF-8"},
        ValueCase{"Utf8CharPaddedWithBlanks",
                  Field(TFieldType::Text, 8, kCharsetUtf8),
                  {0xC4, 0x9F, 'a', ' ', ' ', ' ', ' ', ' '},
                  ""},
        ValueCase{"Win1254IsNotChecked", Field(TFieldType::Varying, 4, 55), {2, 0, 0xF0, 0x81}, ""},
        ValueCase{"BlobOfAnotherRelation",
                  Field(TFieldType::Blob, 8),
                  {129, 0, 0, 0, 5, 0, 0, 0},
                  "relation 129"},
        ValueCase{"EmptyBlobId", Field(TFieldType::Blob, 8), {0, 0, 0, 0, 0, 0, 0, 0}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct DifferenceCase {
    const char* name;
    TByteVector difference;
    std::uint32_t length;
    TByteVector made; // when says is empty
    const char* says;
};

class DifferenceTest : public ::testing::TestWithParam<DifferenceCase> {};

TEST_P(DifferenceTest, MakesTheOlderVersionOrSaysWhyNot) {
    const TByteVector newer = {1, 2, 3, 4, 5, 6};
    TByteVector out;
    const std::string problem =
        ApplyDifference(newer, GetParam().difference, GetParam().length, out);
    if (*GetParam().says == '\0') {
        EXPECT_EQ(problem, "");
        EXPECT_EQ(out, GetParam().made);
    } else {
        EXPECT_NE(problem.find(GetParam().says), std::string::npos) << problem;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Differences, DifferenceTest,
    ::testing::Values(
        DifferenceCase{"KeepWriteKeep", {0xFE, 2, 9, 9, 0xFE}, 6, {1, 2, 9, 9, 5, 6}, ""},
        DifferenceCase{"ShorterOlderFormat", {0xFC}, 4, {1, 2, 3, 4}, ""},
        DifferenceCase{"LongerOlderFormat", {0xFA, 2, 7, 8}, 8, {1, 2, 3, 4, 5, 6, 7, 8}, ""},
        DifferenceCase{"KeepsWhatTheNewerLacks", {0xF8}, 8, {}, "does not have"},
        DifferenceCase{"EndsInsideAWrite", {0xFE, 3, 9}, 6, {}, "ends inside"},
        DifferenceCase{"WritesPastTheFormat", {0xFE, 5, 1, 1, 1, 1, 1}, 6, {}, "writes past"},
        DifferenceCase{"EndsShort", {0xFE}, 6, {}, "makes 2 bytes"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SegmentCase {
    const char* name;
    TByteVector stream;
    std::uint32_t count;
    std::uint32_t length;
    std::uint16_t maxSegment;
    const char* says;
};

class SegmentTest : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentTest, JoinsWhatTheHeaderRecordsOrSaysWhyNot) {
    std::string value;
    const SegmentCase& c = GetParam();
    const std::string problem = JoinSegments(c.stream, c.count, c.length, c.maxSegment, value);
    if (*c.says == '\0') {
        EXPECT_EQ(problem, "");
        EXPECT_EQ(value, "abcde");
    } else {
        EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Segments, SegmentTest,
    ::testing::Values(
        SegmentCase{"TwoSegments", {2, 0, 'a', 'b', 3, 0, 'c', 'd', 'e'}, 2, 5, 3, ""},
        SegmentCase{"EmptySegmentAmongThem", {0, 0, 5, 0, 'a', 'b', 'c', 'd', 'e'}, 2, 5, 5, ""},
        SegmentCase{"LengthsThatDoNotAddUp",
                    {2, 0, 'a', 'b', 3, 0, 'c', 'd', 'e'},
                    2,
                    6,
                    3,
                    "bytes stored for"},
        SegmentCase{
            "SegmentPastTheEnd", {9, 0, 'a', 'b', 'c', 'd', 'e', 0, 0}, 2, 5, 9, "past the end"},
        SegmentCase{"LongerThanTheLongest",
                    {2, 0, 'a', 'b', 3, 0, 'c', 'd', 'e'},
                    2,
                    5,
                    2,
                    "longer than the longest"},
        SegmentCase{"FewerSegmentsThanCounted",
                    {5, 0, 'a', 'b', 'c', 'd', 'e'},
                    2,
                    3,
                    5,
                    "1 segments where the header records 2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8CharactersTest, CountsCharactersOfEveryWidthAndRefusesTheRest) {
    const auto count = [](std::initializer_list<std::uint8_t> bytes) {
        const TByteVector text(bytes);
        return Utf8Characters(text);
    };
    EXPECT_EQ(count({'a', 0xC4, 0x9F, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}), 4u);
    EXPECT_EQ(count({0xF4, 0x90, 0x80, 0x80}), std::nullopt) << "past U+10FFFF";
    EXPECT_EQ(count({0x80}), std::nullopt) << "a continuation byte first";
    EXPECT_EQ(count({0xF8, 0x88, 0x80, 0x80, 0x80}), std::nullopt) << "a five-byte form";
    EXPECT_EQ(count({0xE2, 0x28, 0xA1}), std::nullopt) << "a broken continuation";
}

} // namespace
} // namespace onarim::ods
