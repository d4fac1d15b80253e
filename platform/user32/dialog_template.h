// A dialog template as the dialog manager reads it from a module's resources (RT_DIALOG, in Windows'
// DLGTEMPLATE / DLGTEMPLATEEX layout), decoded into plain fields.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "windows.h"

namespace platform {

struct DialogControlTemplate {
    std::string className;  // "BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX" or a registered class
    std::string text;       // Windows-1252; for an ordinal title, "#<number>"
    WORD id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    std::string menu;       // empty when none
    std::string className;  // empty for the standard dialog class
    std::string fontName;   // with DS_SETFONT
    WORD pointSize = 0;
    std::vector<DialogControlTemplate> controls;
};

// Decodes a template; nullopt when the bytes are not a valid template.
std::optional<DialogTemplate> DecodeDialogTemplate(const void* data, std::size_t size);

// Finds RT_DIALOG `id` in the module (null: the program) and decodes it.
std::optional<DialogTemplate> LoadDialogTemplate(HINSTANCE module, UINT id);

}  // namespace platform
