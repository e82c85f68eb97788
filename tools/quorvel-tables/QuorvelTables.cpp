// quorvel-tables: creates the four shipped table files, dumps a table as UTF-8 text, and checks
// a data directory. See docs/TABLES.md.
#include "GbkToUtf8.h"
#include "data/RecordTable.h"
#include "data/ShippedTables.h"
#include "data/Tables.h"
#include "text/Texts.h"

#include <iostream>
#include <string>
#include <system_error>

namespace {

using namespace quorvel;
namespace fs = std::filesystem;

int usage() {
    std::cerr << "usage: quorvel-tables create DIR   create the four table files in DIR\n"
                 "       quorvel-tables dump FILE    print a table as UTF-8 text\n"
                 "       quorvel-tables check DIR    say whether each table file is usable\n";
    return 2;
}

// A value on one line: tab, line ends and backslash escaped.
std::string escaped(const std::string& utf8) {
    std::string out;
    for (const char c : utf8) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

int create(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    std::string why;
    if (!data::CreateShippedTables(dir, &why)) {
        std::cerr << "quorvel-tables: nothing created: " << why << "\n";
        return 1;
    }
    for (const auto id : data::kAllTables) {
        std::cout << "created " << data::TableFile(dir, id).string() << "\n";
    }
    return 0;
}

int dump(const fs::path& file) {
    std::string why;
    auto table = data::RecordTable::Open(file, &why);
    if (!table || !table->Begin(false)) {
        std::cerr << "quorvel-tables: " << file.string() << " cannot be opened: " << why << "\n";
        return 1;
    }
    std::string line;
    for (const auto& field : table->Fields()) {
        if (!line.empty()) {
            line += '\t';
        }
        line += escaped(tools::GbkToUtf8(field.name));
    }
    std::cout << line << "\n";
    const bool ok = table->ForEachRecord([](const data::RecordView& record) {
        std::string row = record.marked ? "*" : "";
        for (const auto& value : record.values) {
            row += '\t';
            row += escaped(tools::GbkToUtf8(value));
        }
        std::cout << row << "\n";
    });
    table->Commit();
    if (!ok) {
        std::cerr << "quorvel-tables: " << file.string() << ": read failed\n";
        return 1;
    }
    return 0;
}

// Why a table file is not usable by the program; empty when it is.
std::string problemOf(const fs::path& dir, data::TableId id) {
    const auto file = data::TableFile(dir, id);
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        return "missing";
    }
    std::string why;
    auto table = data::RecordTable::Open(file, &why);
    if (!table) {
        return "cannot be opened: " + why;
    }
    const auto& expected = data::ShippedDefinition(id).fields;
    const auto& actual = table->Fields();
    bool same = expected.size() == actual.size();
    for (std::size_t i = 0; same && i < expected.size(); ++i) {
        same = expected[i].name == actual[i].name;
    }
    if (!same) {
        return "fields are not those of this table";
    }
    if (id == data::TableId::Settings &&
        !table->Find(data::Condition::FieldEquals(text::kFieldSettingName.gbk,
                                                  text::kSettingImClientPath.gbk))) {
        return std::string("no record ") + std::string(text::kSettingImClientPath.utf8);
    }
    if (table->IsReadOnly()) {
        return "read-only: the program cannot write it";
    }
    return {};
}

int check(const fs::path& dir) {
    int bad = 0;
    for (const auto id : data::kAllTables) {
        const std::string problem = problemOf(dir, id);
        const auto name = data::TableFile(dir, id).filename().string();
        if (problem.empty()) {
            std::cout << "ok      " << name << "\n";
        } else {
            std::cout << "FAILED  " << name << ": " << problem << "\n";
            ++bad;
        }
    }
    return bad == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return usage();
    }
    const std::string command = argv[1];
    const fs::path target = argv[2];
    if (command == "create") {
        return create(target);
    }
    if (command == "dump") {
        return dump(target);
    }
    if (command == "check") {
        return check(target);
    }
    return usage();
}
