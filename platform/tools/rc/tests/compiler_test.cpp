#include "platform/tools/rc/compiler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "commctrl.h"
#include "platform/kernel32/module_resources.h"
#include "platform/testing/test_machine.h"
#include "platform/user32/dialog_template.h"
#include "windows.h"

namespace {

// Each script is compiled into a folder of its own and registered under a module handle of its own.
class Script {
  public:
    explicit Script(const std::string& text, const std::map<std::string, std::string>& files = {}) {
        static std::atomic<int> counter{0};
        int number = ++counter;
        folder_ = std::filesystem::temp_directory_path() /
                  ("rc_test_" + std::to_string(::getpid()) + "_" + std::to_string(number));
        std::filesystem::create_directories(folder_);
        std::ofstream(folder_ / "test.rc", std::ios::binary) << text;
        for (const auto& [name, contents] : files)
            std::ofstream(folder_ / name, std::ios::binary) << contents;
        module_ = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x40000000 + number * 0x1000));
    }
    ~Script() { std::filesystem::remove_all(folder_); }

    std::filesystem::path path() const { return folder_ / "test.rc"; }
    HMODULE module() const { return module_; }

    // Compiles and registers; the error text when the script has an error, else empty.
    std::string Compile() {
        try {
            resources_ = rc::CompileScript(path(), {});
        } catch (const rc::CompileError& error) {
            return error.what();
        }
        std::vector<platform::ModuleResource> registered;
        for (const rc::CompiledResource& resource : resources_) {
            registered.push_back({Name(resource.type), Name(resource.name), resource.language,
                                  resource.data.data(), static_cast<DWORD>(resource.data.size())});
        }
        platform::RegisterModuleResources(module_, registered);
        return {};
    }

    const std::vector<rc::CompiledResource>& resources() const { return resources_; }

  private:
    static LPCSTR Name(const rc::NameOrId& value) {
        return value.id ? MAKEINTRESOURCE(*value.id) : value.name.c_str();
    }

    std::filesystem::path folder_;
    HMODULE module_;
    std::vector<rc::CompiledResource> resources_;
};

