// Drives the interpretation of status vectors: fuzzed vectors laid out as the client library
// writes them (error codes, warnings, string, counted-string, number, operating-system and
// already-interpreted arguments, SQL states, within the 20 words and ended by isc_arg_end),
// interpreted by the real Firebird client library, and fuzzed client error codes and
// arguments.
//
// Properties:
// - any such vector gives EIBInterBaseError, or EIBInterBaseRoleError exactly for SQL code
//   -551, carrying the library's SQL code for it, word 1 as the status code and every error
//   code of the vector in order (arguments and warnings stepped over); the message
//   holds no zero byte, starts with the SQL code line when that option is on, holds every
//   line that the library makes of the vector (the last without its full stop) and nothing
//   but those lines and their breaks;
// - any client error code and arguments give EIBClientError with that code and status code 0,
//   a code outside 0..119 the text of code 0, and a string argument shows in a text with %s.

#include <algorithm>
#include <vector>

#include "FuzzCheck.h"
#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "client/ClientErrorTexts.h"
#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "client/IBErrors.h"
#include "client/StatusVector.h"

namespace onarim {
namespace {

using fuzz::Check;
using fuzz::FuzzInput;

// Message codes that the server sends, so that the fuzzer meets real texts with arguments.
constexpr ISC_STATUS kKnownCodes[] = {
    335544344, // I/O error during "@1" operation for file "@2"
    335544345, // lock conflict
    335544352, // no permission for @1 access to @2 @3
    335544472, // Your user name and password are not defined
    335544559, // service is not defined
    335740952, // Summary of validation errors
    335544382, // @1 (a text of its own)
    335544436, // SQL error code = @1
};

// Fills the thread's status vector from the input; `texts` keeps the strings it points at.
// Returns the error codes (isc_arg_gds items) in order.
std::vector<std::int32_t> FillStatusVector(FuzzInput& input, std::vector<std::string>& texts) {
    ISC_STATUS* vector = ThreadStatusVector();
    std::fill(vector, vector + kStatusVectorLength, 0);
    texts.reserve(kStatusVectorLength);
    auto text = [&]() -> const std::string& {
        std::string bytes = input.Bytes(input.Byte() % 64);
        std::erase(bytes, '\0');
        texts.push_back(bytes);
        return texts.back();
    };
    auto code = [&]() -> ISC_STATUS {
        const std::uint8_t pick = input.Byte();
        if (pick & 1) {
            return kKnownCodes[(pick >> 1) % std::size(kKnownCodes)];
        }
        return static_cast<ISC_STATUS>(input.Uint32());
    };

    std::vector<std::int32_t> errorCodes;
    std::size_t at = 0;
    vector[at++] = isc_arg_gds;
    vector[at++] = code();
    errorCodes.push_back(static_cast<std::int32_t>(vector[1]));
    // Each argument takes at most three words, and one word is left for isc_arg_end.
    while (!input.Empty() && at + 3 < kStatusVectorLength) {
        switch (input.Byte() % 8) {
        case 0:
            vector[at++] = isc_arg_gds;
            vector[at++] = code();
            errorCodes.push_back(static_cast<std::int32_t>(vector[at - 1]));
            break;
        case 1:
            vector[at++] = isc_arg_warning;
            vector[at++] = code();
            break;
        case 2:
            vector[at++] = isc_arg_string;
            vector[at++] = reinterpret_cast<ISC_STATUS>(text().c_str());
            break;
        case 3: {
            const std::string& counted = text();
            vector[at++] = isc_arg_cstring;
            vector[at++] = static_cast<ISC_STATUS>(counted.size());
            vector[at++] = reinterpret_cast<ISC_STATUS>(counted.data());
            break;
        }
        case 4:
            vector[at++] = isc_arg_number;
            vector[at++] = static_cast<std::int32_t>(input.Uint32());
            break;
        case 5:
            vector[at++] = isc_arg_unix;
            vector[at++] = input.Byte();
            break;
        case 6:
            vector[at++] = isc_arg_sql_state;
            vector[at++] = reinterpret_cast<ISC_STATUS>(text().c_str());
            break;
        default: {
            const std::string& line = text();
            vector[at++] = isc_arg_interpreted;
            vector[at++] = reinterpret_cast<ISC_STATUS>(line.c_str());
            break;
        }
        }
    }
    vector[at] = isc_arg_end;
    return errorCodes;
}

// The lines the library makes of the thread's status vector, read from a copy of it.
std::vector<std::string> MessageLines() {
    ISC_STATUS copy[kStatusVectorLength];
    std::copy_n(ThreadStatusVector(), kStatusVectorLength, copy);
    std::vector<std::string> lines;
    std::vector<char> buffer(kInterpreteBufferSize);
    const ISC_STATUS* cursor = copy;
    while (ClientEntryPoints().isc_interprete(buffer.data(), const_cast<ISC_STATUS**>(&cursor)) >
           0) {
        lines.emplace_back(buffer.data());
    }
    return lines;
}

void InterpretStatusVector(FuzzInput& input) {
    static const bool loaded = (EnsureClientLibrary(), true);
    (void)loaded;
    DatabaseErrorOptions options;
    options.IncludeSqlCode = input.Byte() & 1;
    SetDatabaseErrorOptions(options);
    std::vector<std::string> texts;
    const std::vector<std::int32_t> errorCodes = FillStatusVector(input, texts);
    const ISC_STATUS* vector = ThreadStatusVector();
    const auto statusCode = static_cast<std::int32_t>(vector[1]);
    const auto sqlCode = static_cast<std::int32_t>(ClientEntryPoints().isc_sqlcode(vector));
    const std::vector<std::string> lines = MessageLines();

    auto checkError = [&](const EIBError& error, bool roleError) {
        Check(roleError == (sqlCode == -551), "a role error exactly for SQL code -551");
        Check(error.SqlErrorCode() == sqlCode, "the error carries the library's SQL code");
        Check(error.StatusErrorCode() == statusCode, "the error carries word 1");
        Check(error.StatusCodes() == errorCodes, "the error carries every error code in order");
        const std::string& message = error.Message();
        Check(message.find('\0') == std::string::npos, "the message holds no zero byte");
        Check(!options.IncludeSqlCode ||
                  message.starts_with("SQLCODE: " + std::to_string(sqlCode) + "\r\n"),
              "the SQL code line comes first when asked for");
        std::size_t room = message.size();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string line = lines[i];
            if (i + 1 == lines.size() && line.back() == '.') {
                line.pop_back(); // the last line loses its full stop
            }
            Check(message.find(line) != std::string::npos, "every line reaches the message");
            room -= std::min(room, line.size());
        }
        Check(room <= 2 * lines.size() + (options.IncludeSqlCode ? 24 : 0),
              "the message is the lines and their breaks, nothing more");
    };
    try {
        RaiseDatabaseError();
    } catch (const EIBInterBaseRoleError& error) {
        checkError(error, true);
        return;
    } catch (const EIBInterBaseError& error) {
        checkError(error, false);
        return;
    } catch (const std::exception& error) {
        fuzz::Unexpected(error.what());
    }
    Check(false, "RaiseDatabaseError raises");
}

void FormatAnyClientError(FuzzInput& input) {
    const auto code = static_cast<int>(input.Uint32());
    const std::string text = input.Until('\0');
    const auto number = static_cast<std::int64_t>(input.Uint32());
    try {
        if (input.Byte() & 1) {
            RaiseClientError(code, {text, number});
        } else {
            RaiseClientError(code, {number, text});
        }
    } catch (const EIBClientError& error) {
        Check(error.SqlErrorCode() == code, "a client error carries its code");
        Check(error.StatusErrorCode() == 0, "a client error has status code 0");
        const int textCode = code >= 0 && code < kClientErrorCount ? code : 0;
        const std::string_view pattern = ClientErrorTexts[textCode];
        if (pattern.find('%') == std::string_view::npos) {
            Check(error.Message() == pattern, "a text without placeholders is kept as it is");
        } else if (pattern.find("%s") != std::string_view::npos) {
            Check(error.Message().find(text) != std::string::npos ||
                      error.Message().find(std::to_string(number)) != std::string::npos,
                  "an argument shows in a text with %s");
        }
        return;
    }
    Check(false, "RaiseClientError raises");
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    onarim::fuzz::FuzzInput input(data, size);
    if (input.Byte() % 4 == 0) {
        onarim::FormatAnyClientError(input);
    } else {
        onarim::InterpretStatusVector(input);
    }
    return 0;
}
