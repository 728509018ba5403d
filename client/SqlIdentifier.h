#pragma once

#include <string>
#include <string_view>

namespace onarim {

// `name` as a delimited identifier of dialect 3: in double quotes, each double quote inside
// doubled, so any table or column name (blanks, lower case, quotes, any letter) reaches the
// server as itself and never as SQL.
std::string QuoteSqlIdentifier(std::string_view name);

} // namespace onarim