std::string LoadString(HMODULE module, UINT id) {
    char buffer[512];
    int length = LoadStringA(module, id, buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(length));
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

TEST(ResourceCompiler, ControlStatementsTakeWindowsDefaults) {
    Script script(R"(
1 DIALOG 0, 0, 200, 100
BEGIN
    LTEXT "left", 10, 1, 2, 3, 4
    RTEXT "right", 11, 1, 2, 3, 4
    CTEXT "center", 12, 1, 2, 3, 4
    PUSHBUTTON "push", 13, 1, 2, 3, 4
    DEFPUSHBUTTON "default", IDOK, 1, 2, 3, 4
    EDITTEXT 14, 1, 2, 3, 4
    GROUPBOX "group", 15, 1, 2, 3, 4
    CHECKBOX "check", 16, 1, 2, 3, 4
    AUTOCHECKBOX "auto check", 17, 1, 2, 3, 4
    RADIOBUTTON "radio", 18, 1, 2, 3, 4
    AUTORADIOBUTTON "auto radio", 19, 1, 2, 3, 4
    LISTBOX 20, 1, 2, 3, 4
    COMBOBOX 21, 1, 2, 3, 4
    SCROLLBAR 22, 1, 2, 3, 4
    ICON 7, 23, 1, 2
    CONTROL "bar", 24, "msctls_progress32", PBS_SMOOTH, 1, 2, 3, 4
    CONTROL "button", 25, "Button", BS_AUTO3STATE | WS_TABSTOP, 1, 2, 3, 4, WS_EX_CLIENTEDGE
    LTEXT "tuned", IDC_STATIC, 1, 2, 3, 4, SS_NOPREFIX | NOT WS_GROUP | NOT WS_VISIBLE, WS_EX_STATICEDGE
    PUSHBUTTON "no tab", 26, 1, 2, 3, 4, NOT WS_TABSTOP | WS_DISABLED
END
)");
    ASSERT_EQ(script.Compile(), "");
    std::optional<platform::DialogTemplate> dialog = platform::LoadDialogTemplate(script.module(), 1);
    ASSERT_TRUE(dialog);
    const struct {
        const char* className;
        const char* text;
        WORD id;
        DWORD style;
        DWORD exStyle;
    } rows[] = {
        {"STATIC", "left", 10, kChild | SS_LEFT | WS_GROUP, 0},
        {"STATIC", "right", 11, kChild | SS_RIGHT | WS_GROUP, 0},
        {"STATIC", "center", 12, kChild | SS_CENTER | WS_GROUP, 0},
        {"BUTTON", "push", 13, kChild | BS_PUSHBUTTON | WS_TABSTOP, 0},
        {"BUTTON", "default", IDOK, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
        {"EDIT", "", 14, kChild | ES_LEFT | WS_BORDER | WS_TABSTOP, 0},
        {"BUTTON", "group", 15, kChild | BS_GROUPBOX, 0},
        {"BUTTON", "check", 16, kChild | BS_CHECKBOX | WS_TABSTOP, 0},
        {"BUTTON", "auto check", 17, kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0},
        {"BUTTON", "radio", 18, kChild | BS_RADIOBUTTON | WS_TABSTOP, 0},
        {"BUTTON", "auto radio", 19, kChild | BS_AUTORADIOBUTTON | WS_TABSTOP, 0},
        {"LISTBOX", "", 20, kChild | LBS_NOTIFY | WS_BORDER, 0},
        {"COMBOBOX", "", 21, kChild | CBS_SIMPLE | WS_TABSTOP, 0},
        {"SCROLLBAR", "", 22, kChild | SBS_HORZ, 0},
        {"STATIC", "#7", 23, kChild | SS_ICON, 0},
        {"msctls_progress32", "bar", 24, kChild | PBS_SMOOTH, 0},
        {"BUTTON", "button", 25, kChild | BS_AUTO3STATE | WS_TABSTOP, WS_EX_CLIENTEDGE},
        {"STATIC", "tuned", 0xFFFF, WS_CHILD | SS_NOPREFIX, WS_EX_STATICEDGE},
        {"BUTTON", "no tab", 26, kChild | WS_DISABLED, 0},
    };
    ASSERT_EQ(dialog->controls.size(), std::size(rows));
    for (size_t index = 0; index < std::size(rows); ++index) {
        const platform::DialogControlTemplate& control = dialog->controls[index];
        EXPECT_EQ(control.className, rows[index].className) << index;
        EXPECT_EQ(control.text, rows[index].text) << index;
        EXPECT_EQ(control.id, rows[index].id) << index;
        EXPECT_EQ(control.style, rows[index].style) << index;
        EXPECT_EQ(control.exStyle, rows[index].exStyle) << index;
    }
    EXPECT_EQ(dialog->controls[0].x, 1);
    EXPECT_EQ(dialog->controls[0].cy, 4);
    EXPECT_EQ(dialog->controls[14].cx, 0);  // an ICON without a size
}

TEST(ResourceCompiler, DialogHeadersInBothLayouts) {
    Script script(R"(
1 DIALOG 1, 2, 30, 40
BEGIN
END
2 DIALOG 0, 0, 10, 10
CAPTION "Titolo \"quoted\" and ""doubled"""
FONT 8, "MS Sans Serif"
MENU 300
CLASS "MyDialogClass"
BEGIN
END
3 DIALOGEX 0, 0, 10, 10, 77
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION
EXSTYLE WS_EX_TOOLWINDOW
CAPTION "Esteso"
FONT 9, "Tahoma", 700, 1, 0
MENU MAINMENU
BEGIN
    CONTROL "x", 70000, "Edit", ES_MULTILINE, 1, 2, 3, 4, WS_EX_CLIENTEDGE, 5
    LTEXT "y", 5, 1, 2, 3, 4
END
)");
    ASSERT_EQ(script.Compile(), "");
    std::optional<platform::DialogTemplate> plain = platform::LoadDialogTemplate(script.module(), 1);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->style, static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU));
    EXPECT_EQ(plain->x, 1);
    EXPECT_EQ(plain->cy, 40);
    EXPECT_EQ(plain->caption, "");
    EXPECT_TRUE(plain->controls.empty());

    std::optional<platform::DialogTemplate> captioned = platform::LoadDialogTemplate(script.module(), 2);
    ASSERT_TRUE(captioned);
    EXPECT_EQ(captioned->style,
              static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | DS_SETFONT));
    EXPECT_EQ(captioned->caption, "Titolo \"quoted\" and \"doubled\"");
    EXPECT_EQ(captioned->fontName, "MS Sans Serif");
    EXPECT_EQ(captioned->pointSize, 8);
    EXPECT_EQ(captioned->menu, "#300");
    EXPECT_EQ(captioned->className, "MyDialogClass");

    std::optional<platform::DialogTemplate> extended = platform::LoadDialogTemplate(script.module(), 3);
    ASSERT_TRUE(extended);
    EXPECT_EQ(extended->style, static_cast<DWORD>(DS_MODALFRAME | WS_POPUP | WS_CAPTION | DS_SETFONT));
    EXPECT_EQ(extended->exStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW));
    EXPECT_EQ(extended->fontName, "Tahoma");
    EXPECT_EQ(extended->pointSize, 9);
    EXPECT_EQ(extended->menu, "MAINMENU");
    ASSERT_EQ(extended->controls.size(), 2u);
    EXPECT_EQ(extended->controls[0].className, "EDIT");
    EXPECT_EQ(extended->controls[0].id, static_cast<WORD>(70000));
    EXPECT_EQ(extended->controls[0].exStyle, static_cast<DWORD>(WS_EX_CLIENTEDGE));
    EXPECT_EQ(extended->controls[1].text, "y");

    // Any template cut short is refused.
    const rc::Bytes& bytes = script.resources()[2].data;
    for (size_t size = 0; size < bytes.size(); size += 3)
        EXPECT_FALSE(platform::DecodeDialogTemplate(bytes.data(), size)) << size;
}

