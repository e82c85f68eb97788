// The four table files as shipped with the program: their fields in file order, the maximum
// length of each field, the indexed fields and the records they start with.
#pragma once

#include "data/RecordTable.h"
#include "data/Tables.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::data {

struct TableDefinition {
    std::vector<FieldDefinition> fields;
    std::vector<std::string> indexed;              // field names (GBK)
    std::vector<std::vector<std::string>> records; // initial records, values in field order
};

const TableDefinition& ShippedDefinition(TableId table);

// All four tables.
inline constexpr TableId kAllTables[] = {TableId::Watched, TableId::Stock, TableId::Delivered,
                                         TableId::Settings};

// Creates one shipped table file in the directory; refuses an existing file.
bool CreateShippedTable(const std::filesystem::path& dataDirectory, TableId table,
                        std::string* whyNot = nullptr);

// Creates all four files. Refuses, creating none, when any of them exists already.
bool CreateShippedTables(const std::filesystem::path& dataDirectory, std::string* whyNot = nullptr);

} // namespace quorvel::data
