// Decoding of RT_DIALOG resources in both of Windows' layouts: DLGTEMPLATE (fixed header, then menu,
// class, caption and, with DS_SETFONT, point size and face name; items DLGITEMTEMPLATE) and DLGTEMPLATEEX
// (version 1 and signature 0xFFFF first, help ids, 32-bit item ids, font weight, italic and charset).
// Every record starts on a 4-byte boundary from the start of the template.
#include "platform/user32/dialog_template.h"

#include "platform/machine/text.h"

namespace platform {

namespace {

// Reads little-endian fields and strings from the template, failing (valid() false) on any read past
// the end.
class TemplateReader {
  public:
    TemplateReader(const void* data, std::size_t size) : data_(static_cast<const BYTE*>(data)), size_(size) {}

    bool valid() const { return valid_; }

    WORD Word() {
        if (!Have(2)) return 0;
        WORD value = static_cast<WORD>(data_[offset_] | data_[offset_ + 1] << 8);
        offset_ += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() {
        if (!Have(1)) return 0;
        return data_[offset_++];
    }

    // A zero-terminated UTF-16 string, converted to Windows-1252.
    std::string String() {
        std::u16string wide;
        for (WORD character = Word(); valid_ && character != 0; character = Word())
            wide.push_back(static_cast<char16_t>(character));
        return AnsiFromWide(wide);
    }

    // A name field: 0x0000 for none, 0xFFFF and an ordinal, or a string. An ordinal is given as
    // "#<number>" unless `ordinalName` maps it (the predefined control classes).
    std::string NameOrOrdinal(const char* (*ordinalName)(WORD) = nullptr) {
        if (!Have(2)) return {};
        WORD first = static_cast<WORD>(data_[offset_] | data_[offset_ + 1] << 8);
        if (first == 0) {
            offset_ += 2;
            return {};
        }
        if (first != 0xFFFF) return String();
        offset_ += 2;
        WORD ordinal = Word();
        const char* name = ordinalName ? ordinalName(ordinal) : nullptr;
        return name ? std::string(name) : "#" + std::to_string(ordinal);
    }

    void AlignToDword() {
        offset_ = (offset_ + 3) & ~std::size_t(3);
        if (offset_ > size_) valid_ = false;
    }
    void Skip(std::size_t count) {
        if (Have(count)) offset_ += count;
    }

  private:
    bool Have(std::size_t count) {
        if (!valid_ || offset_ + count > size_) valid_ = false;
        return valid_;
    }

    const BYTE* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool valid_ = true;
};

const char* PredefinedClass(WORD atom) {
    switch (atom) {
        case 0x0080:
            return "BUTTON";
        case 0x0081:
            return "EDIT";
        case 0x0082:
            return "STATIC";
        case 0x0083:
            return "LISTBOX";
        case 0x0084:
            return "SCROLLBAR";
        case 0x0085:
            return "COMBOBOX";
        default:
            return nullptr;
    }
}

}  // namespace

std::optional<DialogTemplate> DecodeDialogTemplate(const void* data, std::size_t size) {
    if (!data) return std::nullopt;
    TemplateReader reader(data, size);
    DialogTemplate dialog;
    WORD version = reader.Word();
    WORD signature = reader.Word();
    bool extended = version == 1 && signature == 0xFFFF;
    WORD count = 0;
    if (extended) {
        reader.Dword();  // help id
        dialog.exStyle = reader.Dword();
        dialog.style = reader.Dword();
    } else {
        dialog.style = version | static_cast<DWORD>(signature) << 16;
        dialog.exStyle = reader.Dword();
    }
    count = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = reader.NameOrOrdinal();
    dialog.className = reader.NameOrOrdinal();
    dialog.caption = reader.String();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        if (extended) {
            reader.Word();  // weight
            reader.Byte();  // italic
            reader.Byte();  // charset
        }
        dialog.fontName = reader.String();
    }
    for (WORD index = 0; index < count && reader.valid(); ++index) {
        reader.AlignToDword();
        DialogControlTemplate control;
        if (extended) {
            reader.Dword();  // help id
            control.exStyle = reader.Dword();
            control.style = reader.Dword();
        } else {
            control.style = reader.Dword();
            control.exStyle = reader.Dword();
        }
        control.x = reader.Short();
        control.y = reader.Short();
        control.cx = reader.Short();
        control.cy = reader.Short();
        // DLGTEMPLATEEX items carry a 32-bit id; the dialog manager uses its low word.
        control.id = extended ? static_cast<WORD>(reader.Dword()) : reader.Word();
        control.className = reader.NameOrOrdinal(PredefinedClass);
        control.text = reader.NameOrOrdinal();
        reader.Skip(reader.Word());  // creation data
        dialog.controls.push_back(std::move(control));
    }
    if (!reader.valid()) return std::nullopt;
    return dialog;
}

std::optional<DialogTemplate> LoadDialogTemplate(HINSTANCE module, UINT id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCE(id), RT_DIALOG);
    if (!found) return std::nullopt;
    const void* data = LockResource(LoadResource(module, found));
    if (!data) return std::nullopt;
    return DecodeDialogTemplate(data, SizeofResource(module, found));
}

}  // namespace platform
