#pragma once
// Typed reads and writes of the drawing's header variables ($CLAYER, $UCSORG, ...).

#include <optional>
#include <string>
#include <string_view>

#include "db/database.h"
#include "db/object_fields.h"

namespace kx::db {

std::optional<double> headerReal(const Database& db, std::string_view name);
std::optional<long long> headerInteger(const Database& db, std::string_view name);
std::optional<std::wstring> headerString(const Database& db, std::string_view name);
// x, y and z from groups 10, 20 and 30 (z 0 when the variable has none).
std::optional<Point3> headerPoint(const Database& db, std::string_view name);

void setHeaderReal(Database& db, std::string_view name, double value);  // group 40
void setHeaderInteger(Database& db, std::string_view name, int code, long long value);
void setHeaderString(Database& db, std::string_view name, int code, std::wstring_view value);
// Writes groups 10, 20, 30, adding the variable at the end of the header when it is missing.
void setHeaderPoint(Database& db, std::string_view name, const Point3& p);

}  // namespace kx::db
