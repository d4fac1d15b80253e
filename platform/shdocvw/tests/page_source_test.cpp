// Where pages come from: resources of modules, files of the machine, and the addresses the machine
// cannot reach.
#include <gtest/gtest.h>

#include <string>

#include "platform/shdocvw/page_source.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::browser::LoadedPage;
using platform::browser::LoadPage;
using platform::browser::PageOrigin;
using platform::browser::ResolveAddress;

constexpr char kPagesLibrary[] = "C:\\Program Files\\Guida\\pages.dll";

TEST(PageSource, LinksResolveAgainstThePage) {
    struct Row {
        const char* base;
        const char* link;
        const char* resolved;
    } rows[] = {
        {"res://C:\\Programmi\\welcome.exe/register.htm", "informativa.htm",
         "res://C:\\Programmi\\welcome.exe/informativa.htm"},
        {"res://C:\\Programmi\\welcome.exe/register.htm", "app:register", "app:register"},
        {"res://C:\\Programmi\\welcome.exe/register.htm", "#top", "res://C:\\Programmi\\welcome.exe/register.htm#top"},
        {"C:\\Pagine\\uno.htm", "due.htm", "C:\\Pagine\\due.htm"},
        {"file:///C:/Pagine/uno.htm", "due.htm", "file:///C:/Pagine/due.htm"},
        {"C:\\Pagine\\uno.htm", "D:\\altro.htm", "D:\\altro.htm"},
        {"C:\\Pagine\\uno.htm", " http://www.example.com/ ", "http://www.example.com/"},
        {"", "due.htm", "due.htm"},
        {"about:blank", "due.htm", "due.htm"},
    };
    for (const Row& row : rows) EXPECT_EQ(ResolveAddress(row.base, row.link), row.resolved) << row.base << " " << row.link;
}

TEST(PageSource, PagesFromFilesResourcesAndNowhere) {
    platform::TestMachine machine;
    machine.File("C:\\Pagine\\uno.htm", "<title>Uno</title><p>Il primo.</p>");
    machine.File("C:\\Pagine\\con spazio.htm", "<p>Spazio</p>");
    machine.Program(kPagesLibrary, PAGES_LIBRARY);
    char program[MAX_PATH] = "";
    ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    struct Row {
        std::string address;
        PageOrigin origin;
        const char* title;
        const char* firstBlock;
    } rows[] = {
        {"C:\\Pagine\\uno.htm", PageOrigin::Document, "Uno", "Il primo."},
        {"c:\\pagine\\UNO.HTM", PageOrigin::Document, "Uno", "Il primo."},
        {"file:///C:/Pagine/uno.htm", PageOrigin::Document, "Uno", "Il primo."},
        {"file://C:\\Pagine\\con%20spazio.htm", PageOrigin::Document, "", "Spazio"},
        {"C:\\Pagine\\manca.htm", PageOrigin::NotFound, "Page not found", "Page not found"},
        {std::string("res://") + kPagesLibrary + "/guide.htm", PageOrigin::Document, "Guida", "Guida"},
        {std::string("res://") + kPagesLibrary + "/23/GUIDE.HTM", PageOrigin::Document, "Guida", "Guida"},
        {std::string("res://") + kPagesLibrary + "/nessuna.htm", PageOrigin::NotFound, "Page not found", "Page not found"},
        {"res://C:\\manca.dll/guide.htm", PageOrigin::NotFound, "Page not found", "Page not found"},
        {std::string("res://") + program + "/register.htm", PageOrigin::Document, "Registrazione", "Registrate il prodotto"},
        {"http://www.example.com/", PageOrigin::NotAvailable, "Page not available", "Page not available"},
        {"app:register", PageOrigin::NotAvailable, "Page not available", "Page not available"},
    };
    for (const Row& row : rows) {
        LoadedPage page = LoadPage(row.address);
        EXPECT_EQ(page.origin, row.origin) << row.address;
        EXPECT_EQ(page.document.title, row.title) << row.address;
        ASSERT_FALSE(page.document.blocks.empty()) << row.address;
        EXPECT_EQ(page.document.blocks[0].Text(), row.firstBlock) << row.address;
    }
    // A page that cannot be reached says where it was looked for.
    EXPECT_EQ(LoadPage("http://www.example.com/").document.blocks.back().Text(), "http://www.example.com/");
    EXPECT_TRUE(LoadPage("about:blank").document.blocks.empty());
    // A file the machine cannot read is not found either.
    machine.Fault("file", "C:\\Pagine\\uno.htm", "open", ERROR_ACCESS_DENIED);
    EXPECT_EQ(LoadPage("C:\\Pagine\\uno.htm").origin, PageOrigin::NotFound);
}

}  // namespace
