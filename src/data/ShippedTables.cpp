#include "data/ShippedTables.h"

#include "text/Texts.h"

#include <system_error>

namespace quorvel::data {

namespace {

using namespace quorvel::text;

// Generous lengths: a name or a nick is short, a card text or a note may be long, a path longer.
constexpr std::int32_t kName = 255;
constexpr std::int32_t kLong = 1024;
constexpr std::int32_t kNumber = 16;
constexpr std::int32_t kOrder = 64;
constexpr std::int32_t kTime = 64;
constexpr std::int32_t kPath = 4096;

FieldDefinition field(const FixedText& name, std::int32_t length) {
    return {std::string(name.gbk), length};
}

TableDefinition watched() {
    return {{field(kFieldItemName, kName), field(kFieldItemNote, kLong),
             field(kFieldPurchaseLimit, kNumber), field(kFieldNeedsCards, kNumber)},
            {std::string(kFieldItemName.gbk)},
            {}};
}

TableDefinition stock() {
    return {{field(kFieldItemName, kName), field(kFieldCardNumber, kLong),
             field(kFieldCardPassword, kLong)},
            {std::string(kFieldItemName.gbk)},
            {}};
}

TableDefinition delivered() {
    return {{field(kFieldItemName, kName), field(kFieldOrderNumber, kOrder),
             field(kFieldBuyerNick, kName), field(kFieldQuantity, kNumber),
             field(kFieldSentCardNumber, kLong), field(kFieldSentCardPassword, kLong),
             field(kFieldSentRemark, kLong), field(kFieldDeliveredAt, kTime)},
            {std::string(kFieldOrderNumber.gbk)},
            {}};
}

TableDefinition settings() {
    return {{field(kFieldSettingName, kName), field(kFieldSettingValue, kPath)},
            {std::string(kFieldSettingName.gbk)},
            {{std::string(kSettingImClientPath.gbk), std::string()}}};
}

} // namespace

const TableDefinition& ShippedDefinition(TableId table) {
    static const TableDefinition kWatched = watched();
    static const TableDefinition kStock = stock();
    static const TableDefinition kDelivered = delivered();
    static const TableDefinition kSettings = settings();
    switch (table) {
    case TableId::Watched:
        return kWatched;
    case TableId::Stock:
        return kStock;
    case TableId::Delivered:
        return kDelivered;
    case TableId::Settings:
        break;
    }
    return kSettings;
}

bool CreateShippedTable(const std::filesystem::path& dataDirectory, TableId table,
                        std::string* whyNot) {
    const auto& definition = ShippedDefinition(table);
    return RecordTable::Create(TableFile(dataDirectory, table), definition.fields,
                               definition.indexed, definition.records, whyNot);
}

bool CreateShippedTables(const std::filesystem::path& dataDirectory, std::string* whyNot) {
    for (const TableId table : kAllTables) {
        std::error_code ec;
        const auto file = TableFile(dataDirectory, table);
        if (std::filesystem::exists(file, ec) || ec) {
            if (whyNot != nullptr) {
                *whyNot = file.string() + ": file exists";
            }
            return false;
        }
    }
    for (const TableId table : kAllTables) {
        std::string reason;
        if (!CreateShippedTable(dataDirectory, table, &reason)) {
            if (whyNot != nullptr) {
                *whyNot = TableFile(dataDirectory, table).string() + ": " + reason;
            }
            return false;
        }
    }
    return true;
}

} // namespace quorvel::data
