// VariantChangeType and VariantChangeTypeEx: Automation's coercions among the scalar types, strings
// (read and written with the locale's decimal point, dates and boolean names), interfaces and arrays.
// Out-of-range values give DISP_E_OVERFLOW, text that is not a value DISP_E_TYPEMISMATCH.
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/machine/text.h"
#include "platform/oleaut32/oleaut32_internal.h"
#include "windows.h"

namespace {

using Integer = __int128;

// What the coercions need of a locale: English and Italian are told apart; others read as English.
struct Locale {
    bool italian = false;
    char decimalPoint() const { return italian ? ',' : '.'; }
};

Locale LocaleOf(LCID lcid) {
    if (lcid == LOCALE_USER_DEFAULT || LANGIDFROMLCID(lcid) == LANG_NEUTRAL) lcid = GetUserDefaultLCID();
    if (lcid == LOCALE_SYSTEM_DEFAULT) lcid = GetSystemDefaultLCID();
    return Locale{PRIMARYLANGID(LANGIDFROMLCID(lcid)) == LANG_ITALIAN};
}

bool IsIntegerType(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
            return true;
        default:
            return false;
    }
}

bool IsScalarTarget(VARTYPE vt) {
    return IsIntegerType(vt) || vt == VT_R4 || vt == VT_R8 || vt == VT_CY || vt == VT_DATE || vt == VT_BOOL ||
           vt == VT_BSTR || vt == VT_ERROR;
}

void IntegerRange(VARTYPE vt, Integer& lowest, Integer& highest) {
    switch (vt) {
        case VT_I1:
            lowest = -128, highest = 127;
            return;
        case VT_UI1:
            lowest = 0, highest = 255;
            return;
        case VT_I2:
            lowest = -32768, highest = 32767;
            return;
        case VT_UI2:
            lowest = 0, highest = 65535;
            return;
        case VT_I4:
        case VT_INT:
        case VT_ERROR:
            lowest = INT32_MIN, highest = INT32_MAX;
            return;
        case VT_UI4:
        case VT_UINT:
            lowest = 0, highest = UINT32_MAX;
            return;
        case VT_I8:
            lowest = INT64_MIN, highest = INT64_MAX;
            return;
        default:
            lowest = 0, highest = UINT64_MAX;
            return;
    }
}

// A numeric value on its way between types: whole, or real.
struct Number {
    bool whole = true;
    Integer integer = 0;
    double real = 0;

    double AsReal() const { return whole ? static_cast<double>(integer) : real; }
};

Number Whole(Integer value) {
    return Number{true, value, 0};
}
Number Real(double value) {
    return Number{false, 0, value};
}

std::string Trimmed(BSTR text) {
    std::string ansi = platform::AnsiFromWide(text ? std::u16string_view(text, SysStringLen(text)) : u"");
    return std::string(platform::TrimBlanks(ansi));
}

// Digits with an optional sign, the locale's decimal point and an exponent.
bool ParseNumber(const std::string& text, const Locale& locale, double& value) {
    if (text.empty()) return false;
    std::string plain;
    for (char character : text) {
        if (character == locale.decimalPoint()) {
            plain += '.';
        } else if ((character >= '0' && character <= '9') || character == '-' || character == '+' || character == 'e' ||
                   character == 'E') {
            plain += character;
        } else {
            return false;
        }
    }
    const char* begin = plain.data();
    if (*begin == '+') ++begin;
    auto [end, error] = std::from_chars(begin, plain.data() + plain.size(), value);
    return error == std::errc() && end == plain.data() + plain.size();
}

struct BooleanNames {
    const char* truth;
    const char* falsehood;
};
constexpr BooleanNames englishBooleans{"True", "False"};
constexpr BooleanNames italianBooleans{"Vero", "Falso"};

// Dates as text ---------------------------------------------------------------------------------------

