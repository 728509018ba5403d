// Hostile bytes where the raw reader decodes records: format descriptors, field values,
// differences and blob segments that no engine wrote are refused with a reason, never taken.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ods/BlobReader.h"
#include "ods/FieldDecoder.h"
#include "ods/RecordFormat.h"
#include "ods/VersionWalker.h"

namespace onarim::ods {
namespace {

using TByteVector = std::vector<std::uint8_t>;

// Two fields, ID INTEGER @4 and NAME VARCHAR(10) UTF8 @8 (42 bytes), then a stored default 7
// for ID: the layout of RDB$FORMATS.RDB$DESCRIPTOR.
const TByteVector kDescriptor = {
    2, 0,                                                   // field count
    9, 0, 4,  0, 0, 0, 0, 0, 4, 0, 0, 0,                    // INTEGER, length 4, offset 4
    3, 0, 42, 0, 4, 0, 0, 0, 8, 0, 0, 0,                    // VARCHAR, UTF8, length 42, offset 8
    1, 0,                                                   // one stored default
    0, 0, 9,  0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0}; // for field 0: INTEGER 7

TEST(RecordFormatTest, ADescriptorGivesFieldsLengthAndDefaults) {
    const TRecordFormat format = ParseRecordFormat(kDescriptor, 3);
    ASSERT_EQ(format.fields.size(), 2u);
    EXPECT_EQ(format.length, 50u);
    EXPECT_EQ(format.NullBytes(), 4u);
    EXPECT_EQ(format.fields[1].Charset(), kCharsetUtf8);
    ASSERT_NE(format.DefaultOf(0), nullptr);
    EXPECT_EQ(format.DefaultOf(0)->value, (TByteVector{7, 0, 0, 0}));
}

TEST(DifferenceTest, RebuildsAnOlderVersionOfAnyFormatLength) {
    const TByteVector newer = {1, 2, 3, 4, 5, 6};
    TByteVector out;
    EXPECT_EQ(ApplyDifference(newer, TByteVector{0xFE, 2, 9, 9, 0xFE}, 6, out), "");
    EXPECT_EQ(out, (TByteVector{1, 2, 9, 9, 5, 6}));
    EXPECT_EQ(ApplyDifference(newer, TByteVector{0xFC}, 4, out), "");
    EXPECT_EQ(out, (TByteVector{1, 2, 3, 4}));
    EXPECT_EQ(ApplyDifference(newer, TByteVector{0xFA, 2, 7, 8}, 8, out), "");
    EXPECT_EQ(out, (TByteVector{1, 2, 3, 4, 5, 6, 7, 8}));
}

// One piece of hostile input: what the function under test says of it ("" = taken).
struct HostileCase {
    const char* name;
    std::function<std::string()> verdict;
    const char* says; // words of the reason; "" for input that is sound
};

std::string Format(std::function<void(TByteVector&)> spoil) {
    TByteVector bytes = kDescriptor;
    spoil(bytes);
    try {
        ParseRecordFormat(bytes, 3);
        return {};
    } catch (const EOdsError& error) {
        return error.what();
    }
}

std::string Value(TFieldType type, std::uint16_t length, TByteVector bytes,
                  std::int16_t subType = 0) {
    TFieldDescriptor descriptor;
    descriptor.type = type;
    descriptor.length = length;
    descriptor.subType = subType;
    TRawValue value;
    return DecodeFieldValue(descriptor, bytes, 128, value);
}

TByteVector Le32(std::int64_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

TByteVector DoubleBits(double value) {
    TByteVector bytes(8);
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
}

std::string Utf8(TByteVector text) {
    text.insert(text.begin(), {static_cast<std::uint8_t>(text.size()), 0});
    text.resize(10, 0);
    return Value(TFieldType::Varying, 10, text, kCharsetUtf8); // VARCHAR(2) in UTF8
}

std::string Difference(TByteVector difference, std::uint32_t length) {
    TByteVector out;
    return ApplyDifference({1, 2, 3, 4, 5, 6}, difference, length, out);
}

std::string Segments(TByteVector stream, std::uint32_t count, std::uint32_t length,
                     std::uint16_t longest) {
    std::string value;
    return JoinSegments(stream, count, length, longest, value);
}

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInputTest, IsRefusedWithItsReasonAndSoundInputTaken) {
    const std::string verdict = GetParam().verdict();
    if (*GetParam().says == '\0') {
        EXPECT_EQ(verdict, "");
    } else {
        EXPECT_NE(verdict.find(GetParam().says), std::string::npos) << verdict;
    }
}

using T = TFieldType;
using B = TByteVector;

INSTANTIATE_TEST_SUITE_P(
    Decoding, HostileInputTest,
    ::testing::Values(
        // Format descriptors.
        HostileCase{"EmptyDescriptor", [] { return Format([](B& b) { b.clear(); }); },
                    "a descriptor of 0 bytes"},
        HostileCase{"MoreFieldsThanBytes", [] { return Format([](B& b) { b[0] = 200; }); },
                    "do not fit"},
        HostileCase{"UnknownType", [] { return Format([](B& b) { b[2] = 13; }); },
                    "no field Firebird 3 stores"},
        HostileCase{"IntegerOfTwoBytes", [] { return Format([](B& b) { b[4] = 2; }); },
                    "(type 9, length 2"},
        HostileCase{"FieldOverTheNullBitmap", [] { return Format([](B& b) { b[10] = 2; }); },
                    "offset 2)"},
        HostileCase{"FieldPastTheLargestRecord",
                    [] { return Format([](B& b) { b[24] = b[25] = 0xFF; }); }, "offset"},
        HostileCase{"NoDefaultCount",
                    [] { return Format([](B& b) { b.erase(b.begin() + 26, b.end()); }); },
                    "no count"},
        HostileCase{"DefaultOfNoField", [] { return Format([](B& b) { b[28] = 5; }); },
                    "for no field"},
        HostileCase{"DefaultPastTheEnd", [] { return Format([](B& b) { b.pop_back(); }); },
                    "runs past its end"},
        HostileCase{"BytesAfterTheDefaults", [] { return Format([](B& b) { b.push_back(0); }); },
                    "1 bytes after"},
        // Field values: the edges of each type taken, a step past them refused.
        HostileCase{"FirstDate", [] { return Value(T::Date, 4, Le32(kFirstDate)); }, ""},
        HostileCase{"LastDate", [] { return Value(T::Date, 4, Le32(kLastDate)); }, ""},
        HostileCase{"DateBeforeYearOne", [] { return Value(T::Date, 4, Le32(kFirstDate - 1)); },
                    "outside"},
        HostileCase{"DateAfter9999", [] { return Value(T::Date, 4, Le32(kLastDate + 1)); },
                    "outside"},
        HostileCase{"LastTime", [] { return Value(T::Time, 4, Le32(kTimeUnitsPerDay - 1)); }, ""},
        HostileCase{"TimeAtMidnight", [] { return Value(T::Time, 4, Le32(kTimeUnitsPerDay)); },
                    "past midnight"},
        HostileCase{"TimestampOfBadTime",
                    [] {
                        return Value(T::Timestamp, 8, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
                    },
                    "past midnight"},
        HostileCase{"BooleanTwo", [] { return Value(T::Boolean, 1, {2}); }, "a BOOLEAN of 2"},
        HostileCase{"DoubleNaN",
                    [] {
                        return Value(T::Double, 8,
                                     DoubleBits(std::numeric_limits<double>::quiet_NaN()));
                    },
                    "not a finite number"},
        HostileCase{
            "DoubleInfinite",
            [] { return Value(T::Double, 8, DoubleBits(std::numeric_limits<double>::infinity())); },
            "not a finite number"},
        HostileCase{"VarcharLongerThanDeclared",
                    [] {
                        return Value(T::Varying, 6, {5, 0, 'a', 'b', 'c', 'd'});
                    },
                    "a VARCHAR of 5 bytes where 4"},
        HostileCase{"TwoUtf8Characters",
                    [] {
                        return Utf8({0xC4, 0x9F, 0xF0, 0x9F, 0x98, 0x80});
                    },
                    ""},
        HostileCase{"ThreeCharactersInTwo",
                    [] {
                        return Utf8({'a', 'b', 'c'});
                    },
                    "3 characters where 2"},
        HostileCase{"Utf8CutOff", [] { return Utf8({0xC4}); }, "not UTF-8"},
        HostileCase{"Utf8Overlong",
                    [] {
                        return Utf8({0xC0, 0xAF});
                    },
                    "not UTF-8"},
        HostileCase{"Utf8Surrogate",
                    [] {
                        return Utf8({0xED, 0xA0, 0x80});
                    },
                    "not UTF-8"},
        HostileCase{"Utf8PastTheLastCodePoint",
                    [] {
                        return Utf8({0xF4, 0x90, 0x80, 0x80});
                    },
                    "not UTF-8"},
        HostileCase{
            "Utf8CharPaddedWithBlanks",
            [] {
                return Value(T::Text, 8, {0xC4, 0x9F, 'a', ' ', ' ', ' ', ' ', ' '}, kCharsetUtf8);
            },
            ""},
        HostileCase{"Win1254IsNotChecked",
                    [] {
                        return Value(T::Varying, 4, {2, 0, 0xF0, 0x81}, 55);
                    },
                    ""},
        HostileCase{"BlobOfAnotherRelation",
                    [] {
                        return Value(T::Blob, 8, {129, 0, 0, 0, 5, 0, 0, 0});
                    },
                    "relation 129"},
        HostileCase{"EmptyBlobId", [] { return Value(T::Blob, 8, B(8, 0)); }, ""},
        // Differences applied to the newer version 1 2 3 4 5 6.
        HostileCase{"KeepsWhatTheNewerLacks", [] { return Difference({0xF8}, 8); },
                    "does not have"},
        HostileCase{"EndsInsideAWrite",
                    [] {
                        return Difference({0xFE, 3, 9}, 6);
                    },
                    "ends inside"},
        HostileCase{"WritesPastTheFormat",
                    [] {
                        return Difference({0xFE, 5, 1, 1, 1, 1, 1}, 6);
                    },
                    "writes past"},
        HostileCase{"EndsShort", [] { return Difference({0xFE}, 6); }, "makes 2 bytes"},
        // Blob segments: u16 length, bytes; against the header's count, length, longest.
        HostileCase{"TwoSegments",
                    [] {
                        return Segments({2, 0, 'a', 'b', 3, 0, 'c', 'd', 'e'}, 2, 5, 3);
                    },
                    ""},
        HostileCase{"LengthsThatDoNotAddUp",
                    [] {
                        return Segments({2, 0, 'a', 'b', 3, 0, 'c', 'd', 'e'}, 2, 6, 3);
                    },
                    "bytes stored for"},
        HostileCase{"SegmentPastTheEnd",
                    [] {
                        return Segments({9, 0, 'a', 'b', 'c', 'd', 'e', 0, 0}, 2, 5, 9);
                    },
                    "past the end"},
        HostileCase{"LongerThanTheLongest",
                    [] {
                        return Segments({2, 0, 'a', 'b', 3, 0, 'c', 'd', 'e'}, 2, 5, 2);
                    },
                    "longer than the longest"},
        HostileCase{"FewerSegmentsThanCounted",
                    [] {
                        return Segments({5, 0, 'a', 'b', 'c', 'd', 'e'}, 2, 3, 5);
                    },
                    "1 segments where the header records 2"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace onarim::ods