TEST(ResourceCompiler, StringTablesInBlocksOfSixteen) {
    Script script(
        "LANGUAGE LANG_ITALIAN, SUBLANG_ITALIAN\n"
        "STRINGTABLE\n"
        "BEGIN\n"
        "    1, \"primo\"\n"
        "    15 \"Citt\xE0 \x80 \\\"tab\\t\"\"\"\n"
        "    16 \"a\" \"b\"\n"
        "    0x20 L\"righe\\r\\n\"\n"
        "END\n"
        "STRINGTABLE { 33 \"separata\" }\n");
    ASSERT_EQ(script.Compile(), "");
    const struct {
        UINT id;
        std::string text;
    } rows[] = {
        {1, "primo"},     {15, "Citt\xE0 \x80 \"tab\t\""},
        {16, "ab"},       {32, "righe\r\n"},
        {33, "separata"}, {2, ""},
        {48, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(LoadString(script.module(), row.id), row.text) << row.id;
    // Blocks 1, 2 and 3, Italian.
    ASSERT_EQ(script.resources().size(), 3u);
    for (const rc::CompiledResource& resource : script.resources()) {
        EXPECT_EQ(resource.type, rc::NameOrId::Id(6));
        EXPECT_EQ(resource.language, 0x0410);
    }
    // Block 2 holds 16 and 32 is in block 3: each string a count and UTF-16 characters.
    const rc::Bytes& second = script.resources()[1].data;
    ASSERT_GE(second.size(), 6u);
    EXPECT_EQ(second[0], 2);
    EXPECT_EQ(second[2], 'a');
    EXPECT_EQ(second.size(), 2u * 16 + 4);
}

TEST(ResourceCompiler, PreprocessorAndIncludes) {
    Script script(R"(#include "ids.h"
#include <windows.h>
#define LOCAL_ID (IDS_BASE + 2)
#ifdef IDS_BASE
STRINGTABLE BEGIN IDS_BASE "defined" END
#else
STRINGTABLE BEGIN 999 "not defined" END
#endif
#if defined(MISSING) || !defined(IDS_BASE)
STRINGTABLE BEGIN 998 "wrong branch" END
#elif IDS_BASE == 40
STRINGTABLE BEGIN LOCAL_ID "expanded" END
#endif
#ifndef APSTUDIO_INVOKED
/* a comment
   over lines */ STRINGTABLE BEGIN 43 "after comment" // trailing
END
#endif
#undef LOCAL_ID
)",
                  {{"ids.h", "#define IDS_BASE 40\nthis text in a header is ignored\n"}});
    ASSERT_EQ(script.Compile(), "");
    EXPECT_EQ(LoadString(script.module(), 40), "defined");
    EXPECT_EQ(LoadString(script.module(), 42), "expanded");
    EXPECT_EQ(LoadString(script.module(), 43), "after comment");
    EXPECT_EQ(LoadString(script.module(), 999), "");
    EXPECT_EQ(LoadString(script.module(), 998), "");
}

// Walks a VS_VERSIONINFO node: the key and where the value starts.
struct VersionHeader {
    WORD length, valueLength, type;
    std::string key;
    size_t valueOffset;
};
VersionHeader ReadVersionHeader(const rc::Bytes& bytes, size_t offset) {
    auto word = [&bytes](size_t at) { return static_cast<WORD>(bytes[at] | bytes[at + 1] << 8); };
    VersionHeader header{word(offset), word(offset + 2), word(offset + 4), {}, 0};
    size_t at = offset + 6;
    for (; word(at) != 0; at += 2) header.key += static_cast<char>(word(at));
    header.valueOffset = (at + 2 + 3) & ~size_t(3);
    return header;
}

TEST(ResourceCompiler, VersionInformation) {
    Script script(R"(
VS_VERSION_INFO VERSIONINFO
 FILEVERSION 3,0,1,8
 PRODUCTVERSION 3,0
 FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
 FILEOS VOS__WINDOWS32
 FILETYPE VFT_APP
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "041004e4"
        BEGIN
            VALUE "CompanyName", "Corvanta"
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x410, 1252
    END
END
)");
    ASSERT_EQ(script.Compile(), "");
    ASSERT_EQ(script.resources().size(), 1u);
    const rc::CompiledResource& resource = script.resources()[0];
    EXPECT_EQ(resource.type, rc::NameOrId::Id(16));
    EXPECT_EQ(resource.name, rc::NameOrId::Id(1));
    const rc::Bytes& bytes = resource.data;
    VersionHeader root = ReadVersionHeader(bytes, 0);
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    EXPECT_EQ(root.length, bytes.size());
    EXPECT_EQ(root.valueLength, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, bytes.data() + root.valueOffset, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, static_cast<DWORD>(VS_FFI_SIGNATURE));
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00010008u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00030000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
    EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));

    VersionHeader stringInfo = ReadVersionHeader(bytes, root.valueOffset + sizeof fixed);
    EXPECT_EQ(stringInfo.key, "StringFileInfo");
    VersionHeader table = ReadVersionHeader(bytes, stringInfo.valueOffset);
    EXPECT_EQ(table.key, "041004e4");
    VersionHeader company = ReadVersionHeader(bytes, table.valueOffset);
    EXPECT_EQ(company.key, "CompanyName");
    EXPECT_EQ(company.type, 1);
    EXPECT_EQ(company.valueLength, 9);  // characters with the terminator
    EXPECT_EQ(bytes[company.valueOffset], 'C');
    VersionHeader varInfo =
        ReadVersionHeader(bytes, (root.valueOffset + sizeof fixed + stringInfo.length + 3) & ~size_t(3));
    EXPECT_EQ(varInfo.key, "VarFileInfo");
    VersionHeader translation = ReadVersionHeader(bytes, varInfo.valueOffset);
    EXPECT_EQ(translation.key, "Translation");
    EXPECT_EQ(translation.type, 0);
    EXPECT_EQ(translation.valueLength, 4);
    EXPECT_EQ(bytes[translation.valueOffset], 0x10);
    EXPECT_EQ(bytes[translation.valueOffset + 2], 0xE4);
}

