#pragma once

#include <string>

namespace onarim {

// A column of a statement's result, or one of its parameters, as the server describes it.
// Names come through the descriptor area, which cuts them at 31 bytes.
struct TSqlColumn {
    std::string name;     // the column's (or expression's) name
    std::string alias;    // its name in the select list
    std::string relation; // its table, empty for an expression
    short sqlType = 0;    // SQL_LONG, SQL_VARYING, ... without the nullable flag
    short scale = 0;
    short subType = 0; // blob subtype; character set for CHAR and VARCHAR
    short length = 0;  // bytes of its data (of its characters for CHAR and VARCHAR)
    bool nullable = false;
};

} // namespace onarim
