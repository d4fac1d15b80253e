// System message texts, FormatMessageA, and the local and global heaps the formatted texts live in.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "lmerr.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/state.h"
#include "windows.h"

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);  // 0x409
constexpr LANGID kItalian = MAKELANGID(LANG_ITALIAN, SUBLANG_DEFAULT);  // 0x410

// The system's message table. Each text ends with the line break that ends a message definition.
struct SystemMessage {
    DWORD code;
    const char* english;
    const char* italian;  // Windows-1252
};

constexpr SystemMessage kSystemMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully.\r\n", "Operazione completata.\r\n"},
    {ERROR_INVALID_FUNCTION, "Incorrect function.\r\n", "Funzione non corretta.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n",
     "Impossibile trovare il file specificato.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n",
     "Impossibile trovare il percorso specificato.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file.\r\n", "Impossibile aprire il file.\r\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\r\n", "Accesso negato.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n", "Handle non valido.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command.\r\n",
     "Memoria insufficiente per elaborare il comando.\r\n"},
    {ERROR_INVALID_DATA, "The data is invalid.\r\n", "Dati non validi.\r\n"},
    {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation.\r\n",
     "Memoria insufficiente per completare l'operazione.\r\n"},
    {ERROR_INVALID_DRIVE, "The system cannot find the drive specified.\r\n",
     "Impossibile trovare l'unit\xE0 specificata.\r\n"},
    {ERROR_NO_MORE_FILES, "There are no more files.\r\n", "Non ci sono altri file.\r\n"},
    {ERROR_WRITE_PROTECT, "The media is write protected.\r\n", "Il supporto \xE8 protetto da scrittura.\r\n"},
    {ERROR_NOT_READY, "The device is not ready.\r\n", "Periferica non pronta.\r\n"},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process.\r\n",
     "Impossibile accedere al file. Il file \xE8 utilizzato da un altro processo.\r\n"},
    {ERROR_NOT_SUPPORTED, "The request is not supported.\r\n", "Richiesta non supportata.\r\n"},
    {ERROR_BAD_NETPATH, "The network path was not found.\r\n",
     "Impossibile trovare il percorso di rete.\r\n"},
    {ERROR_FILE_EXISTS, "The file exists.\r\n", "Il file esiste.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n", "Parametro non corretto.\r\n"},
    {ERROR_DISK_FULL, "There is not enough space on the disk.\r\n", "Spazio insufficiente sul disco.\r\n"},
    {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system.\r\n",
     "Funzione non supportata dal sistema.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n",
     "L'area dati passata a una chiamata di sistema \xE8 troppo piccola.\r\n"},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect.\r\n",
     "La sintassi del nome del file, della directory o del volume non \xE8 corretta.\r\n"},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found.\r\n",
     "Impossibile trovare il modulo specificato.\r\n"},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found.\r\n",
     "Impossibile trovare la procedura specificata.\r\n"},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty.\r\n", "La directory non \xE8 vuota.\r\n"},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\r\n",
     "Impossibile creare un file, se il file esiste gi\xE0.\r\n"},
    {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\r\n",
     "%1 non \xE8 un'applicazione di Win32 valida.\r\n"},
    {ERROR_MORE_DATA, "More data is available.\r\n", "Sono disponibili altri dati.\r\n"},
    {WAIT_TIMEOUT, "The wait operation timed out.\r\n", "Timeout dell'operazione di attesa.\r\n"},
    {ERROR_NO_MORE_ITEMS, "No more data is available.\r\n", "Dati non disponibili.\r\n"},
    {ERROR_DIRECTORY, "The directory name is invalid.\r\n", "Nome di directory non valido.\r\n"},
    {ERROR_MR_MID_NOT_FOUND,
     "The system cannot find message text for message number 0x%1 in the message file for %2.\r\n",
     "Impossibile trovare il testo del messaggio numero 0x%1 nel file di messaggi per %2.\r\n"},
    {ERROR_REGISTRY_CORRUPT, "The registry is corrupted.\r\n",
     "Il Registro di sistema \xE8 danneggiato.\r\n"},
    {ERROR_SERVICE_DOES_NOT_EXIST, "The specified service does not exist as an installed service.\r\n",
     "Il servizio specificato non esiste come servizio installato.\r\n"},
    {ERROR_DLL_INIT_FAILED, "A dynamic link library (DLL) initialization routine failed.\r\n",
     "Routine di inizializzazione della libreria di collegamento dinamico (DLL) non riuscita.\r\n"},
    {ERROR_NOT_FOUND, "Element not found.\r\n", "Elemento non trovato.\r\n"},
    {ERROR_CANT_ACCESS_FILE, "The file cannot be accessed by the system.\r\n",
     "Impossibile accedere al file da parte del sistema.\r\n"},
    {ERROR_CANCELLED, "The operation was canceled by the user.\r\n", "Operazione annullata dall'utente.\r\n"},
    {ERROR_NO_MORE_DEVICES, "No more local devices.\r\n", "Non ci sono altre periferiche locali.\r\n"},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired.\r\n",
     "Operazione terminata perch\xE9 \xE8 scaduto il periodo di timeout.\r\n"},
    {ERROR_INSTALL_FAILURE, "Fatal error during installation.\r\n",
     "Errore irreversibile durante l'installazione.\r\n"},
    {ERROR_UNKNOWN_PRODUCT, "This action is only valid for products that are currently installed.\r\n",
     "Questa azione \xE8 valida solo per i prodotti attualmente installati.\r\n"},
    {ERROR_INVALID_PRINTER_NAME, "The printer name is invalid.\r\n", "Nome di stampante non valido.\r\n"},
    {ERROR_RESOURCE_LANG_NOT_FOUND,
     "The specified resource language ID cannot be found in the image file.\r\n",
     "Impossibile trovare l'ID della lingua della risorsa specificata nel file di immagine.\r\n"},
    {ERROR_SUCCESS_REBOOT_REQUIRED,
     "The requested operation is successful. Changes will not be effective until the system is rebooted.\r\n",
     "L'operazione richiesta \xE8 stata completata. Le modifiche avranno effetto solo dopo il riavvio del "
     "sistema.\r\n"},
    {ERROR_DATABASE_FULL, "The database is full.\r\n", "Il database \xE8 pieno.\r\n"},
    // The service control manager's answers, a missing library and a network connection that is gone.
    {ERROR_SERVICE_MARKED_FOR_DELETE, "The specified service has been marked for deletion.\r\n",
     "Il servizio specificato \xE8 stato contrassegnato per l'eliminazione.\r\n"},
    {ERROR_SERVICE_DISABLED,
     "The service cannot be started, either because it is disabled or because it has no enabled devices "
     "associated with it.\r\n",
     "Impossibile avviare il servizio. Il servizio \xE8 disattivato oppure non vi sono periferiche attivate "
     "associate.\r\n"},
    {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started.\r\n", "Il servizio non \xE8 stato avviato.\r\n"},
    {ERROR_SERVICE_REQUEST_TIMEOUT,
     "The service did not respond to the start or control request in a timely fashion.\r\n",
     "Il servizio non ha risposto tempestivamente alla richiesta di avvio o di controllo.\r\n"},
    {ERROR_DLL_NOT_FOUND, "One of the library files needed to run this application cannot be found.\r\n",
     "Impossibile trovare uno dei file di libreria necessari per eseguire l'applicazione.\r\n"},
    {NERR_UseNotFound, "The network connection could not be found.\r\n",
     "Impossibile trovare la connessione di rete.\r\n"},
    // The spooler's unknown objects and objects in use.
    {ERROR_UNKNOWN_PORT, "The specified port is unknown.\r\n", "La porta specificata \xE8 sconosciuta.\r\n"},
    {ERROR_UNKNOWN_PRINTER_DRIVER, "The printer driver is unknown.\r\n",
     "Il driver della stampante \xE8 sconosciuto.\r\n"},
    {ERROR_UNKNOWN_PRINT_MONITOR, "The specified print monitor is unknown.\r\n",
     "Il monitor di stampa specificato \xE8 sconosciuto.\r\n"},
    {ERROR_PRINTER_DRIVER_IN_USE, "The specified printer driver is currently in use.\r\n",
     "Il driver della stampante specificato \xE8 attualmente in uso.\r\n"},
    {ERROR_PRINT_MONITOR_IN_USE, "The specified print monitor is currently in use.\r\n",
     "Il monitor di stampa specificato \xE8 attualmente in uso.\r\n"},
    // The removable-storage manager's database.
    {ERROR_OBJECT_NOT_FOUND, "The object identifier does not represent a valid object.\r\n",
     "L'identificatore non rappresenta un oggetto valido.\r\n"},
    {ERROR_DATABASE_FAILURE, "Unable to read from or write to the database.\r\n",
     "Impossibile leggere o scrivere nel database.\r\n"},
    {ERROR_INVALID_STATE, "The group or resource is not in the correct state to perform the requested operation.\r\n",
     "Lo stato del gruppo o della risorsa non consente di eseguire l'operazione richiesta.\r\n"},
};

