#include <gtest/gtest.h>

#include <fstream>

#include "platform/tools/source_reader/expression.h"
#include "platform/tools/source_reader/preprocessor.h"

namespace {

using namespace platform::source;

SourceDialect IdlLike() {
    SourceDialect dialect;
    dialect.punctuation = ",;:[](){}<>=|&^+-*/%~!.";
    dialect.uuidTokens = true;
    dialect.functionMacros = true;
    return dialect;
}

std::vector<Token> TokensOf(const std::string& text) {
    SourceLocation location{std::make_shared<const std::string>("x"), 1};
    std::vector<Token> tokens = Tokenize(text, location, IdlLike());
    Token end;
    end.location = location;
    tokens.push_back(end);
    return tokens;
}

TEST(Expression, OperatorsAndPrecedenceAsInC) {
    const struct {
        const char* text;
        long value;
    } rows[] = {
        {"1 + 2 * 3", 7},
        {"(1 + 2) * 3", 9},
        {"10 - 4 - 3", 3},
        {"17 / 5", 3},
        {"17 % 5", 2},
        {"-17 / 5", -3},
        {"1 << 4 | 1", 17},
        {"0x80 >> 3", 16},
        {"6 & 3", 2},
        {"6 ^ 3", 5},
        {"6 | 3", 7},
        {"~0", -1},
        {"!0 + !7", 1},
        {"1 < 2 == 1", 1},
        {"2 >= 3", 0},
        {"3 != 3", 0},
        {"1 || 0 && 0", 1},
        {"0 && 1 || 1", 1},
        {"010", 8},
        {"0x10L + 2U", 18},
        {"-(-5)", 5},
        {"+4", 4},
        {"1 | 2 ^ 3 & 1", 3},
        {"2 + 3 << 1", 10},
        {"0xFFFFFFFF", 4294967295L},
        {"NAME * 2", 14},
    };
    ExpressionRules rules{[](const Token&) { return 7L; }, false, ""};
    for (const auto& row : rows) {
        std::vector<Token> tokens = TokensOf(row.text);
        size_t position = 0;
        EXPECT_EQ(EvaluateExpression(tokens, position, rules), row.value) << row.text;
        EXPECT_EQ(tokens[position].kind, TokenKind::End) << row.text;
    }
}

TEST(Expression, StopsBeforeLooserOperatorsAndAtOtherTokens) {
    const struct {
        const char* text;
        Precedence lowest;
        long value;
        const char* next;
    } rows[] = {
        {"1 | 2", Precedence::BitXor, 1, "|"},
        {"3 & 1 | 4", Precedence::BitXor, 1, "|"},
        {"5, 6", Precedence::LogicalOr, 5, ","},
        {"NOT 0 ]", Precedence::LogicalOr, -1, "]"},
    };
    ExpressionRules rules{nullptr, true, ""};
    for (const auto& row : rows) {
        std::vector<Token> tokens = TokensOf(row.text);
        size_t position = 0;
        EXPECT_EQ(EvaluateExpression(tokens, position, rules, row.lowest), row.value) << row.text;
        EXPECT_EQ(tokens[position].text, row.next) << row.text;
    }
}

TEST(Expression, ErrorsNameTheToken) {
    const struct {
        const char* text;
        const char* message;
    } rows[] = {
        {"1 / 0", "x(1): division by zero in test"},
        {"1 % 0", "x(1): division by zero in test"},
        {"(1 + 2", "x(1): expected ')' but found end of file in test"},
        {"1 +", "x(1): expected a number but found end of file in test"},
        {"\"text\"", "x(1): expected a number but found \"text\" in test"},
        {"1 << 99", "x(1): shift count out of range in test"},
    };
    ExpressionRules rules{nullptr, false, " in test"};
    for (const auto& row : rows) {
        std::vector<Token> tokens = TokensOf(row.text);
        size_t position = 0;
        try {
            EvaluateExpression(tokens, position, rules);
            ADD_FAILURE() << row.text;
        } catch (const CompileError& error) {
            EXPECT_STREQ(error.what(), row.message);
        }
    }
}

TEST(Tokenizer, DialectDecidesUuidsQuotesAndPunctuation) {
    SourceLocation location{std::make_shared<const std::string>("x"), 1};
    std::vector<Token> tokens =
        Tokenize("uuid(7E7B9452-87EB-11D3-A499-0060B0F8AA86) [a]; \"q\\\"\"", location, IdlLike());
    ASSERT_EQ(tokens.size(), 9u);
    EXPECT_EQ(tokens[2].kind, TokenKind::Uuid);
    EXPECT_EQ(tokens[2].text, "7E7B9452-87EB-11D3-A499-0060B0F8AA86");
    EXPECT_EQ(tokens[8].text, "q\"");

    SourceDialect script;
    script.punctuation = ",";
    script.doubledQuotes = true;
    std::vector<Token> quoted = Tokenize("\"say \"\"hi\"\"\"", location, script);
    ASSERT_EQ(quoted.size(), 1u);
    EXPECT_EQ(quoted[0].text, "say \"hi\"");
    EXPECT_THROW(Tokenize("a;", location, script), CompileError);
}

class Preprocessor : public ::testing::Test {
  protected:
    std::filesystem::path Write(const std::string& name, const std::string& text) {
        std::filesystem::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string Read(const std::string& text) {
        std::vector<Token> tokens =
            ReadSource(Write("main.idl", text), {{folder_}, {{"FROM_COMMAND", "5"}}}, IdlLike());
        std::string joined;
        for (const Token& token : tokens) {
            if (token.kind != TokenKind::End) joined += (joined.empty() ? "" : " ") + token.text;
        }
        return joined;
    }
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("source_reader_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(Preprocessor, MacrosConditionsAndIncludes) {
    Write("inner.h", "#define INNER 3\ninner text\n");
    const struct {
        const char* text;
        const char* tokens;
    } rows[] = {
        {"#define TWICE(x) (x + x)\nTWICE(2) TWICE", "( 2 + 2 ) TWICE"},
        {"#define PAIR(a, b) b a\n#define ONE 1\nPAIR(ONE, (2, 3))", "( 2 , 3 ) 1"},
        {"#define NONE() empty\nNONE()", "empty"},
        {"#define SELF SELF + 1\nSELF", "SELF + 1"},
        {"#if FROM_COMMAND == 5 && !defined(ABSENT)\nyes\n#else\nno\n#endif", "yes"},
        {"#if 0\na\n#elif defined FROM_COMMAND\nb\n#else\nc\n#endif", "b"},
        {"#ifdef ABSENT\na\n#elif 1\n#if 0\nx\n#endif\nb\n#endif", "b"},
        {"#define X 1\n#undef X\n#ifndef X\ngone\n#endif", "gone"},
        {"#include \"inner.h\"\nINNER", "inner text 3"},
        {"#pragma once\n#pragma pack(4)\nafter", "after"},
        {"#define LONG_MACRO 1 \\\n + 2\nLONG_MACRO", "1 + 2"},
    };
    for (const auto& row : rows) EXPECT_EQ(Read(row.text), row.tokens) << row.text;
}

TEST_F(Preprocessor, ErrorsNameFileAndLine) {
    const struct {
        const char* text;
        const char* message;
    } rows[] = {
        {"\n#define F(a, b) a\nF(1)", "main.idl(3): macro 'F' takes 2 arguments"},
        {"#define F(a) a\nF(1", "main.idl(2): missing ) in the call of macro 'F'"},
        {"#if 1 +\n#endif", "main.idl(1): expected a number but found end of file in #if"},
        {"#if 1 2\n#endif", "main.idl(1): unexpected '2' in #if"},
        {"#else\n", "main.idl(1): #else without #if"},
        {"#if 1\n#else\n#elif 1\n#endif", "main.idl(3): #elif after #else"},
        {"#include <absent.h>", "main.idl(1): cannot open include file 'absent.h'"},
        {"#error stop here", "main.idl(1): #error stop here"},
        {"#frobnicate", "main.idl(1): unknown directive #frobnicate"},
    };
    for (const auto& row : rows) {
        try {
            Read(row.text);
            ADD_FAILURE() << row.text;
        } catch (const CompileError& error) {
            EXPECT_EQ(std::string(error.what()), (folder_ / row.message).string()) << row.text;
        }
    }
}

}  // namespace
