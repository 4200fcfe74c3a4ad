#pragma once

#include <array>

namespace zanvor {

// One statement of the database schema: the table or index it creates and its SQL text.
struct SchemaStatement {
    const char* name;
    const char* sql;
};

inline constexpr int kSchemaTableCount = 18;
inline constexpr int kSchemaIndexCount = 14;

// Every statement that creates a new database, in the order they run: each table, followed
// directly by its index when it has one.
extern const std::array<SchemaStatement, kSchemaTableCount + kSchemaIndexCount> kSchemaStatements;

}  // namespace zanvor