const SystemMessage* FindSystemMessage(DWORD code) {
    for (const SystemMessage& message : kSystemMessages) {
        if (message.code == code) return &message;
    }
    return nullptr;
}

const char* TextIn(const SystemMessage& message, LANGID language) {
    return language == kItalian ? message.italian : message.english;
}

// The languages of the system's message texts a machine carries: the system language, when the platform
// has texts in it, and English, which every installation carries.
std::vector<LANGID> CarriedLanguages(const platform::Machine& machine) {
    std::vector<LANGID> carried;
    LANGID system = machine.settings().systemLanguage;
    if (system == kItalian) carried.push_back(kItalian);
    carried.push_back(kEnglish);
    return carried;
}

// The carried language a request names: an exact language id, or a primary language with the neutral
// sublanguage. LANG_USER_DEFAULT and LANG_SYSTEM_DEFAULT stand for the user's and the system's language.
std::optional<LANGID> CarriedLanguage(const platform::Machine& machine, LANGID requested) {
    if (requested == LANG_USER_DEFAULT) requested = machine.settings().userLanguage;
    if (requested == LANG_SYSTEM_DEFAULT) requested = machine.settings().systemLanguage;
    for (LANGID carried : CarriedLanguages(machine)) {
        if (carried == requested) return carried;
        if (SUBLANGID(requested) == SUBLANG_NEUTRAL && PRIMARYLANGID(requested) == PRIMARYLANGID(carried)) {
            return carried;
        }
    }
    return std::nullopt;
}

