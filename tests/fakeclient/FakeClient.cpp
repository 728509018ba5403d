// A stand-in for the Firebird client library, built as "libfbclient.so.2" in several export
// sets (see CMakeLists.txt). The services and status-interpretation entry points, and the
// attach, transaction and statement calls of the SQL layer, follow the script in Control;
// every other entry point only exists so that it can be resolved.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "FakeClientControl.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

fakeclient::Control control;

// Applies the next scripted outcome of `entry` to the status vector and returns its result.
ISC_STATUS Answer(const char* entry, ISC_STATUS* status) {
    std::fill(status, status + ISC_STATUS_LENGTH, 0);
    auto found = control.outcomes.find(entry);
    if (found == control.outcomes.end() || found->second.empty()) {
        status[0] = 1;
        return 0;
    }
    const fakeclient::Outcome outcome = found->second.front();
    found->second.pop_front();
    if (outcome.result > 0) {
        status[0] = 1;
        std::copy_n(outcome.status.begin(),
                    std::min<std::size_t>(outcome.status.size(), ISC_STATUS_LENGTH), status);
        control.nextMessageLine = 0;
    }
    return outcome.result;
}

fakeclient::Call& Record(const char* entry, const FB_API_HANDLE* handle) {
    fakeclient::Call call;
    call.entry = entry;
    call.handle = handle != nullptr ? *handle : 0;
    control.calls.push_back(call);
    return control.calls.back();
}

} // namespace

FAKE_EXPORT fakeclient::Control* fake_client_control() { return &control; }

// --- Services and status interpretation: scripted -------------------------------------------

#ifndef FAKE_WITHOUT_ROLLBACK_RETAINING
FAKE_EXPORT ISC_STATUS isc_rollback_retaining(ISC_STATUS* status, isc_tr_handle*) {
    return Answer("isc_rollback_retaining", status);
}
#endif

FAKE_EXPORT ISC_STATUS isc_service_attach(ISC_STATUS* status, unsigned short nameLength,
                                          const ISC_SCHAR* name, isc_svc_handle* handle,
                                          unsigned short spbLength, const ISC_SCHAR* spb) {
    auto& call = Record("isc_service_attach", handle);
    call.name.assign(name, nameLength);
    call.bytes.assign(spb, spbLength);
    const ISC_STATUS result = Answer("isc_service_attach", status);
    if (result <= 0) {
        *handle = control.attachHandle;
    }
    return result;
}

FAKE_EXPORT ISC_STATUS isc_service_detach(ISC_STATUS* status, isc_svc_handle* handle) {
    Record("isc_service_detach", handle);
    const ISC_STATUS result = Answer("isc_service_detach", status);
    if (result <= 0) {
        *handle = 0;
    }
    return result;
}

FAKE_EXPORT ISC_STATUS isc_service_start(ISC_STATUS* status, isc_svc_handle* handle,
                                         isc_resv_handle*, unsigned short length,
                                         const ISC_SCHAR* request) {
    Record("isc_service_start", handle).bytes.assign(request, length);
    return Answer("isc_service_start", status);
}

FAKE_EXPORT ISC_STATUS isc_service_query(ISC_STATUS* status, isc_svc_handle* handle,
                                         isc_resv_handle*, unsigned short, const ISC_SCHAR*,
                                         unsigned short itemsLength, const ISC_SCHAR* items,
                                         unsigned short bufferLength, ISC_SCHAR* buffer) {
    auto& call = Record("isc_service_query", handle);
    call.bytes.assign(items, itemsLength);
    call.bufferLength = bufferLength;
    const ISC_STATUS result = Answer("isc_service_query", status);
    if (result <= 0 && !control.queryReplies.empty()) {
        const std::string reply = control.queryReplies.front();
        control.queryReplies.pop_front();
        std::memcpy(buffer, reply.data(), std::min<std::size_t>(reply.size(), bufferLength));
    }
    return result;
}

FAKE_EXPORT ISC_LONG isc_sqlcode(const ISC_STATUS*) { return control.sqlCode; }

FAKE_EXPORT ISC_LONG isc_interprete(ISC_SCHAR* buffer, ISC_STATUS** cursor) {
    if (++control.interpreteCalls > control.interpreteCallLimit ||
        control.nextMessageLine >= control.messageLines.size()) {
        buffer[0] = '\0';
        return 0;
    }
    const std::string& line = control.messageLines[control.nextMessageLine];
    std::memcpy(buffer, line.c_str(), line.size() + 1);
    if (control.interpreteCursorStep != 0) {
        ++control.nextMessageLine;
    }
    // As a faulty library would: the cursor may be thrown anywhere, the vector's end included.
    *cursor = reinterpret_cast<ISC_STATUS*>(reinterpret_cast<std::uintptr_t>(*cursor) +
                                            control.interpreteCursorStep * sizeof(ISC_STATUS));
    return static_cast<ISC_LONG>(line.size());
}

