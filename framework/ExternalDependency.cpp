#include "framework/ExternalDependency.h"

#include "platform/OutputFile.h"
#include "script/FileAccess.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
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
    std::string record = std::string(key) + " ";
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
        record.append(text, n);
        break;
    }
    case DependencyInteger:
    {
        if (valueSize < sizeof(int32_t))
            return false;
        int32_t v;
        std::memcpy(&v, value, sizeof v);
        record += std::to_string(v);
        break;
    }
    case DependencyReal:
    {
        if (valueSize < sizeof(float))
            return false;
        float v;
        std::memcpy(&v, value, sizeof v);
        char text[64];
        std::snprintf(text, sizeof text, "%f", static_cast<double>(v));
        record += text;
        break;
    }
    default:
        return false;
    }
    return Save(record + "\r\n");
}

// The file is written anew under a hidden name, with the record after what it
// held, and renamed over the old one: a full disk or a crash leaves the old
// file whole, never half a record.
bool ExternalDependency::Save(const std::string& record)
{
    platform::OutputFile output;
    std::string why;
    if (!output.Create(GetPath(), why))
        return false;
    std::FILE* to = output.Stream();
    std::clearerr(m_File);
    if (std::fseek(m_File, 0, SEEK_SET) != 0)
        return false;
    char buffer[65536];
    size_t n;
    int last = -1;
    while ((n = std::fread(buffer, 1, sizeof buffer, m_File)) > 0)
    {
        if (std::fwrite(buffer, 1, n, to) != n)
            return false;
        last = static_cast<unsigned char>(buffer[n - 1]);
    }
    if (std::ferror(m_File))
        return false;
    // A last line without its break gets one, so that the record is not
    // glued onto the last value.
    const char* lead = last >= 0 && last != '\n' ? "\r\n" : "";
    if (std::fputs(lead, to) == EOF ||
        std::fwrite(record.data(), 1, record.size(), to) != record.size())
        return false;
    if (!output.Commit(why))
        return false;
    Reopen();
    return m_File != nullptr;
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
