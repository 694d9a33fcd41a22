#include "framework/ExternalDependency.h"

#include "core/DataFiles.h"
#include "script/FileAccess.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
bool IsBlank(int c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Reads the next white-space separated word into out, keeping at most limit
// bytes. The whole word is consumed either way; overlong tells whether it was
// cut. False at the end of the file with no word left.
bool ReadWord(std::FILE* f, std::string& out, size_t limit, bool& overlong)
{
    out.clear();
    overlong = false;
    int c;
    do
        c = std::fgetc(f);
    while (c != EOF && IsBlank(c));
    if (c == EOF)
        return false;
    for (; c != EOF && !IsBlank(c); c = std::fgetc(f))
    {
        if (out.size() < limit)
            out.push_back(static_cast<char>(c));
        else
            overlong = true;
    }
    return true;
}

bool IsValidKey(const char* key)
{
    if (!key)
        return false;
    size_t n = std::strlen(key);
    if (n == 0 || n > ExternalDependency::kMaxKeyLength)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (IsBlank(key[i]))
            return false;
    return true;
}

// The line break a new record needs in front of it: none when the file is
// empty or ends with one, else one, so that the record is not glued onto the
// last value. Leaves the position at the end, ready to append.
const char* LeadingBreak(std::FILE* f)
{
    const char* lead = "";
    if (std::fseek(f, 0, SEEK_END) == 0 && std::ftell(f) > 0 && std::fseek(f, -1, SEEK_END) == 0 &&
        std::fgetc(f) != '\n')
        lead = "\r\n";
    std::fseek(f, 0, SEEK_END);
    return lead;
}

bool IsKnownKind(int32_t kind)
{
    return kind == DependencyText || kind == DependencyInteger || kind == DependencyReal;
}

// Numbers are read like "%d" and "%f" read them (the longest leading number),
// but a value outside the type's range is refused rather than undefined.
bool ParseInteger(const std::string& word, int32_t& out)
{
    const char* begin = word.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool ParseReal(const std::string& word, float& out)
{
    const char* begin = word.c_str();
    char* end = nullptr;
    errno = 0;
    float v = std::strtof(begin, &end);
    if (end == begin || (errno == ERANGE && std::isinf(v)))
        return false;
    out = v;
    return true;
}
} // namespace

ExternalDependency::ExternalDependency(const std::string& name) : m_File(nullptr), m_Name(name)
{
    Open();
}

ExternalDependency::~ExternalDependency()
{
    Close();
}

void ExternalDependency::Open()
{
    Close();
    NoteDataFile(DataFileKind::Parameters, GetPath(), GetPath());
    m_File = OpenFile(GetPath(), "a+");
}

void ExternalDependency::Close()
{
    if (!m_File)
        return;
    CloseFile(m_File);
    m_File = nullptr;
}

void ExternalDependency::Reopen()
{
    Close();
    Open();
}

ExternalDependency::Lookup ExternalDependency::Find(void* value, const char* key, int32_t kind,
                                                    size_t valueSize)
{
    if (!m_File || !value || !IsValidKey(key) || !IsKnownKind(kind))
        return Lookup::Missing;
    if (kind != DependencyText && valueSize < sizeof(int32_t))
        return Lookup::Missing;
    std::clearerr(m_File);
    if (std::fseek(m_File, 0, SEEK_SET) != 0)
        return Lookup::Missing;

    std::string token;
    bool overlong = false;
    while (ReadWord(m_File, token, kMaxKeyLength, overlong))
    {
        if (overlong || token != key)
            continue;

        std::string word;
        size_t limit = kind == DependencyText ? (valueSize > 0 ? valueSize - 1 : 0) : kMaxKeyLength;
        if (!ReadWord(m_File, word, limit, overlong) || overlong)
            return Lookup::BadValue;
        switch (kind)
        {
        case DependencyText:
            std::memcpy(value, word.c_str(), word.size() + 1);
            return Lookup::Found;
        case DependencyInteger:
        {
            int32_t v;
            if (!ParseInteger(word, v))
                return Lookup::BadValue;
            std::memcpy(value, &v, sizeof v);
            return Lookup::Found;
        }
        default:
        {
            float v;
            if (!ParseReal(word, v))
                return Lookup::BadValue;
            std::memcpy(value, &v, sizeof v);
            return Lookup::Found;
        }
        }
    }
    return Lookup::Missing;
}

bool ExternalDependency::Append(const void* value, const char* key, int32_t kind, size_t valueSize)
{
    if (!m_File || !value || !IsValidKey(key))
        return false;
    int rc = -1;
    switch (kind)
    {
    case DependencyText:
    {
        // Only one word reads back as written.
        const char* text = static_cast<const char*>(value);
        size_t n = ::strnlen(text, valueSize);
        if (n == 0 || n == valueSize)
            return false;
        for (size_t i = 0; i < n; ++i)
            if (IsBlank(text[i]))
                return false;
        rc = std::fprintf(m_File, "%s%s %s\r\n", LeadingBreak(m_File), key, text);
        break;
    }
    case DependencyInteger:
    {
        if (valueSize < sizeof(int32_t))
            return false;
        int32_t v;
        std::memcpy(&v, value, sizeof v);
        rc = std::fprintf(m_File, "%s%s %d\r\n", LeadingBreak(m_File), key, v);
        break;
    }
    case DependencyReal:
    {
        if (valueSize < sizeof(float))
            return false;
        float v;
        std::memcpy(&v, value, sizeof v);
        rc = std::fprintf(m_File, "%s%s %f\r\n", LeadingBreak(m_File), key, static_cast<double>(v));
        break;
    }
    default:
        return false;
    }
    // Flushed at once so that the record survives a crash and a failed write
    // (a full disk) is noticed here.
    return rc > 0 && std::fflush(m_File) == 0;
}

bool ExternalDependency::ReadValue(void* value, const char* key, int32_t kind, size_t valueSize)
{
    return Find(value, key, kind, valueSize) == Lookup::Found;
}

bool ExternalDependency::WriteValue(const void* value, const char* key, int32_t kind,
                                    size_t valueSize)
{
    Append(value, key, kind, valueSize);
    return false;
}

bool ExternalDependency::GetOrStore(void* value, const char* key, int32_t kind, size_t valueSize)
{
    switch (Find(value, key, kind, valueSize))
    {
    case Lookup::Found:
        return false;
    case Lookup::BadValue:
        // A record exists but cannot be read: keep the default and do not add
        // a second record, which the first would hide anyway.
        return false;
    case Lookup::Missing:
        break;
    }
    return Append(value, key, kind, valueSize);
}