TEST(ResourceCompiler, FileResourcesAreEmbedded) {
    std::string bitmap = std::string("BM") + std::string(12, '\0') + "pixels";
    // An icon file with two images of 3 and 2 bytes.
    std::string icon("\0\0\1\0\2\0", 6);
    icon += std::string("\x10\x10\0\0\1\0\x20\0\3\0\0\0\x26\0\0\0", 16);
    icon += std::string("\x20\x20\0\0\1\0\x20\0\2\0\0\0\x29\0\0\0", 16);
    icon += "abcde";
    Script script(
        "1 BITMAP \"picture.bmp\"\n"
        "2 ICON \"app.ico\"\n"
        "MAINOBJECT REGISTRY \"object.rgs\"\n"
        "1 TYPELIB \"sub\\\\library.tlb\"\n"
        "5 RCDATA DISCARDABLE \"object.rgs\"\n"
        "\"PAGE.HTM\" HTML \"page.htm\"\n"
        "\"other.htm\" HTML \"other.htm\"\n",
        {{"picture.bmp", bitmap}, {"app.ico", icon}, {"object.rgs", "HKCR { }"}, {"page.htm", "<p>one</p>"},
         {"other.htm", "<p>two</p>"}});
    std::filesystem::create_directories(script.path().parent_path() / "sub");
    std::ofstream(script.path().parent_path() / "sub" / "library.tlb", std::ios::binary) << "MSFT";
    ASSERT_EQ(script.Compile(), "");
    auto text = [&script](LPCSTR type, LPCSTR name) {
        HRSRC found = FindResourceA(script.module(), name, type);
        if (!found) return std::string("<missing>");
        const char* data = static_cast<const char*>(LockResource(LoadResource(script.module(), found)));
        return std::string(data, SizeofResource(script.module(), found));
    };
    EXPECT_EQ(text(RT_BITMAP, MAKEINTRESOURCE(1)), "pixels");
    EXPECT_EQ(text("REGISTRY", "MainObject"), "HKCR { }");
    EXPECT_EQ(text("TYPELIB", MAKEINTRESOURCE(1)), "MSFT");
    EXPECT_EQ(text(RT_RCDATA, MAKEINTRESOURCE(5)), "HKCR { }");
    // Pages by quoted names, one statement after another.
    EXPECT_EQ(text(RT_HTML, "page.htm"), "<p>one</p>");
    EXPECT_EQ(text(RT_HTML, "OTHER.HTM"), "<p>two</p>");
    EXPECT_EQ(text(RT_ICON, MAKEINTRESOURCE(1)), "abc");
    EXPECT_EQ(text(RT_ICON, MAKEINTRESOURCE(2)), "de");
    std::string group = text(RT_GROUP_ICON, MAKEINTRESOURCE(2));
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(group.substr(6, 12), icon.substr(6, 12));
    EXPECT_EQ(group[6 + 12], 1);       // first image is RT_ICON 1
    EXPECT_EQ(group[6 + 14 + 12], 2);  // second is RT_ICON 2
}

