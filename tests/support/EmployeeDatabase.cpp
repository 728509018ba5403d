#include "support/EmployeeDatabase.h"

#include "support/FirebirdTools.h"
#include "support/FixtureError.h"

namespace onarim::testing {

namespace {

// The script makes its database in the current directory.
constexpr const char* kScriptCreate = "create database 'employee.fdb';";

} // namespace

void CreateEmployeeDatabase(const std::string& path) {
    const ToolResult unpacked = RunTool({"gzip", "-dc", kEmployeeScript});
    if (!unpacked.Succeeded()) {
        throw FixtureError("cannot read the example script: " + unpacked.Describe());
    }
    std::string script = unpacked.output;
    const std::size_t create = script.find(kScriptCreate);
    if (create == std::string::npos) {
        throw FixtureError(std::string("the example script no longer holds ") + kScriptCreate);
    }
    script.replace(create, std::char_traits<char>::length(kScriptCreate),
                   "CREATE DATABASE " + SqlLiteral(path) + " USER 'SYSDBA' PASSWORD " +
                       SqlLiteral(kSysdbaPassword) + ";");
    RunIsqlScript(script);
}

std::vector<std::string> EmployeeTables() {
    return {"COUNTRY", "CUSTOMER", "DEPARTMENT",       "EMPLOYEE",       "EMPLOYEE_PROJECT",
            "JOB",     "PROJECT",  "PROJ_DEPT_BUDGET", "SALARY_HISTORY", "SALES"};
}

} // namespace onarim::testing