// Little-endian like the real client, which also sign-extends the last byte.
FAKE_EXPORT ISC_LONG isc_vax_integer(const ISC_SCHAR* bytes, short length) {
    if (bytes == nullptr || length <= 0 || length > 4) {
        return 0;
    }
    ISC_LONG value = static_cast<signed char>(bytes[length - 1]);
    for (short i = length - 2; i >= 0; --i) {
        value = value * 256 + static_cast<unsigned char>(bytes[i]);
    }
    return value;
}

// --- The SQL layer's attachment, transaction and statement: scripted ------------------------

FAKE_EXPORT ISC_STATUS isc_attach_database(ISC_STATUS* status, short, const ISC_SCHAR*,
                                           isc_db_handle* handle, short, const ISC_SCHAR*) {
    Record("isc_attach_database", handle);
    const ISC_STATUS result = Answer("isc_attach_database", status);
    if (result <= 0) {
        *handle = control.databaseHandle;
    }
    return result;
}

FAKE_EXPORT ISC_STATUS isc_detach_database(ISC_STATUS* status, isc_db_handle* handle) {
    Record("isc_detach_database", handle);
    const ISC_STATUS result = Answer("isc_detach_database", status);
    if (result <= 0) {
        *handle = 0;
        for (FB_API_HANDLE* kept : control.keptStatementHandles) {
            *kept = 0;
            control.statementHandlesZeroedByDetach.push_back(kept);
        }
        control.keptStatementHandles.clear();
    }
    return result;
}

FAKE_EXPORT ISC_STATUS isc_start_multiple(ISC_STATUS* status, isc_tr_handle* handle, short, void*) {
    Record("isc_start_multiple", handle);
    const ISC_STATUS result = Answer("isc_start_multiple", status);
    if (result <= 0) {
        *handle = control.transactionHandle;
    }
    return result;
}

FAKE_EXPORT ISC_STATUS isc_rollback_transaction(ISC_STATUS* status, isc_tr_handle* handle) {
    Record("isc_rollback_transaction", handle);
    const ISC_STATUS result = Answer("isc_rollback_transaction", status);
    if (result <= 0) {
        *handle = 0;
    }
    return result;
}

FAKE_EXPORT ISC_STATUS isc_dsql_alloc_statement2(ISC_STATUS* status, isc_db_handle* database,
                                                 isc_stmt_handle* handle) {
    Record("isc_dsql_alloc_statement2", database);
    const ISC_STATUS result = Answer("isc_dsql_alloc_statement2", status);
    if (result <= 0) {
        *handle = control.statementHandle;
        control.keptStatementHandles.push_back(handle);
    }
    return result;
}

FAKE_EXPORT ISC_STATUS isc_dsql_free_statement(ISC_STATUS* status, isc_stmt_handle* handle,
                                               unsigned short option) {
    Record("isc_dsql_free_statement", handle).bytes = std::to_string(option);
    const ISC_STATUS result = Answer("isc_dsql_free_statement", status);
    if (result <= 0 && (option & DSQL_drop) != 0) {
        std::erase(control.keptStatementHandles, handle);
        *handle = 0;
    }
    return result;
}

FAKE_EXPORT ISC_STATUS isc_dsql_prepare(ISC_STATUS* status, isc_tr_handle*, isc_stmt_handle* handle,
                                        unsigned short length, const ISC_SCHAR* sql, unsigned short,
                                        XSQLDA*) {
    Record("isc_dsql_prepare", handle).bytes = length != 0 ? std::string(sql, length) : sql;
    return Answer("isc_dsql_prepare", status);
}

FAKE_EXPORT ISC_STATUS isc_dsql_describe_bind(ISC_STATUS* status, isc_stmt_handle* handle,
                                              unsigned short, XSQLDA*) {
    Record("isc_dsql_describe_bind", handle);
    return Answer("isc_dsql_describe_bind", status);
}

// --- Everything else: present, never called by the system -----------------------------------

