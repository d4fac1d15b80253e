// The database file's rules as every object reads and writes it: present values, numbered lists, integers,
// writes and deleted sections, with the file's name asked of the root object at each access.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KenroDatabase.h"
#include "kenro_fixture.h"

namespace {

using diagnostics::BstrHolder;
using diagnostics::KenroDatabase;

constexpr char kFolder[] = "C:\\Data";
constexpr char kFile[] = "C:\\Data\\kenrdb07.sdb";

class KenroDatabaseFile : public KenroMachine {
  protected:
    void SetUp() override {
        WorkIn(kFolder);
        root = CreateRoot();
        ASSERT_TRUE(root);
    }
    CComPtr<DIQNAiOKenro> root;
};

TEST_F(KenroDatabaseFile, NumberedLists) {
    const struct {
        const char* name;
        const char* section;  // the [Conflicts] section's lines
        std::vector<int> numbers;
        std::vector<std::string> values;
    } rows[] = {
        {"missing section", "", {}, {}},
        {"three", "1=Uno\r\n2=Due\r\n3=Tre\r\n", {1, 2, 3}, {"Uno", "Due", "Tre"}},
        {"a gap ends the list", "1=Uno\r\n3=Tre\r\n", {1}, {"Uno"}},
        {"an empty value is skipped", "1=Uno\r\n2=\r\n3=Tre\r\n", {1, 3}, {"Uno", "Tre"}},
        {"NotFound ends the list", "1=Uno\r\n2=NotFound\r\n3=Tre\r\n", {1}, {"Uno"}},
        {"the first key missing", "2=Due\r\n", {}, {}},
    };
    for (const auto& row : rows) {
        machine.File(kFile, std::string("[Conflicts]\r\n") + row.section + "[Other]\r\n4=Quattro\r\n");
        std::vector<KenroDatabase::ListItem> items = KenroDatabase(root).ReadList("Conflicts", "%d");
        std::vector<int> numbers;
        std::vector<std::string> values;
        for (const KenroDatabase::ListItem& item : items) {
            numbers.push_back(item.number);
            values.push_back(item.value);
        }
        EXPECT_EQ(row.numbers, numbers) << row.name;
        EXPECT_EQ(row.values, values) << row.name;
    }
    machine.File(kFile, "[Routine]\r\nItem1=a.dll\r\nItem2=b.dll\r\nPath1=C:\\\r\n");
    EXPECT_EQ(2u, KenroDatabase(root).ReadList("Routine", "Item%d").size());
}

TEST_F(KenroDatabaseFile, StringsAndIntegers) {
    std::string longValue(40000, 'x');
    machine.File(kFile,
                 "[Kenro]\r\nName=Valore\r\nEmpty=\r\nLiteral=NotFound\r\nNumber=42\r\nWord=abc\r\nLong=" +
                     longValue + "\r\n");
    KenroDatabase database(root);
    const struct {
        const char* key;
        std::optional<std::string> value;
    } strings[] = {
        {"Name", "Valore"},        {"Empty", std::nullopt}, {"Literal", std::nullopt},
        {"Missing", std::nullopt}, {"Number", "42"},
    };
    for (const auto& row : strings) EXPECT_EQ(row.value, database.ReadString("Kenro", row.key)) << row.key;
    // The profile function cuts a long value to what the buffer holds.
    EXPECT_EQ(std::string(32766, 'x'), database.ReadString("Kenro", "Long"));

    const struct {
        const char* key;
        int defaultValue, value;
    } integers[] = {{"Number", 0, 42}, {"Missing", -1, -1}, {"Missing", 0, 0}, {"Word", 5, 0}};
    for (const auto& row : integers)
        EXPECT_EQ(row.value, database.ReadInteger("Kenro", row.key, row.defaultValue)) << row.key;
}

TEST_F(KenroDatabaseFile, WritesReachTheFileAtOnce) {
    KenroDatabase database(root);
    EXPECT_EQ(S_OK, database.WriteString("Unit", "MinimumMemory", "32"));
    EXPECT_EQ(S_OK, database.WriteInteger("Unit", "MinimumMemoryHelpId", -7));
    EXPECT_EQ(S_OK, database.WriteString("Other", "1", "Uno"));
    EXPECT_EQ("[Unit]\r\nMinimumMemory=32\r\nMinimumMemoryHelpId=-7\r\n[Other]\r\n1=Uno\r\n",
              machine.ReadFile(kFile));
    EXPECT_EQ(-7, database.ReadInteger("Unit", "MinimumMemoryHelpId"));
    EXPECT_EQ(S_OK, database.DeleteSection("Unit"));
    EXPECT_EQ("[Other]\r\n1=Uno\r\n", machine.ReadFile(kFile));
    EXPECT_EQ(std::nullopt, database.ReadString("Unit", "MinimumMemory"));
}

// The name is asked at every access, so a new Path moves every later read and write to its file.
TEST_F(KenroDatabaseFile, EachAccessFollowsTheOwnersPath) {
    machine.File(kFile, "[Units]\r\n1=Vecchia\r\n");
    machine.File("D:\\Nuovo\\kenrdb07.sdb", "[Units]\r\n1=Nuova\r\n");
    KenroDatabase database(root);
    EXPECT_EQ("Vecchia", database.ReadString("Units", "1"));
    root->put_Path(BstrHolder(u"D:\\Nuovo"));
    EXPECT_EQ("Nuova", database.ReadString("Units", "1"));
    std::string fileName;
    EXPECT_EQ(S_OK, database.FileName(fileName));
    EXPECT_EQ("D:\\Nuovo\\kenrdb07.sdb", fileName);
}

TEST_F(KenroDatabaseFile, WithoutAnOwnerNothingIsReadOrWritten) {
    machine.File(kFile, "[Units]\r\n1=Uno\r\n");
    KenroDatabase database(nullptr);
    EXPECT_EQ(std::nullopt, database.ReadString("Units", "1"));
    EXPECT_EQ(3, database.ReadInteger("Units", "1", 3));
    EXPECT_TRUE(database.ReadList("Units", "%d").empty());
    EXPECT_EQ(E_FAIL, database.WriteString("Units", "2", "Due"));
    EXPECT_EQ(E_FAIL, database.WriteInteger("Units", "2", 2));
    EXPECT_EQ(E_FAIL, database.DeleteSection("Units"));
    EXPECT_EQ("[Units]\r\n1=Uno\r\n", machine.ReadFile(kFile));
}

}  // namespace