std::string DateText(DATE date, const Locale& locale) {
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(date, &time)) return std::string();
    char buffer[64];
    std::string text;
    bool hasDate = std::trunc(date) != 0;
    bool hasTime = time.wHour || time.wMinute || time.wSecond;
    if (hasDate || !hasTime) {
        if (locale.italian) {
            std::snprintf(buffer, sizeof buffer, "%02u/%02u/%04u", time.wDay, time.wMonth, time.wYear);
        } else {
            std::snprintf(buffer, sizeof buffer, "%u/%u/%u", time.wMonth, time.wDay, time.wYear);
        }
        text = buffer;
    }
    if (hasTime) {
        if (!text.empty()) text += ' ';
        if (locale.italian) {
            std::snprintf(buffer, sizeof buffer, "%u.%02u.%02u", time.wHour, time.wMinute, time.wSecond);
        } else {
            unsigned hour = time.wHour % 12 == 0 ? 12 : time.wHour % 12;
            std::snprintf(buffer, sizeof buffer, "%u:%02u:%02u %s", hour, time.wMinute, time.wSecond,
                          time.wHour < 12 ? "AM" : "PM");
        }
        text += buffer;
    }
    return text;
}

// Reads up to `most` numbers separated by one of the separators from the text at the position.
int ReadNumbers(const std::string& text, std::size_t& position, const std::string& separators, unsigned* numbers,
                int most) {
    int count = 0;
    while (count < most) {
        std::size_t start = position;
        unsigned value = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9' && position - start < 5)
            value = value * 10 + static_cast<unsigned>(text[position++] - '0');
        if (position == start) break;
        numbers[count++] = value;
        if (position < text.size() && separators.find(text[position]) != std::string::npos &&
            position + 1 < text.size() && text[position + 1] >= '0' && text[position + 1] <= '9') {
            ++position;
        } else {
            break;
        }
    }
    return count;
}

// "month/day/year" in English, "day/month/year" in Italian, a time (hours and minutes, and seconds;
// with AM or PM in English, with '.' or ':' in Italian), or a date and a time.
bool ParseDate(const std::string& text, const Locale& locale, DATE& date) {
    SYSTEMTIME time{};
    time.wYear = 1899, time.wMonth = 12, time.wDay = 30;
    std::size_t position = 0;
    unsigned numbers[3] = {};
    int count = ReadNumbers(text, position, "/-", numbers, 3);
    bool dateRead = count == 3;
    if (dateRead) {
        unsigned year = numbers[2];
        if (year < 30) {
            year += 2000;
        } else if (year < 100) {
            year += 1900;
        }
        time.wYear = static_cast<WORD>(year);
        time.wMonth = static_cast<WORD>(locale.italian ? numbers[1] : numbers[0]);
        time.wDay = static_cast<WORD>(locale.italian ? numbers[0] : numbers[1]);
        while (position < text.size() && text[position] == ' ') ++position;
    } else {
        if (count == 2) return false;
        position = 0;
    }
    bool timeRead = false;
    if (position < text.size()) {
        unsigned parts[3] = {};
        int partCount = ReadNumbers(text, position, locale.italian ? ".:" : ":", parts, 3);
        while (position < text.size() && text[position] == ' ') ++position;
        std::string marker = platform::UpperCopy(text.substr(position));
        bool hasMarker = marker == "AM" || marker == "PM";
        if ((!marker.empty() && !hasMarker) || partCount == 0 || (partCount == 1 && !hasMarker)) return false;
        if (hasMarker) {
            if (parts[0] < 1 || parts[0] > 12) return false;
            parts[0] = parts[0] % 12 + (marker == "PM" ? 12 : 0);
        }
        time.wHour = static_cast<WORD>(parts[0]);
        time.wMinute = static_cast<WORD>(parts[1]);
        time.wSecond = static_cast<WORD>(parts[2]);
        timeRead = true;
    }
    if (!dateRead && !timeRead) return false;
    return SystemTimeToVariantTime(&time, &date) != FALSE;
}

// Reading a scalar source ------------------------------------------------------------------------------

