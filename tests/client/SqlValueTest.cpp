#include <gtest/gtest.h>

#include "client/IBErrors.h"
#include "client/SqlValue.h"

namespace onarim {
namespace {

// Each typed access takes its own types only; NULL and any other type raise client error 38
// rather than reading bytes of one type as another.
TEST(SqlValueTest, TypedAccessRefusesNullAndOtherTypes) {
    const std::vector<TSqlValue> values = {
        TSqlValue::Null(SQL_LONG),
        TSqlValue::Integer(5),
        TSqlValue::Double(2.5),
        TSqlValue::Boolean(true),
        TSqlValue::Text("ş"),
        TSqlValue::BlobId(ISC_QUAD{1, 2}),
        TSqlValue::FromBytes(SQL_LONG, 0, 0, "ab")}; // bytes too few for the type
    using Access = void (*)(const TSqlValue&);
    const std::vector<std::pair<Access, int>> accesses = {
        {[](const TSqlValue& v) { v.AsInteger(); }, 1},
        {[](const TSqlValue& v) { v.AsDouble(); }, 2},
        {[](const TSqlValue& v) { v.AsBoolean(); }, 3},
        {[](const TSqlValue& v) { v.AsText(); }, 4},
        {[](const TSqlValue& v) { v.AsBlobId(); }, 5},
    };
    for (std::size_t a = 0; a < accesses.size(); ++a) {
        for (std::size_t v = 0; v < values.size(); ++v) {
            const bool fits = static_cast<int>(v) == accesses[a].second;
            try {
                accesses[a].first(values[v]);
                EXPECT_TRUE(fits) << "access " << a << " took value " << v;
            } catch (const EIBClientError& error) {
                EXPECT_FALSE(fits) << "access " << a << " refused value " << v;
                EXPECT_EQ(error.Message(), "Invalid data conversion");
            }
        }
    }
}

} // namespace
} // namespace onarim
