// Blob values read raw byte for byte as the engine gives them through the client library:
// stream blobs, which only a blob parameter block asking for one makes (isql cannot), and
// segmented ones of odd segment lengths that cross page ends, each at levels 0, 1 and 2.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "client/ClientCall.h"
#include "client/ClientEntryPoints.h"
#include "client/SqlAttachment.h"
#include "client/SqlBlob.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "client/SqlValue.h"
#include "client/StatusVector.h"
#include "ods/RawTableReader.h"
#include "support/FirebirdTools.h"
#include "support/FixtureError.h"
#include "support/ScratchDirectory.h"

namespace onarim::ods {
namespace {

using namespace onarim::testing;

struct BlobCase {
    int id;
    bool stream;
    std::size_t size;
    std::size_t segment; // bytes per isc_put_segment
};

// At 4096-byte pages a blob past (4096 - 64) / 4 pages, about 4.1 MB, is of level 2.
const BlobCase kBlobs[] = {
    {1, true, 100, 100},     {2, true, 30000, 4000},      {3, true, 4300000, 65535},
    {4, false, 100, 7},      {5, false, 30000, 1001},     {6, false, 4300000, 65535},
    {7, true, 0, 1},         {8, false, 0, 1},
};

std::string BytesOf(const BlobCase& blob) {
    std::mt19937 random(static_cast<unsigned>(blob.id));
    std::string bytes(blob.size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

ISC_QUAD CreateBlob(TSqlTransaction& transaction, const BlobCase& blob, const std::string& bytes) {
    const auto& client = ClientEntryPoints();
    const char streamBlob[] = {isc_bpb_version1, isc_bpb_type, 1, isc_bpb_type_stream};
    isc_blob_handle handle = 0;
    ISC_QUAD id{};
    CheckClientCall(client.isc_create_blob2(
        ThreadStatusVector(), transaction.Attachment().Handle(), transaction.Handle(), &handle, &id,
        blob.stream ? sizeof streamBlob : 0, blob.stream ? streamBlob : nullptr));
    for (std::size_t at = 0; at < bytes.size(); at += blob.segment) {
        const std::size_t length = std::min(blob.segment, bytes.size() - at);
        CheckClientCall(client.isc_put_segment(ThreadStatusVector(), &handle,
                                               static_cast<unsigned short>(length),
                                               bytes.data() + at));
    }
    CheckClientCall(client.isc_close_blob(ThreadStatusVector(), &handle));
    return id;
}

TEST(RawBlobTest, StreamAndSegmentedBlobsOfEveryLevelByteForByte) {
    ScratchDirectory directory;
    const std::string path = directory.File("blobs.fdb");
    RunIsqlScript("CREATE DATABASE " + SqlLiteral(path) + " USER 'SYSDBA' PASSWORD " +
                  SqlLiteral(kSysdbaPassword) + " PAGE_SIZE 4096;\n"
                  "CREATE TABLE BLOBS (ID INTEGER NOT NULL, B BLOB SUB_TYPE BINARY);\n");
    const ToolResult async =
        RunTool({"gfix", "-write", "async", "-user", "SYSDBA", "-password", kSysdbaPassword, path});
    if (!async.Succeeded()) {
        throw FixtureError("cannot turn off forced writes: " + async.Describe());
    }
    std::map<int, std::string> written;
    std::map<int, std::string> engine;
    {
        TSqlAttachment attachment(path, "SYSDBA", kSysdbaPassword);
        TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadWriteSnapshot);
        TSqlStatement insert(transaction, "INSERT INTO BLOBS VALUES (?, ?)");
        for (const BlobCase& blob : kBlobs) {
            written[blob.id] = BytesOf(blob);
            insert.Execute({TSqlValue::Integer(blob.id),
                            TSqlValue::BlobId(CreateBlob(transaction, blob, written[blob.id]))});
        }
        transaction.Commit();
        TSqlTransaction reading(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
        TSqlStatement select(reading, "SELECT ID, B FROM BLOBS");
        select.Execute();
        while (select.Fetch()) {
            TSqlBlob value(reading, select.Value(1).AsBlobId());
            engine[static_cast<int>(select.Value(0).AsInteger())] = value.ReadAll();
        }
    }
    ASSERT_EQ(engine, written) << "what the engine gives is what was written";

    const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
    std::map<int, std::string> raw;
    const TRawReadSummary summary =
        ReadRawRows(file, "BLOBS", {.pages = {}, .readBlobs = true}, [&](const TRawRow& row) {
            EXPECT_TRUE(row.fields[1].blobRead) << row.fields[1].blobProblem;
            raw[static_cast<int>(row.fields[0].integer)] = row.fields[1].bytes;
        });
    EXPECT_TRUE(summary.problems.empty()) << summary.problems.front().Describe();
    ASSERT_EQ(raw.size(), written.size());
    for (const auto& [id, bytes] : written) {
        EXPECT_TRUE(raw[id] == bytes) << "blob " << id << ": " << raw[id].size() << " bytes read, "
                                      << bytes.size() << " written";
    }
}

} // namespace
} // namespace onarim::ods