HRESULT ReadNumber(const VARIANT& source, const Locale& locale, Number& number) {
    switch (source.vt) {
        case VT_EMPTY:
            number = Whole(0);
            return S_OK;
        case VT_I1:
            number = Whole(source.cVal);
            return S_OK;
        case VT_UI1:
            number = Whole(source.bVal);
            return S_OK;
        case VT_I2:
            number = Whole(source.iVal);
            return S_OK;
        case VT_UI2:
            number = Whole(source.uiVal);
            return S_OK;
        case VT_I4:
        case VT_INT:
            number = Whole(source.lVal);
            return S_OK;
        case VT_UI4:
        case VT_UINT:
            number = Whole(source.ulVal);
            return S_OK;
        case VT_I8:
            number = Whole(source.llVal);
            return S_OK;
        case VT_UI8:
            number = Whole(source.ullVal);
            return S_OK;
        case VT_BOOL:
            number = Whole(source.boolVal ? -1 : 0);
            return S_OK;
        case VT_R4:
            number = Real(source.fltVal);
            return S_OK;
        case VT_R8:
        case VT_DATE:
            number = Real(source.dblVal);
            return S_OK;
        case VT_CY:
            number = Real(static_cast<double>(source.cyVal.int64) / 10000.0);
            return S_OK;
        case VT_BSTR: {
            double value = 0;
            if (!ParseNumber(Trimmed(source.bstrVal), locale, value)) return DISP_E_TYPEMISMATCH;
            number = Real(value);
            return S_OK;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

// Reals round to the nearest whole number, halves to the even one.
HRESULT ToInteger(const Number& number, VARTYPE target, Integer& value) {
    Integer lowest = 0;
    Integer highest = 0;
    IntegerRange(target, lowest, highest);
    if (number.whole) {
        value = number.integer;
    } else {
        double rounded = std::nearbyint(number.real);
        if (!(rounded >= -9.3e18 && rounded <= 1.85e19)) return DISP_E_OVERFLOW;
        value = static_cast<Integer>(rounded);
    }
    if (value < lowest || value > highest) return DISP_E_OVERFLOW;
    return S_OK;
}

void StoreInteger(Integer value, VARTYPE target, VARIANT& result) {
    result.vt = target;
    switch (target) {
        case VT_I1:
            result.cVal = static_cast<CHAR>(value);
            break;
        case VT_UI1:
            result.bVal = static_cast<BYTE>(value);
            break;
        case VT_I2:
            result.iVal = static_cast<SHORT>(value);
            break;
        case VT_UI2:
            result.uiVal = static_cast<USHORT>(value);
            break;
        case VT_I4:
        case VT_INT:
        case VT_ERROR:
            result.lVal = static_cast<LONG>(value);
            break;
        case VT_UI4:
        case VT_UINT:
            result.ulVal = static_cast<ULONG>(value);
            break;
        case VT_I8:
            result.llVal = static_cast<LONGLONG>(value);
            break;
        default:
            result.ullVal = static_cast<ULONGLONG>(value);
            break;
    }
}

HRESULT StoreText(const std::string& text, VARIANT& result) {
    std::u16string wide = platform::WideFromAnsi(text);
    result.vt = VT_BSTR;
    result.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return result.bstrVal ? S_OK : E_OUTOFMEMORY;
}

std::string RealText(double value, int digits, const Locale& locale) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    std::string text = buffer;
    for (char& character : text)
        if (character == '.') character = locale.decimalPoint();
    return text;
}

// Currency with the fraction it has, up to four digits.
std::string CurrencyText(LONGLONG scaled, const Locale& locale) {
    Integer value = scaled;
    bool negative = value < 0;
    if (negative) value = -value;
    std::string text = std::to_string(static_cast<unsigned long long>(value / 10000));
    std::string fraction = std::to_string(static_cast<unsigned long long>(value % 10000 + 10000)).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += locale.decimalPoint() + fraction;
    return negative ? "-" + text : text;
}

std::string IntegerText(Integer value) {
    return value < 0 ? std::to_string(static_cast<long long>(value)) : std::to_string(static_cast<unsigned long long>(value));
}

HRESULT ToText(const VARIANT& source, const Locale& locale, USHORT flags, VARIANT& result) {
    switch (source.vt) {
        case VT_EMPTY:
            return StoreText("", result);
        case VT_BSTR:
            result.vt = VT_BSTR;
            result.bstrVal = nullptr;
            if (!source.bstrVal) return S_OK;
            result.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source.bstrVal), SysStringByteLen(source.bstrVal));
            return result.bstrVal ? S_OK : E_OUTOFMEMORY;
        case VT_BOOL: {
            if (!(flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))) return StoreText(source.boolVal ? "-1" : "0", result);
            const BooleanNames& names = (flags & VARIANT_LOCALBOOL) && locale.italian ? italianBooleans : englishBooleans;
            return StoreText(source.boolVal ? names.truth : names.falsehood, result);
        }
        case VT_R4:
            return StoreText(RealText(source.fltVal, 7, locale), result);
        case VT_R8:
            return StoreText(RealText(source.dblVal, 15, locale), result);
        case VT_CY:
            return StoreText(CurrencyText(source.cyVal.int64, locale), result);
        case VT_DATE: {
            std::string text = DateText(source.date, locale);
            if (text.empty()) return DISP_E_OVERFLOW;
            return StoreText(text, result);
        }
        case VT_ERROR:
        case VT_NULL:
        case VT_DECIMAL:
            return DISP_E_TYPEMISMATCH;
        default: {
            Number number;
            HRESULT outcome = ReadNumber(source, locale, number);
            if (FAILED(outcome)) return outcome;
            return StoreText(IntegerText(number.integer), result);
        }
    }
}