TEST(ResourceCompiler, ErrorsNameFileAndLine) {
    const struct {
        const char* script;
        const char* message;
    } rows[] = {
        {"STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n", "test.rc(4): string id 1 is defined twice"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", 1, 0, 0, 1, 1, WS_NOSUCH\nEND\n",
         "test.rc(3): undefined symbol 'WS_NOSUCH'"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n  BUTTONX \"a\", 1, 0, 0, 1, 1\nEND\n",
         "test.rc(3): unknown control statement 'BUTTONX'"},
        {"1 DIALOG 0, 0, 10\nBEGIN\nEND\n", "test.rc(2): expected ',' but found 'BEGIN'"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", 1, 0, 0, 1, 1\n", "test.rc(3): missing END"},
        {"STRINGTABLE\nBEGIN\n  1 \"open\nEND\n", "test.rc(3): unterminated string"},
        {"\n\n#include \"absent.h\"\n", "test.rc(3): cannot open include file 'absent.h'"},
        {"#ifdef X\n", "test.rc(1): missing #endif"},
        {"#endif\n", "test.rc(1): #endif without #if"},
        {"#define F(x) x\n", "test.rc(1): macros with parameters are not supported"},
        {"#pragma code_page(65001)\n", "test.rc(1): only code page 1252 is supported"},
        {"1 BITMAP \"absent.bmp\"\n", "test.rc(1): cannot open file 'absent.bmp'"},
        {"1 RCDATA \".\"\n", "test.rc(1): cannot read file '.': it is a folder"},
        {"1 BITMAP \"test.rc\"\n", "test.rc(1): 'test.rc' is not a bitmap file"},
        {"1 MENU\nBEGIN\nEND\n", "test.rc(1): resources of type MENU are not supported"},
        {"1 VERSIONINFO\nFILEVERSION 1,0\nBEGIN\n VALUE \"A\", \"text\", 1\nEND\n",
         "test.rc(4): a value cannot mix text and numbers"},
        {"1 DIALOG 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", 1, 0, 0, 1, 1, 0, 0, 7\nEND\n",
         "test.rc(3): a help id needs DIALOGEX"},
        {"1 DIALOG 0, 0, 10, 10\nSTYLE 1 / 0\nBEGIN\nEND\n", "test.rc(2): division by zero"},
    };
    for (const auto& row : rows) {
        Script script(row.script);
        std::string error = script.Compile();
        std::string expected = (script.path().parent_path() / row.message).string();
        EXPECT_EQ(error, expected) << row.script;
    }
}

