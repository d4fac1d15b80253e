// A dialog template as the dialog manager reads it from a module's resources (RT_DIALOG, in Windows'
// DLGTEMPLATE / DLGTEMPLATEEX layout), decoded into plain fields.
#pragma once

#include <optional>
#include <string>
#include <utility>
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

// A control of a template built in memory: a child window of that class, text, id and style (WS_CHILD
// added), placed in dialog units.
inline DialogControlTemplate ChildControl(std::string className, std::string text, WORD id, DWORD style, int x,
                                          int y, int cx, int cy) {
    DialogControlTemplate control;
    control.className = std::move(className);
    control.text = std::move(text);
    control.id = id;
    control.style = style | WS_CHILD;
    control.x = static_cast<short>(x);
    control.y = static_cast<short>(y);
    control.cx = static_cast<short>(cx);
    control.cy = static_cast<short>(cy);
    return control;
}

// Decodes a template; nullopt when the bytes are not a valid template.
std::optional<DialogTemplate> DecodeDialogTemplate(const void* data, std::size_t size);

// Finds RT_DIALOG `id` in the module (null: the program) and decodes it.
std::optional<DialogTemplate> LoadDialogTemplate(HINSTANCE module, UINT id);

}  // namespace platform