#ifndef FAKE_WITHOUT_BLOB_GET
FAKE_EXPORT int BLOB_get(FB_BLOB_STREAM) { return 0; }
#endif
FAKE_EXPORT int BLOB_put(ISC_SCHAR, FB_BLOB_STREAM) { return 0; }
FAKE_EXPORT void isc_sql_interprete(short, ISC_SCHAR*, short) {}
FAKE_EXPORT ISC_STATUS isc_blob_info(ISC_STATUS*, isc_blob_handle*, short, const ISC_SCHAR*,
                                     short, ISC_SCHAR*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_open_blob2(ISC_STATUS*, isc_db_handle*, isc_tr_handle*,
                                      isc_blob_handle*, ISC_QUAD*, ISC_USHORT, const ISC_UCHAR*) {
    return 0;
}
FAKE_EXPORT ISC_STATUS isc_close_blob(ISC_STATUS*, isc_blob_handle*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_get_segment(ISC_STATUS*, isc_blob_handle*, unsigned short*,
                                       unsigned short, ISC_SCHAR*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_put_segment(ISC_STATUS*, isc_blob_handle*, unsigned short,
                                       const ISC_SCHAR*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_create_blob2(ISC_STATUS*, isc_db_handle*, isc_tr_handle*,
                                        isc_blob_handle*, ISC_QUAD*, short, const ISC_SCHAR*) {
    return 0;
}
FAKE_EXPORT void isc_decode_date(const ISC_QUAD*, void*) {}
FAKE_EXPORT void isc_encode_date(const void*, ISC_QUAD*) {}
FAKE_EXPORT ISC_STATUS isc_dsql_execute2(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*,
                                         unsigned short, const XSQLDA*, const XSQLDA*) {
    return 0;
}
FAKE_EXPORT ISC_STATUS isc_dsql_execute(ISC_STATUS*, isc_tr_handle*, isc_stmt_handle*,
                                        unsigned short, const XSQLDA*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_dsql_set_cursor_name(ISC_STATUS*, isc_stmt_handle*, const ISC_SCHAR*,
                                                unsigned short) { return 0; }
FAKE_EXPORT ISC_STATUS isc_dsql_fetch(ISC_STATUS*, isc_stmt_handle*, unsigned short,
                                      const XSQLDA*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_dsql_sql_info(ISC_STATUS*, isc_stmt_handle*, short, const ISC_SCHAR*,
                                         short, ISC_SCHAR*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_dsql_describe(ISC_STATUS*, isc_stmt_handle*, unsigned short,
                                         XSQLDA*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_dsql_execute_immediate(ISC_STATUS*, isc_db_handle*, isc_tr_handle*,
                                                  unsigned short, const ISC_SCHAR*,
                                                  unsigned short, const XSQLDA*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_drop_database(ISC_STATUS*, isc_db_handle*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_database_info(ISC_STATUS*, isc_db_handle*, short, const ISC_SCHAR*,
                                         short, ISC_SCHAR*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_commit_transaction(ISC_STATUS*, isc_tr_handle*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_commit_retaining(ISC_STATUS*, isc_tr_handle*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_cancel_events(ISC_STATUS*, isc_db_handle*, ISC_LONG*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_que_events(ISC_STATUS*, isc_db_handle*, ISC_LONG*, short,
                                      const ISC_UCHAR*, ISC_EVENT_CALLBACK, void*) { return 0; }
FAKE_EXPORT void isc_event_counts(ISC_ULONG*, short, ISC_UCHAR*, const ISC_UCHAR*) {}
FAKE_EXPORT ISC_LONG isc_event_block(ISC_UCHAR**, ISC_UCHAR**, ISC_USHORT, ...) { return 0; }
FAKE_EXPORT ISC_LONG isc_free(ISC_SCHAR*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_add_user(ISC_STATUS*, const USER_SEC_DATA*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_delete_user(ISC_STATUS*, const USER_SEC_DATA*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_modify_user(ISC_STATUS*, const USER_SEC_DATA*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_prepare_transaction(ISC_STATUS*, isc_tr_handle*) { return 0; }
FAKE_EXPORT ISC_STATUS isc_prepare_transaction2(ISC_STATUS*, isc_tr_handle*, ISC_USHORT,
                                                const ISC_UCHAR*) { return 0; }
FAKE_EXPORT void isc_decode_sql_date(const ISC_DATE*, void*) {}
FAKE_EXPORT void isc_decode_sql_time(const ISC_TIME*, void*) {}
FAKE_EXPORT void isc_decode_timestamp(const ISC_TIMESTAMP*, void*) {}
FAKE_EXPORT void isc_encode_sql_date(const void*, ISC_DATE*) {}
FAKE_EXPORT void isc_encode_sql_time(const void*, ISC_TIME*) {}
#ifndef FAKE_WITHOUT_ENCODE_TIMESTAMP
FAKE_EXPORT void isc_encode_timestamp(const void*, ISC_TIMESTAMP*) {}
#endif