// Language 0 searches the neutral texts (the system has none), then the thread's language (the user's
// here), the user's, the system's, and English last.
LANGID SearchedLanguage(const platform::Machine& machine) {
    const platform::MachineSettings& settings = machine.settings();
    for (LANGID candidate : {settings.userLanguage, settings.systemLanguage, kEnglish}) {
        if (std::optional<LANGID> carried = CarriedLanguage(machine, candidate)) return *carried;
    }
    return kEnglish;
}

// The system's message definition of a code in a language, or the error FormatMessageA fails with.
const char* SystemMessageText(DWORD code, DWORD languageId, DWORD& error) {
    const platform::Machine& machine = platform::Machine::Current();
    LANGID language = 0;
    if (languageId == 0) {
        language = SearchedLanguage(machine);
    } else {
        std::optional<LANGID> carried;
        if (languageId <= 0xFFFF) carried = CarriedLanguage(machine, static_cast<LANGID>(languageId));
        if (!carried) {
            error = ERROR_RESOURCE_LANG_NOT_FOUND;
            return nullptr;
        }
        language = *carried;
    }
    const SystemMessage* message = FindSystemMessage(code);
    // A Windows error carried in an HRESULT (0x8007xxxx) has the text of the error itself.
    if (!message && (code & 0xFFFF0000u) == 0x80070000u) message = FindSystemMessage(code & 0xFFFFu);
    if (!message) {
        error = ERROR_MR_MID_NOT_FOUND;
        return nullptr;
    }
    return TextIn(*message, language);
}

// Where the values of %1 to %99 come from: an array of pointer-sized values, or the caller's va_list,
// whose arguments are taken to be pointer-sized as Windows takes them.
class InsertArguments {
  public:
    InsertArguments(va_list* list, bool isArray) : list_(list), isArray_(isArray) {}
    bool present() const { return list_ != nullptr; }
    DWORD_PTR Get(int number) const {
        if (isArray_) return reinterpret_cast<const DWORD_PTR*>(list_)[number - 1];
        va_list copy;
        va_copy(copy, *list_);
        DWORD_PTR value = 0;
        for (int index = 0; index < number; ++index) value = va_arg(copy, DWORD_PTR);
        va_end(copy);
        return value;
    }