// A folder, or a file that cannot be read, where the script names a file: an error at the line naming it.
// /proc/self/mem opens, and its first page cannot be read.
TEST(ResourceCompiler, FoldersAndUnreadableFilesAreErrorsWhereTheyAreNamed) {
    const struct {
        const char* script;
        const char* message;
    } rows[] = {
        {"\n#include \"sub\"\n", "test.rc(2): cannot read file 'sub': it is a folder"},
        {"#include \"unreadable.h\"\n", "test.rc(1): cannot read file 'unreadable.h': Input/output error"},
        {"1 BITMAP \"sub\"\n", "test.rc(1): cannot read file 'sub': it is a folder"},
        {"\n\n1 ICON \"sub\"\n", "test.rc(3): cannot read file 'sub': it is a folder"},
        {"1 RCDATA \"unreadable.bin\"\n", "test.rc(1): cannot read file 'unreadable.bin': Input/output error"},
        {"1 TYPELIB \"sub\"\n", "test.rc(1): cannot read file 'sub': it is a folder"},
    };
    for (const auto& row : rows) {
        Script script(row.script);
        std::filesystem::path folder = script.path().parent_path();
        std::filesystem::create_directories(folder / "sub");
        std::filesystem::create_symlink("/proc/self/mem", folder / "unreadable.h");
        std::filesystem::create_symlink("/proc/self/mem", folder / "unreadable.bin");
        EXPECT_EQ(script.Compile(), (folder / row.message).string()) << row.script;
    }
    // The script itself is named on the command line.
    Script script("");
    std::filesystem::path folder = script.path().parent_path();
    try {
        rc::CompileScript(folder, {});
        ADD_FAILURE() << "a folder compiled as a script";
    } catch (const rc::CompileError& error) {
        EXPECT_EQ(std::string(error.what()), "<command line>(0): cannot read file '" + folder.string() + "': it is a folder");
    }
}

// A name longer than the host allows for a file is an error at its line.
TEST(ResourceCompiler, OverlongFileNamesAreErrorsAtTheirLine) {
    const std::string name(300, 'x');
    for (const std::string& script : {"1 RCDATA \"" + name + "\"\n", "#include \"" + name + "\"\n"}) {
        Script compiled(script);
        std::string error = compiled.Compile();
        EXPECT_NE(error.find("test.rc(1): cannot read file"), std::string::npos) << error;
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

}  // namespace