HRESULT ToBoolean(const VARIANT& source, const Locale& locale, VARIANT& result) {
    result.vt = VT_BOOL;
    if (source.vt == VT_BSTR) {
        std::string text = Trimmed(source.bstrVal);
        for (const BooleanNames& names : {englishBooleans, italianBooleans}) {
            if (platform::EqualsNoCase(text, names.truth)) {
                result.boolVal = VARIANT_TRUE;
                return S_OK;
            }
            if (platform::EqualsNoCase(text, names.falsehood)) {
                result.boolVal = VARIANT_FALSE;
                return S_OK;
            }
        }
    }
    Number number;
    HRESULT outcome = ReadNumber(source, locale, number);
    if (FAILED(outcome)) return outcome;
    bool truth = number.whole ? number.integer != 0 : number.real != 0;
    result.boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

constexpr double earliestDate = -657434.0;
constexpr double latestDate = 2958466.0;

HRESULT ToScalar(const VARIANT& source, VARTYPE target, const Locale& locale, USHORT flags, VARIANT& result) {
    if (source.vt == VT_NULL || source.vt == VT_UNKNOWN || source.vt == VT_DISPATCH || source.vt == VT_DECIMAL)
        return DISP_E_TYPEMISMATCH;
    if (target == VT_BSTR) return ToText(source, locale, flags, result);
    if (target == VT_BOOL) {
        if (source.vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
        return ToBoolean(source, locale, result);
    }
    // An error code is a whole number of its own: it goes to and from whole numbers only.
    if (target == VT_ERROR || source.vt == VT_ERROR) {
        if (source.vt == VT_ERROR && target == VT_ERROR) {
            result = source;
            return S_OK;
        }
        VARTYPE other = target == VT_ERROR ? source.vt : target;
        if (!IsIntegerType(other)) return DISP_E_TYPEMISMATCH;
        Number number = source.vt == VT_ERROR ? Whole(source.scode) : Number{};
        if (source.vt != VT_ERROR) {
            HRESULT outcome = ReadNumber(source, locale, number);
            if (FAILED(outcome)) return outcome;
        }
        Integer value = 0;
        HRESULT outcome = ToInteger(number, target, value);
        if (FAILED(outcome)) return outcome;
        StoreInteger(value, target, result);
        return S_OK;
    }
    if (target == VT_DATE && source.vt == VT_BSTR) {
        DATE date = 0;
        if (!ParseDate(Trimmed(source.bstrVal), locale, date)) return DISP_E_TYPEMISMATCH;
        result.vt = VT_DATE;
        result.date = date;
        return S_OK;
    }
    Number number;
    HRESULT outcome = ReadNumber(source, locale, number);
    if (FAILED(outcome)) return outcome;
    if (IsIntegerType(target)) {
        Integer value = 0;
        Integer lowest = 0;
        Integer highest = 0;
        IntegerRange(target, lowest, highest);
        // True, all bits set, reads as the largest unsigned number.
        if (source.vt == VT_BOOL && lowest == 0 && number.integer < 0) number = Whole(highest);
        outcome = ToInteger(number, target, value);
        if (FAILED(outcome)) return outcome;
        StoreInteger(value, target, result);
        return S_OK;
    }
    double real = number.AsReal();
    switch (target) {
        case VT_R4:
            if (std::fabs(real) > FLT_MAX) return DISP_E_OVERFLOW;
            result.vt = VT_R4;
            result.fltVal = static_cast<float>(real);
            return S_OK;
        case VT_R8:
            result.vt = VT_R8;
            result.dblVal = real;
            return S_OK;
        case VT_DATE:
            if (!(real >= earliestDate && real < latestDate)) return DISP_E_OVERFLOW;
            result.vt = VT_DATE;
            result.date = real;
            return S_OK;
        case VT_CY: {
            double scaled = std::nearbyint(real * 10000.0);
            if (!(scaled >= -9.2233720368547758e18 && scaled < 9.2233720368547758e18)) return DISP_E_OVERFLOW;
            result.vt = VT_CY;
            result.cyVal.int64 = static_cast<LONGLONG>(scaled);
            return S_OK;
        }
        default:
            return DISP_E_BADVARTYPE;
    }
}

HRESULT ToInterface(const VARIANT& source, VARTYPE target, VARIANT& result) {
    if (source.vt != VT_UNKNOWN && source.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    result.vt = target;
    result.punkVal = nullptr;
    if (!source.punkVal) return S_OK;
    return source.punkVal->QueryInterface(target == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                          reinterpret_cast<void**>(&result.punkVal));
}

bool ValidTarget(VARTYPE vt) {
    if (vt & (VT_BYREF | VT_VECTOR | VT_RESERVED)) return false;
    if (vt & VT_ARRAY) return platform::automation::ValidVariantType(vt);
    return vt == VT_EMPTY || vt == VT_NULL || vt == VT_DISPATCH || vt == VT_UNKNOWN || vt == VT_DECIMAL ||
           IsScalarTarget(vt);
}

// The converted value, into a result that holds nothing yet.
HRESULT Convert(const VARIANT& value, VARTYPE target, const Locale& locale, USHORT flags, VARIANT& result) {
    if (target == VT_EMPTY) return S_OK;
    if ((value.vt & VT_ARRAY) || (target & VT_ARRAY)) {
        if (value.vt != target) return DISP_E_TYPEMISMATCH;
        result.vt = target;
        return SafeArrayCopy(value.parray, &result.parray);
    }
    if (target == VT_NULL) {
        if (value.vt != VT_NULL && value.vt != VT_EMPTY) return DISP_E_TYPEMISMATCH;
        result.vt = VT_NULL;
        return S_OK;
    }
    if (target == VT_DISPATCH || target == VT_UNKNOWN) return ToInterface(value, target, result);
    if (target == VT_DECIMAL) return DISP_E_TYPEMISMATCH;
    // An object becomes a scalar through its value property.
    if (value.vt == VT_DISPATCH && !(flags & VARIANT_NOVALUEPROP)) {
        if (!value.pdispVal) return DISP_E_TYPEMISMATCH;
        DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
        VARIANT property;
        VariantInit(&property);
        HRESULT outcome = value.pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                                 &noArguments, &property, nullptr, nullptr);
        if (FAILED(outcome)) return outcome;
        VARIANT borrowed;
        outcome = platform::automation::Dereference(property, borrowed);
        if (SUCCEEDED(outcome)) outcome = Convert(borrowed, target, locale, flags | VARIANT_NOVALUEPROP, result);
        VariantClear(&property);
        return outcome;
    }
    return ToScalar(value, target, locale, flags, result);
}

}  // namespace

STDAPI VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags, VARTYPE vt) {
    if (!pvargDest || !pvarSrc) return E_INVALIDARG;
    if (!platform::automation::ValidVariantType(pvarSrc->vt) || !ValidTarget(vt)) return DISP_E_BADVARTYPE;
    VARIANT borrowed;
    HRESULT result = platform::automation::Dereference(*pvarSrc, borrowed);
    if (FAILED(result)) return result;
    VARIANT converted;
    VariantInit(&converted);
    result = Convert(borrowed, vt, LocaleOf(lcid), wFlags, converted);
    if (FAILED(result)) {
        VariantClear(&converted);
        return result;
    }
    // The source may be the destination: it is cleared only once the new value is made.
    result = VariantClear(pvargDest);
    if (FAILED(result)) {
        VariantClear(&converted);
        return result;
    }
    *pvargDest = converted;
    return S_OK;
}

STDAPI VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
    return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