  private:
    va_list* list_;
    bool isArray_;
};

// One insert formatted with its printf-style format ("s" unless the definition gives one between '!').
// Length prefixes (h, l, ll, I64, w) are dropped: integers are 32 bits wide, as Windows' long is.
std::string FormatInsert(std::string_view format, DWORD_PTR value) {
    std::string spec = "%";
    char conversion = 's';
    for (size_t index = 0; index < format.size(); ++index) {
        char character = format[index];
        if (std::strchr("-+ #0123456789.", character)) {
            spec += character;
        } else if (character == 'I' && format.substr(index, 3) == "I64") {
            index += 2;
        } else if (!std::strchr("hlwI", character)) {
            conversion = character;
            break;
        }
    }
    std::string result(64, '\0');
    for (;;) {
        int written = 0;
        switch (conversion) {
            case 'd':
            case 'i':
                written = std::snprintf(result.data(), result.size(), (spec + "d").c_str(),
                                        static_cast<int>(static_cast<INT>(value)));
                break;
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                written = std::snprintf(result.data(), result.size(), (spec + conversion).c_str(),
                                        static_cast<unsigned>(static_cast<UINT>(value)));
                break;
            case 'c':
                written = std::snprintf(result.data(), result.size(), (spec + "c").c_str(),
                                        static_cast<int>(static_cast<unsigned char>(value)));
                break;
            default: {
                const char* text = reinterpret_cast<const char*>(value);
                written =
                    std::snprintf(result.data(), result.size(), (spec + "s").c_str(), text ? text : "(null)");
                break;
            }
        }
        if (written < 0) return {};
        if (static_cast<size_t>(written) < result.size()) {
            result.resize(static_cast<size_t>(written));
            return result;
        }
        result.assign(static_cast<size_t>(written) + 1, '\0');
    }
}

// Breaks each line longer than `width` at the blank before the word that does not fit.
std::string WrapLines(const std::string& text, size_t width) {
    std::string wrapped;
    size_t lineStart = 0;
    while (lineStart <= text.size()) {
        size_t lineEnd = text.find("\r\n", lineStart);
        bool last = lineEnd == std::string::npos;
        std::string_view line(text.data() + lineStart, (last ? text.size() : lineEnd) - lineStart);
        while (line.size() > width) {
            size_t breakAt = line.rfind(' ', width);
            if (breakAt == std::string_view::npos || breakAt == 0) breakAt = line.find(' ', width);
            if (breakAt == std::string_view::npos) break;
            wrapped.append(line.substr(0, breakAt));
            wrapped.append("\r\n");
            line.remove_prefix(breakAt + 1);
        }
        wrapped.append(line);
        if (last) break;
        wrapped.append("\r\n");
        lineStart = lineEnd + 2;
    }
    return wrapped;
}

// Expands a message definition: inserts (%1 to %99, unless ignored), the escapes %0 (end, no line
// break), %n (hard line break), %r, %t, %% and %<other> for that character, and the definition's own
// line breaks, which a width in the low byte of the flags turns into blanks.
bool ExpandMessage(std::string_view definition, DWORD flags, const InsertArguments& arguments,
                   std::string& output, DWORD& error) {
    bool ignoreInserts = flags & FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    size_t index = 0;
    while (index < definition.size()) {
        char character = definition[index];
        if (character == '\r' || character == '\n') {
            index +=
                (character == '\r' && index + 1 < definition.size() && definition[index + 1] == '\n') ? 2 : 1;
            output += width ? " " : "\r\n";
            continue;
        }
        if (character != '%' || index + 1 >= definition.size()) {
            output += character;
            ++index;
            continue;
        }
        char escape = definition[index + 1];
        if (escape == '0') return true;
        if (escape >= '1' && escape <= '9') {
            size_t start = index;
            int number = escape - '0';
            index += 2;
            if (index < definition.size() && definition[index] >= '0' && definition[index] <= '9') {
                number = number * 10 + (definition[index] - '0');
                ++index;
            }
            std::string_view format = "s";
            if (index < definition.size() && definition[index] == '!') {
                size_t close = definition.find('!', index + 1);
                if (close == std::string_view::npos) {
                    error = ERROR_INVALID_PARAMETER;
                    return false;
                }
                format = definition.substr(index + 1, close - index - 1);
                index = close + 1;
            }
            if (ignoreInserts) {
                output.append(definition.substr(start, index - start));
                continue;
            }
            if (!arguments.present()) {
                error = ERROR_INVALID_PARAMETER;
                return false;
            }
            output += FormatInsert(format, arguments.Get(number));
            continue;
        }
        index += 2;
        switch (escape) {
            case 'n':
                output += "\r\n";
                break;
            case 'r':
                output += '\r';
                break;
            case 't':
                output += '\t';
                break;
            default:
                output += escape;
                break;
        }
    }
    if (width != 0 && width != FORMAT_MESSAGE_MAX_WIDTH_MASK) output = WrapLines(output, width);
    return true;
}

