#pragma once
// Named values kept in a small text file of their own, "<name>.dep", so they
// can be edited between runs. The first time a value is asked for, its
// built-in default is appended to the file; from then on the file's value is
// read back.
//
// File format: one record per line, the key, one blank and the value, lines
// ended with CR LF (LF alone is read too). Keys and text values are single
// words. The file is read as a stream of words: the first word anywhere that
// equals the key is taken as the key, and the word after it as its value, so
// the first of two records with one key wins. A record appended to a file
// whose last line lacks its line break gets one in front. Only a regular file
// is opened. Appending writes the whole file anew under a hidden name and
// renames it over the old one, so no failure leaves a file cut short.
//
// Bounds: a key is 1 to kMaxKeyLength bytes without white space; a text value
// is read into the caller's buffer only if it fits with its terminating zero.
// A word that does not fit is a failed read, never an overflow.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

enum DependencyValueType : int32_t
{
    DependencyText = 1,    // char buffer, one word, zero-terminated
    DependencyInteger = 2, // int32_t, written "%d"
    DependencyReal = 3     // float, written "%f" (six decimals)
};

class ExternalDependency
{
  public:
    static const size_t kMaxKeyLength = 255;

    // Opens (creating if missing) name + ".dep". When that fails the error box
    // "File Not Found!" is shown, a quit is requested, and the object works on
    // without a file: reads answer false, writes do nothing.
    explicit ExternalDependency(const std::string& name);
    virtual ~ExternalDependency();
    ExternalDependency(const ExternalDependency&) = delete;
    ExternalDependency& operator=(const ExternalDependency&) = delete;

    void Open();
    void Close();
    void Reopen();

    // value points at valueSize bytes of the kind's type (for text, the whole
    // buffer). True when the key was found and its value read into value;
    // otherwise value is untouched.
    bool ReadValue(void* value, const char* key, int32_t kind, size_t valueSize);
    // Appends the record "key value" at the end of the file. Answers false,
    // whether or not it wrote (GetOrStore says whether a record went in).
    // Nothing is written for a bad key, an unknown kind, or a text value that
    // is not one word.
    bool WriteValue(const void* value, const char* key, int32_t kind, size_t valueSize);
    // Reads the key's value into value if the file has the key; otherwise
    // appends the default that value holds. True only when the default was
    // written to the file.
    bool GetOrStore(void* value, const char* key, int32_t kind, size_t valueSize);

    bool IsOpen() const { return m_File != nullptr; }
    const std::string& GetName() const { return m_Name; }
    std::string GetPath() const { return m_Name + ".dep"; }

  private:
    enum class Lookup
    {
        Found,
        Missing,
        BadValue // key present, value unreadable as its kind or too long
    };
    Lookup Find(void* value, const char* key, int32_t kind, size_t valueSize);
    bool Append(const void* value, const char* key, int32_t kind, size_t valueSize);
    bool Save(const std::string& record);

    std::FILE* m_File;
    std::string m_Name;
};
