// The manual page against the command table: every command is documented
// under its code and full name, with as many parameters as it prompts for
// and the defaults it really takes.
#include <fstream>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "commands/commands.h"

namespace {

std::vector<std::string> manlines()
{
    std::vector<std::string> lines;
    std::ifstream in(KEL_MANPAGE);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The fields of a '|'-separated default string.
std::vector<std::string> fields(const std::string &s)
{
    std::vector<std::string> out;
    std::string field;
    for (char c : s) {
        if (c == '|') {
            out.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    out.push_back(field);
    return out;
}

struct documented {
    std::vector<std::string> defaults;   // per parameter: what follows '=', or ""
};

// Reads the parameters of an entry line such as
//   .BR FE " FETCH " \fIfile\fR|\fIfirst\fR=1|\fIlast\fR=200000|\fIcheck\fR
documented parameters(const std::string &rest)
{
    documented d;
    for (size_t at = rest.find("\\fI"); at != std::string::npos; at = rest.find("\\fI", at + 3)) {
        size_t end = rest.find("\\fR", at);
        std::string value;
        if (end != std::string::npos && end + 3 < rest.size() && rest[end + 3] == '=') {
            size_t stop = rest.find('|', end);
            value = rest.substr(end + 4, stop == std::string::npos ? std::string::npos : stop - end - 4);
        }
        d.defaults.push_back(value);
    }
    return d;
}

TEST(ManPage, EveryCommandIsDocumentedWithItsParametersAndDefaults)
{
    std::vector<std::string> lines = manlines();
    ASSERT_FALSE(lines.empty()) << "cannot read " << KEL_MANPAGE;
    for (const CMDSPEC &c : commands) {
        std::string name = c.name;
        if (name[0] == '*')
            break;
        std::string key = name.substr(0, 2) + " \" " + name;
        const std::string *entry = nullptr;
        for (const std::string &l : lines)
            if (l.rfind(".BR ", 0) == 0 && l.find(key) != std::string::npos)
                entry = &l;
        if (entry == nullptr) {
            ADD_FAILURE() << name << " is not documented as " << key;
            continue;
        }
        if (entry->find("\", \"") != std::string::npos)
            continue;                     // several commands on one line: names only

        std::string types = c.paramtype;
        int prompted = 0;
        for (size_t i = 0; i + 1 < types.size(); i += 2)
            if (types[i] != 'e')
                prompted++;
        documented d = parameters(entry->substr(entry->find(key) + key.size()));
        if (static_cast<int>(d.defaults.size()) != prompted) {
            ADD_FAILURE() << name << " takes " << prompted << " parameters: " << *entry;
            continue;
        }

        std::vector<std::string> defaults = fields(c.defstr);
        for (int i = 0; i < prompted; i++) {
            std::string real = i < static_cast<int>(defaults.size()) ? defaults[i] : "";
            if (!d.defaults[i].empty())
                EXPECT_EQ(d.defaults[i], real) << name << " parameter " << i + 1;
            else if (!real.empty() && real != "0")
                ADD_FAILURE() << name << " parameter " << i + 1 << " defaults to " << real
                              << " but the manual page does not say so";
        }
    }
}

} // namespace