// The blocks LocalAlloc and GlobalAlloc handed out, so that freeing anything else fails as on Windows.
// Never destroyed: a block may be freed from another file's static destructor.
class HeapBlocks {
  public:
    void* Allocate(UINT flags, SIZE_T bytes) {
        size_t size = bytes ? bytes : 1;
        void* block = (flags & LMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
        if (!block) return nullptr;
        std::lock_guard<std::mutex> lock(mutex_);
        blocks_.insert(block);
        return block;
    }
    bool Contains(void* block) {
        std::lock_guard<std::mutex> lock(mutex_);
        return blocks_.count(block) != 0;
    }
    bool Free(void* block) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (blocks_.erase(block) == 0) return false;
        }
        std::free(block);
        return true;
    }

  private:
    std::mutex mutex_;
    std::unordered_set<void*> blocks_;
};

HeapBlocks& Heap() {
    static HeapBlocks* heap = new HeapBlocks;
    return *heap;
}

HANDLE AllocateBlock(UINT flags, SIZE_T bytes) {
    // The object is the program's module, so that a test can exhaust the heap of one program.
    if (DWORD error = platform::InjectedFault(platform::fault_target::kHeap,
                                              platform::CurrentProcess().modulePath(), "allocate")) {
        SetLastError(error);
        return nullptr;
    }
    void* block = Heap().Allocate(flags, bytes);
    if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

HANDLE FreeBlock(HANDLE block) {
    if (!block) return nullptr;
    if (Heap().Free(block)) return nullptr;
    SetLastError(ERROR_INVALID_HANDLE);
    return block;
}

}  // namespace

// Moveable blocks are handed out as fixed ones: the system's code asks only for LMEM_FIXED and LPTR.
extern "C" HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    return AllocateBlock(uFlags, uBytes);
}

extern "C" HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    return FreeBlock(hMem);
}

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    return AllocateBlock(uFlags, dwBytes);
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    return FreeBlock(hMem);
}

// A moveable block is a fixed one that never moves: locking gives its address, and its lock count stays 0,
// so unlocking answers 0 with no error, as for a fixed block on Windows.
extern "C" LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    if (!hMem || !Heap().Contains(hMem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return hMem;
}

extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    if (!hMem || !Heap().Contains(hMem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    SetLastError(NO_ERROR);
    return FALSE;
}

extern "C" DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                       LPSTR lpBuffer, DWORD nSize, va_list* Arguments) {
    if (!lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD error = 0;
    const char* definition = nullptr;
    if (dwFlags & FORMAT_MESSAGE_FROM_STRING) {
        definition = static_cast<const char*>(lpSource);
        if (!definition) error = ERROR_INVALID_PARAMETER;
    } else if (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) {
        definition = SystemMessageText(dwMessageId, dwLanguageId, error);
    } else {
        // The platform's modules carry no message tables.
        error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    }
    std::string message;
    InsertArguments arguments(Arguments, dwFlags & FORMAT_MESSAGE_ARGUMENT_ARRAY);
    if (definition && !ExpandMessage(definition, dwFlags, arguments, message, error)) definition = nullptr;
    if (!definition) {
        SetLastError(error);
        return 0;
    }
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* block = static_cast<LPSTR>(LocalAlloc(LMEM_FIXED, std::max<SIZE_T>(message.size() + 1, nSize)));
        *reinterpret_cast<LPSTR*>(lpBuffer) = block;
        if (!block) return 0;
        std::memcpy(block, message.c_str(), message.size() + 1);
        return static_cast<DWORD>(message.size());
    }
    if (message.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, message.c_str(), message.size() + 1);
    return static_cast<DWORD>(message.size());
}
