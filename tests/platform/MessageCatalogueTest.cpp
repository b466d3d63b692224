// SPDX-License-Identifier: GPL-3.0-or-later
// The message catalogue: one entry per id, and texts that place every
// parameter they declare.
#include "platform/MessageCatalogue.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace torvan::test {
namespace {

std::set<std::string> Placeholders(const std::string& text) {
    static const std::regex placeholder(R"(\{([^{}]*)\})");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder);
         it != std::sregex_iterator(); ++it) {
        names.insert((*it)[1].str());
    }
    return names;
}

TEST(MessageCatalogue, EveryIdHasOneEntryWhoseTextPlacesItsParameters) {
    std::set<std::string> names;
    int index = 0;
    for (const MessageEntry& entry : MessageCatalogue()) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(static_cast<int>(entry.id), index++);
        EXPECT_TRUE(names.insert(entry.name).second) << "name used twice";
        std::istringstream list(entry.params);
        std::set<std::string> declared;
        for (std::string name; list >> name;) {
            EXPECT_TRUE(declared.insert(name).second) << "parameter declared twice: " << name;
        }
        // A text may leave its path out: the path then follows it.
        std::set<std::string> placed = Placeholders(entry.text);
        if (declared.count("path") != 0) {
            placed.insert("path");
        }
        EXPECT_EQ(placed, declared);
        if (entry.singular != nullptr) {
            EXPECT_EQ(Placeholders(entry.singular), declared);
        }
    }
}

TEST(MessageCatalogue, FillsParametersInTheOrderTheTextNeeds) {
    struct Case {
        MessageId id;
        std::vector<std::string> params;
        const char* text;
    };
    const Case cases[] = {
        {MessageId::kEMasterOutOfStep,
         {"/db/EMASTER", "3", "5"},
         "The EMASTER file does not match MASTER (it lists 3 securities, MASTER 5), so programs "
         "do not use its long names.\nIt was left as it is; the new security is listed in "
         "MASTER.\n/db/EMASTER"},
        {MessageId::kLinesMissingColumns,
         {"1", "7"},
         "1 line has fewer columns than the settings need; its missing fields were stored as 0. "
         "It is line 7."},
        {MessageId::kLinesMissingColumns,
         {"11", "7"},
         "11 lines have fewer columns than the settings need; their missing fields were stored "
         "as 0. The first is line 7."},
        // Short texts keep their words and are followed by the path.
        {MessageId::kPathDoesNotExist, {"/db/f.txt"}, "Path does not exist:\n/db/f.txt"},
        {MessageId::kXMasterFull,
         {"/db/XMASTER"},
         "The XMASTER index has no free file number left:\n/db/XMASTER"},
        {MessageId::kMasterExists, {""}, "New Master chosen but one already exists"},
        // A parameter's own braces are kept as they are.
        {MessageId::kCannotOpenInputFile,
         {"/in/{path}.txt"},
         "Cannot open the input file:\n/in/{path}.txt"},
    };
    for (const Case& c : cases) {
        const Message message = MakeMessage(c.id, c.params);
        EXPECT_EQ(message.text, c.text);
        EXPECT_EQ(message.id, MessageName(c.id));
        EXPECT_EQ(message.params, c.params);
        EXPECT_EQ(message.type, CatalogueEntry(c.id).type);
    }
    EXPECT_EQ(FillParameters("{a}{b}{c}{", "b a", {"1", "2"}), "21{c}{");
}

}  // namespace
}  // namespace torvan::test
