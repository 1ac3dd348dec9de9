// Byte strings with an explicit length, a pool of recycled small buffers, and
// the escape, base64 and hex encodings on which the configuration files rest.
#pragma once

#include <cstdint>

const unsigned STRINGFLAG_BINARY = 1;     // written as a base64 block by HASH
const unsigned STRINGFLAG_DYNABLOCK = 2;  // the granule follows the buffer's size

const int STRING_DEFAULT_BLOCKSIZE = 96;

// Field flag: a missing field gives an empty string instead of a null one.
const int STRINGFIELD_EMPTYIFMISSING = 65536;

class STRING {
public:
    STRING();                                          // null, granule 96
    STRING(const char* text);                          // null pointer gives null
    STRING(const char* text, int length, int blocksize = STRING_DEFAULT_BLOCKSIZE);
    explicit STRING(int value);                        // decimal
    explicit STRING(unsigned long value);              // "%lu"
    explicit STRING(long long value);                  // "%I64d"
    STRING(const STRING& other);
    virtual ~STRING();
    // A null string with the given granule (below 1 gives 96).
    static STRING Granule(int blocksize);

    // Sizes the buffer for l bytes and sets the length; copies text when given.
    void Make(int l, const char* text);

    int Length() const { return StrLen; }
    bool NotNull() const { return Buffer != nullptr; }
    bool NotEmpty() const { return StrLen > 0; }
    bool IsNull() const { return Buffer == nullptr; }
    // The text, or "" for a null string (never a null pointer).
    const char* Text() const { return Buffer ? Buffer : ""; }
    // The raw buffer; null for a null string.
    char* Data() const { return Buffer; }
    operator const char*() const { return Text(); }

    int GetBufLen() const { return BufLen; }
    int GetBlockSize() const { return BlockSize; }
    unsigned GetFlags() const { return Flags; }
    void SetFlags(unsigned flags) { Flags = flags; }

    // Character i in 0..Length()-1; out of range is reported and reaches a dummy byte.
    char& operator[](int i);
    char operator[](int i) const;
    // As operator[], but the terminator's place Length() is allowed too.
    char& AtOrEnd(int i);

    STRING& operator=(const STRING& other);
    STRING& operator=(const char* text);
    // Makes the string null and gives its buffer back.
    void SetNull();

    // Appends n bytes of text, or up to its NUL when n is -1.
    STRING& Append(const char* text, int n = -1);
    STRING& AppendBytes(const void* bytes, int n);
    STRING& AppendChar(char c);
    STRING& operator+=(const char* text) { return Append(text); }
    STRING& operator+=(const STRING& text) { return AppendBytes(text.Buffer, text.StrLen); }

    STRING& Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    STRING& AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

    STRING operator+(const char* text) const;

    // Case-insensitive; two nulls are equal, one null equals nothing.
    bool operator==(const char* text) const;
    bool operator!=(const char* text) const { return !(*this == text); }
    bool operator==(const STRING& other) const;
    bool operator!=(const STRING& other) const { return !(*this == other); }
    friend bool operator==(const char* text, const STRING& s) { return s == text; }
    friend bool operator!=(const char* text, const STRING& s) { return !(s == text); }

    STRING Left(int n) const;
    STRING Right(int n) const;
    STRING Mid(int start, int n = -1) const;

    void Truncate(int newlength);
    void CutLeft(int howmany);
    void CutRight(int howmany);
    bool RemoveTrailing(char c);
    bool RemoveLeading(char c);

    void Insert(const char* text, int pos);
    void InsertFill(char c, int howmany, int pos);

    int Pos(const char* str, int start = 0) const;
    int iPos(const char* str, int start = 0) const;
    bool Find(const char* str, int* pos = nullptr, int start = 0) const;
    bool iFind(const char* str, int* pos = nullptr, int start = 0) const;

    // Replaces every occurrence; returns how many were replaced.
    int Replace(const char* oldtext, const char* newtext, bool casesensitive = true);
    // how: 'L' leading, 'R' trailing, 'B' both; removes every character found in chars.
    void Strip(char how, const char* chars);
    void ToUpper();
    void ToLower();

    STRING Field(int n, const char* separators, int flags = 0) const;
    STRING Line(int n) const { return Field(n, "\n"); }
    STRING Word(int n) const { return Field(n, " "); }

    int ToInt() const;
    long long ToInt64() const;
    double ToDouble() const;

    // Replaces the text by its UTF-16LE form (bytes zero-extended) and a 16-bit zero.
    void Widen();

    STRING Escape(const char* extra) const;
    STRING Unescape(bool lenient) const;
    STRING Base64Encode(bool wrap) const;
    STRING Base64Decode() const;
    STRING HexEncode() const;

protected:
    char* Buffer;
    int StrLen;
    int BufLen;
    int BlockSize;
    unsigned Flags;

private:
    void Init(int blocksize);
    void FreeBuffer();
};

// A STRING used as a byte buffer, with whole-file save and load.
class BINARY : public STRING {
public:
    using STRING::STRING;
    BINARY() : STRING() {}
    BINARY(const STRING& other) : STRING(other) {}
    BINARY& operator=(const STRING& other) { STRING::operator=(other); return *this; }

    // Writes all bytes; true when the file was opened and every byte reached it.
    bool Save(const char* file, const char* mode) const;
    // Replaces the content by the whole file; true when the file could be opened.
    bool Load(const char* file, const char* mode);
};

// Passes a text through unchanged, or handles a null pointer as KELVOFAILONNULL says.
const char* StringNullGuard(const char* p, const char* label);

// Frees every pooled buffer; later buffers go straight to and from the heap.
void StringPoolDrain();
// Number of buffers currently kept in the pool (for tests and diagnostics).
int StringPoolCount();
