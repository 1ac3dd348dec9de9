// Functions implementing the byte string STRING: buffer sizing and pooling,
// editing, searching, fields, and the escape, base64 and hex encodings.
#include "strings.h"

#include "kelvo.h"
#include "semaphores.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------- buffer pool

const int POOL_BUFFER_SIZE = 96;
const int POOL_MAX = 127;

static char* pool_items[POOL_MAX];
static int pool_count;
static bool pool_closed;

static CRITSECT& pool_lock()
{
    // Created on the first allocation and never destroyed: strings of static storage
    // give their buffers back after every static object of this file is gone.
    static CRITSECT* lock = new CRITSECT;
    return *lock;
}

static char* buffer_alloc(int size)
{
    if (size == POOL_BUFFER_SIZE) {
        CRITSECT& lock = pool_lock();
        lock.Enter();
        char* p = nullptr;
        if (!pool_closed && pool_count > 0) p = pool_items[--pool_count];
        lock.Leave();
        if (p) {
            memset(p, 0, POOL_BUFFER_SIZE);
            return p;
        }
    }
    return static_cast<char*>(calloc(1, size));
}

static void buffer_free(char* p, int size)
{
    if (!p) return;
    if (size == POOL_BUFFER_SIZE) {
        CRITSECT& lock = pool_lock();
        lock.Enter();
        bool kept = false;
        if (!pool_closed && pool_count < POOL_MAX) {
            pool_items[pool_count++] = p;
            kept = true;
        }
        lock.Leave();
        if (kept) return;
    }
    free(p);
}

void StringPoolDrain()
{
    CRITSECT& lock = pool_lock();
    lock.Enter();
    while (pool_count > 0) free(pool_items[--pool_count]);
    pool_closed = true;
    lock.Leave();
}

int StringPoolCount()
{
    CRITSECT& lock = pool_lock();
    lock.Enter();
    int n = pool_count;
    lock.Leave();
    return n;
}

// ---------------------------------------------------------------- null guard

const char* StringNullGuard(const char* p, const char* label)
{
    static int failonnull;  // the value read last time stays when the variable is absent
    if (p) return p;
    const char* env = getenv("KELVOFAILONNULL");
    if (env) failonnull = atoi(env);
    if (!(failonnull & 1)) return "<NULL>";
    if (failonnull & 2) Assert(false, "p!=NULL", __FILE__, __LINE__, label ? label : "<none>", false);
    return nullptr;
}

// A guarded text that is safe to read even when the guard hands back null.
static const char* guard(const char* p, const char* label)
{
    const char* g = StringNullGuard(p, label);
    return g ? g : "";
}

static bool ascii_iequal(const char* a, const char* b, int n)
{
    for (int i = 0; i < n; i++)
        if (toupper(static_cast<unsigned char>(a[i])) != toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// ---------------------------------------------------------------- construction

void STRING::Init(int blocksize)
{
    Buffer = nullptr;
    StrLen = 0;
    BufLen = 0;
    BlockSize = blocksize < 1 ? STRING_DEFAULT_BLOCKSIZE : blocksize;
    Flags = 0;
}

STRING::STRING() { Init(STRING_DEFAULT_BLOCKSIZE); }

STRING STRING::Granule(int blocksize)
{
    STRING s;
    s.BlockSize = blocksize < 1 ? STRING_DEFAULT_BLOCKSIZE : blocksize;
    return s;
}

STRING::STRING(const char* text)
{
    Init(STRING_DEFAULT_BLOCKSIZE);
    if (text) Make(static_cast<int>(strlen(text)), text);
}

STRING::STRING(const char* text, int length, int blocksize)
{
    Init(blocksize);
    if (text && length >= 0) Make(length, text);
}

STRING::STRING(int value)
{
    Init(STRING_DEFAULT_BLOCKSIZE);
    char buf[16];
    _itoa(value, buf, 10);
    Make(static_cast<int>(strlen(buf)), buf);
}

STRING::STRING(unsigned long value)
{
    Init(STRING_DEFAULT_BLOCKSIZE);
    Format("%lu", value);
}

STRING::STRING(long long value)
{
    Init(STRING_DEFAULT_BLOCKSIZE);
    Format("%I64d", value);
}

STRING::STRING(const STRING& other)
{
    Init(other.BlockSize);
    if (other.Buffer) Make(other.StrLen, other.Buffer);
    BlockSize = other.BlockSize;
    Flags = other.Flags;
}

STRING::~STRING() { FreeBuffer(); }

void STRING::FreeBuffer()
{
    buffer_free(Buffer, BufLen);
    Buffer = nullptr;
    StrLen = 0;
    BufLen = 0;
}

void STRING::SetNull() { FreeBuffer(); }

void STRING::Make(int l, const char* text)
{
    if (l < 0) return;
    // A text inside this string's own buffer must survive the buffer's replacement.
    STRING own;
    if (text && Buffer && text >= Buffer && text < Buffer + BufLen) {
        own.Make(l, nullptr);
        memcpy(own.Buffer, text, l);
        text = own.Buffer;
    }
    if (BufLen < l + 1) {
        int n = ((l + 1) / BlockSize + 1) * BlockSize;
        char* buffer = buffer_alloc(n);
        if (!ASSERT(buffer)) return;
        if (Buffer) {
            int keep = StrLen < n - 1 ? StrLen : n - 1;
            memcpy(buffer, Buffer, keep);
        }
        buffer_free(Buffer, BufLen);
        Buffer = buffer;
        BufLen = n;
        if (Flags & STRINGFLAG_DYNABLOCK) {
            int granule = n / 2;
            if (granule >= 131072)
                granule = 131072;
            else if (granule >= 4096)
                granule = (granule + 1023) / 1024 * 1024;
            if (granule != BlockSize) {
                BlockSize = granule;
                Logit("STRING::Make STRINGFLAG_DYNABLOCK new blocksize %d\n", BlockSize);
            }
        } else if (n >= 32768) {
            Flags |= STRINGFLAG_DYNABLOCK;
            BlockSize = 16382;
            Logit("STRING::Make Upgrade String to STRINGFLAG_DYNABLOCK\n");
        } else if (n >= 8192) {
            BlockSize = 4096;
        } else if (n >= 4096) {
            BlockSize = 2048;
        } else if (n >= 1024) {
            BlockSize = 1024;
        }
    }
    if (text) {
        memset(Buffer, 0, StrLen < BufLen ? StrLen : BufLen);
        if (!ASSERT(this->BufLen>=(l+1))) return;
        memcpy(Buffer, text, l);
    }
    Buffer[l] = 0;
    StrLen = l;
}

// ---------------------------------------------------------------- access

// Reports an access outside the string; the access goes to a byte reset to 0.
static char& out_of_range(const char* condition, int i, int len, const char* text)
{
    static char dummy_char;
    char info[200];
    snprintf(info, sizeof info, "i= %d, len= %d, buf= %.120s", i, len, text);
    Assert(false, condition, __FILE__, __LINE__, info, false);
    dummy_char = 0;
    return dummy_char;
}

char& STRING::operator[](int i)
{
    if (!(i >= 0 && i < this->StrLen)) return out_of_range("i>=0 && i<this->StrLen", i, StrLen, Text());
    return Buffer[i];
}

char STRING::operator[](int i) const
{
    return const_cast<STRING*>(this)->operator[](i);
}

char& STRING::AtOrEnd(int i)
{
    if (!(i >= 0 && i <= this->StrLen) || !Buffer)
        return out_of_range("i>=0 && i<=this->StrLen", i, StrLen, Text());
    return Buffer[i];
}

STRING& STRING::operator=(const STRING& other)
{
    if (this == &other) return *this;
    if (!other.Buffer) {
        FreeBuffer();
    } else {
        BlockSize = other.BlockSize;
        Make(other.StrLen, other.Buffer);
    }
    BlockSize = other.BlockSize;
    Flags = other.Flags;
    return *this;
}

STRING& STRING::operator=(const char* text)
{
    if (!text) {
        FreeBuffer();
        return *this;
    }
    if (text == Buffer) return *this;
    Make(static_cast<int>(strlen(text)), text);
    return *this;
}

// ---------------------------------------------------------------- appending

STRING& STRING::AppendBytes(const void* bytes, int n)
{
    if (n < 0) return *this;
    if (!bytes) {
        if (!Buffer) Make(0, "");
        return *this;
    }
    const char* src = static_cast<const char*>(bytes);
    // The source may lie in this string's own buffer, which Make may replace.
    bool inside = Buffer && src >= Buffer && src < Buffer + BufLen;
    ptrdiff_t offset = inside ? src - Buffer : 0;
    int old = StrLen;
    Make(StrLen + n, nullptr);
    if (StrLen != old + n) return *this;
    if (inside) src = Buffer + offset;
    memmove(Buffer + old, src, n);
    Buffer[StrLen] = 0;
    return *this;
}

STRING& STRING::Append(const char* text, int n)
{
    const char* t = guard(text, "STRING::Append op1");
    if (n == -1) n = static_cast<int>(strlen(t));
    return AppendBytes(t, n);
}

STRING& STRING::AppendChar(char c) { return AppendBytes(&c, 1); }

// Formats into buf (size bytes); a result that does not fit is reported and cut.
static void format_into(char* buf, int size, const char* label, const char* format, va_list args)
{
    int rc = vsnprintf(buf, size, guard(format, label), args);
    if (rc < 0) rc = size;
    if (!(rc < size - 1)) Assert(false, "rc<sizeof(buf)-1", __FILE__, __LINE__, format, false);
    buf[size - 1] = 0;
}

STRING& STRING::Format(const char* format, ...)
{
    char buf[2047];
    va_list args;
    va_start(args, format);
    format_into(buf, sizeof buf, "STRING::Format", format, args);
    va_end(args);
    Make(static_cast<int>(strlen(buf)), buf);
    return *this;
}

STRING& STRING::AppendFormat(const char* format, ...)
{
    char buf[4095];
    va_list args;
    va_start(args, format);
    format_into(buf, sizeof buf, "STRING::AppendFormat", format, args);
    va_end(args);
    return Append(buf);
}

STRING STRING::operator+(const char* text) const
{
    STRING result(*this);
    result.Append(guard(text, "STR::op1||"));
    return result;
}

// ---------------------------------------------------------------- comparing

bool STRING::operator==(const char* text) const
{
    if (!Buffer || !text) return !Buffer && !text;
    return _stricmp(Buffer, text) == 0;
}

bool STRING::operator==(const STRING& other) const
{
    if (!Buffer || !other.Buffer) return !Buffer && !other.Buffer;
    return _stricmp(Buffer, other.Buffer) == 0;
}

// ---------------------------------------------------------------- parts

STRING STRING::Mid(int start, int n) const
{
    STRING result;
    if (start < 0) start = 0;
    if (start >= StrLen) {
        result.Make(0, "");
        return result;
    }
    if (n < 0 || n > StrLen - start) n = StrLen - start;  // (start + n may overflow)
    result.Make(n, Buffer + start);
    return result;
}

STRING STRING::Left(int n) const
{
    if (n < 0) n = 0;
    return Mid(0, n);
}

STRING STRING::Right(int n) const
{
    int start = StrLen - n;
    if (start < 0) start = 0;
    return Mid(start, -1);
}

void STRING::Truncate(int newlength)
{
    if (!ASSERT(newlength>=0)) return;
    if (Buffer && newlength < StrLen) {
        StrLen = newlength;
        Buffer[StrLen] = 0;
    }
}

void STRING::CutLeft(int howmany)
{
    if (!ASSERT(howmany>=0) || !Buffer) return;
    if (howmany >= StrLen) {
        Truncate(0);
        return;
    }
    memmove(Buffer, Buffer + howmany, StrLen - howmany);
    StrLen -= howmany;
    Buffer[StrLen] = 0;
}

void STRING::CutRight(int howmany)
{
    if (!ASSERT(howmany>=0)) return;
    Truncate(howmany >= StrLen ? 0 : StrLen - howmany);
}

bool STRING::RemoveTrailing(char c)
{
    if (StrLen > 0 && Buffer[StrLen - 1] == c) {
        Truncate(StrLen - 1);
        return true;
    }
    return false;
}

bool STRING::RemoveLeading(char c)
{
    if (StrLen > 0 && Buffer[0] == c) {
        CutLeft(1);
        return true;
    }
    return false;
}

void STRING::Insert(const char* text, int pos)
{
    const char* t = guard(text, "STRING::Insert text");
    if (Buffer && !ASSERT(text!=this->Buffer)) return;
    if (pos < 0 || pos > StrLen) return;
    if (pos == StrLen) {
        Append(t);
        return;
    }
    STRING copy(t);  // the text may point into this buffer
    int n = copy.StrLen;
    int old = StrLen;
    Make(old + n, nullptr);
    memmove(Buffer + pos + n, Buffer + pos, old - pos);
    memset(Buffer + pos, ' ', n);
    memcpy(Buffer + pos, copy.Buffer, n);
    Buffer[StrLen] = 0;
}

void STRING::InsertFill(char c, int howmany, int pos)
{
    if (!ASSERT(howmany>=0)) return;
    if (pos < 0 || pos >= StrLen || howmany == 0) return;
    int old = StrLen;
    Make(old + howmany, nullptr);
    memmove(Buffer + pos + howmany, Buffer + pos, old - pos);
    memset(Buffer + pos, c, howmany);
    Buffer[StrLen] = 0;
}

// ---------------------------------------------------------------- searching

static int search(const char* hay, int haylen, const char* needle, int start, bool nocase)
{
    int n = static_cast<int>(strlen(needle));
    if (start < 0) start = 0;
    if (start >= haylen) return -1;
    for (int i = start; i + n <= haylen; i++) {
        if (nocase ? ascii_iequal(hay + i, needle, n) : memcmp(hay + i, needle, n) == 0)
            return i;
    }
    return -1;
}

int STRING::Pos(const char* str, int start) const
{
    const char* s = guard(str, "Pos str");
    if (!Buffer) return -1;
    return search(Buffer, StrLen, s, start, false);
}

int STRING::iPos(const char* str, int start) const
{
    const char* s = guard(str, "iPos str");
    if (!Buffer) {
        guard(Buffer, "iPos Buffer");
        return -1;
    }
    return search(Buffer, StrLen, s, start, true);
}

bool STRING::Find(const char* str, int* pos, int start) const
{
    int p = Pos(str, start);
    if (pos) *pos = p;
    return p != -1;
}

bool STRING::iFind(const char* str, int* pos, int start) const
{
    int p = iPos(str, start);
    if (pos) *pos = p;
    return p != -1;
}

int STRING::Replace(const char* oldtext, const char* newtext, bool casesensitive)
{
    const char* o = guard(oldtext, "Replace old");
    const char* nw = guard(newtext, "Replace new");
    if (!*o || strcmp(o, nw) == 0 || !Buffer) return 0;
    int olen = static_cast<int>(strlen(o));
    int nlen = static_cast<int>(strlen(nw));
    STRING result;
    result.Make(0, "");
    int count = 0;
    int from = 0;
    for (;;) {
        int p = search(Buffer, StrLen, o, from, !casesensitive);
        if (p < 0) break;
        result.AppendBytes(Buffer + from, p - from);
        result.AppendBytes(nw, nlen);
        from = p + olen;
        count++;
    }
    if (count == 0) return 0;
    result.AppendBytes(Buffer + from, StrLen - from);
    unsigned flags = Flags;
    Make(result.StrLen, result.Buffer);
    Flags = flags;
    return count;
}

void STRING::Strip(char how, const char* chars)
{
    how = static_cast<char>(toupper(static_cast<unsigned char>(how)));
    if (!ASSERT(how=='L' || how=='R' || how=='B')) return;
    const char* set = guard(chars, "Strip chars");
    if (!Buffer) return;
    if (how == 'R' || how == 'B') {
        int n = StrLen;
        while (n > 0 && strchr(set, Buffer[n - 1]) && Buffer[n - 1]) n--;
        Truncate(n);
    }
    if (how == 'L' || how == 'B') {
        int n = 0;
        while (n < StrLen && Buffer[n] && strchr(set, Buffer[n])) n++;
        CutLeft(n);
    }
}

void STRING::ToUpper()
{
    guard(Buffer, "ToUpper");
    for (int i = 0; i < StrLen; i++)
        Buffer[i] = static_cast<char>(toupper(static_cast<unsigned char>(Buffer[i])));
}

void STRING::ToLower()
{
    guard(Buffer, "ToLower");
    for (int i = 0; i < StrLen; i++)
        Buffer[i] = static_cast<char>(tolower(static_cast<unsigned char>(Buffer[i])));
}

STRING STRING::Field(int n, const char* separators, int flags) const
{
    const char* seps = guard(separators, "Field separators");
    STRING result;
    bool missing = !Buffer || n < 0;
    int pos = 0;
    for (int i = 0; !missing && i < n; i++) {
        int p = pos;
        while (p < StrLen && !(Buffer[p] && strchr(seps, Buffer[p]))) p++;
        if (p >= StrLen) missing = true;
        pos = p + 1;
    }
    if (missing) {
        if (flags & STRINGFIELD_EMPTYIFMISSING) result.Make(0, "");
        return result;
    }
    int end = pos;
    if (flags & 0xFFFF) {
        end = StrLen;
    } else {
        while (end < StrLen && !(Buffer[end] && strchr(seps, Buffer[end]))) end++;
    }
    result.Make(end - pos, Buffer + pos);
    return result;
}

// ---------------------------------------------------------------- numbers

int STRING::ToInt() const { return atoi(guard(Buffer, "atoi")); }

long long STRING::ToInt64() const { return _atoi64(guard(Buffer, "atoi64")); }

double STRING::ToDouble() const { return atof(guard(Buffer, "atof")); }

void STRING::Widen()
{
    if (!Buffer) return;
    int n = StrLen;
    Make(2 * n + 1, nullptr);  // keeps the bytes and puts a NUL behind the 16-bit zero
    // From the end, so every byte is read before its place is written.
    for (int i = n - 1; i >= 0; i--) {
        Buffer[2 * i + 1] = 0;
        Buffer[2 * i] = Buffer[i];
    }
    Buffer[2 * n] = 0;
    StrLen = 2 * n;
}

// ---------------------------------------------------------------- encodings

STRING STRING::Escape(const char* extra) const
{
    const char* ex = extra ? extra : "";
    STRING out;
    out.Make(0, "");
    for (int i = 0; i < StrLen; i++) {
        unsigned char c = static_cast<unsigned char>(Buffer[i]);
        switch (c) {
        case 92: out.Append("\\\\"); break;
        case 0: out.Append("\\0"); break;
        case 13: out.Append("\\r"); break;
        case 10: out.Append("\\n"); break;
        case 9: out.Append("\\t"); break;
        case 26: out.Append("\\z"); break;
        default:
            if (c < 32 || c > 127 || strchr(ex, c))
                out.AppendFormat("\\x%02x", c);
            else
                out.AppendChar(static_cast<char>(c));
        }
    }
    return out;
}

static int hexvalue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

STRING STRING::Unescape(bool lenient) const
{
    STRING out;
    if (!Buffer) return out;
    out.Make(0, "");
    for (int i = 0; i < StrLen; i++) {
        char c = Buffer[i];
        if (c != '\\') {
            out.AppendChar(c);
            continue;
        }
        char next = i + 1 < StrLen ? Buffer[i + 1] : 0;
        bool atend = i + 1 >= StrLen;
        switch (next) {
        case '0': out.AppendChar(0); i++; continue;
        case '\\': out.AppendChar('\\'); i++; continue;
        case 'n': out.AppendChar(10); i++; continue;
        case 'r': out.AppendChar(13); i++; continue;
        case 't': out.AppendChar(9); i++; continue;
        case 'z': out.AppendChar(26); i++; continue;
        case 'x': {
            char xdigit[2] = {0, 0};
            int have = 0;
            while (have < 2 && i + 2 + have < StrLen) {
                xdigit[have] = Buffer[i + 2 + have];
                have++;
            }
            if (!isxdigit(static_cast<unsigned char>(xdigit[0])))
                Assert(false, "isxdigit(xdigit[0])", __FILE__, __LINE__, Buffer, false);
            else if (!isxdigit(static_cast<unsigned char>(xdigit[1])))
                Assert(false, "isxdigit(xdigit[1])", __FILE__, __LINE__, Buffer, false);
            out.AppendChar(static_cast<char>(hexvalue(xdigit[0]) * 16 + hexvalue(xdigit[1])));
            i += 1 + have;
            continue;
        }
        default:
            if (lenient)
                out.AppendChar('\\');
            else
                Assert(false, "FALSE", __FILE__, __LINE__, Buffer, false);
            if (!atend) out.AppendChar(next);
            i++;
            continue;
        }
    }
    return out;
}

static const char BASE64_ALPHABET[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

STRING STRING::Base64Encode(bool wrap) const
{
    STRING out;
    out.Make(0, "");
    int linelen = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(Buffer);
    for (int i = 0; i < StrLen; i += 3) {
        unsigned v = p[i] << 16;
        int have = StrLen - i;
        if (have > 1) v |= p[i + 1] << 8;
        if (have > 2) v |= p[i + 2];
        char group[5];
        group[0] = BASE64_ALPHABET[(v >> 18) & 63];
        group[1] = BASE64_ALPHABET[(v >> 12) & 63];
        group[2] = have > 1 ? BASE64_ALPHABET[(v >> 6) & 63] : '=';
        group[3] = have > 2 ? BASE64_ALPHABET[v & 63] : '=';
        group[4] = 0;
        if (wrap && linelen + 4 > 76) {
            out.Append("\r\n");
            linelen = 0;
        }
        out.Append(group);
        linelen += 4;
    }
    if (wrap && linelen > 0) out.Append("\r\n");
    return out;
}

STRING STRING::Base64Decode() const
{
    STRING out;
    out.Make(0, "");
    unsigned v = 0;
    int have = 0;
    for (int i = 0; i < StrLen; i++) {
        char c = Buffer[i];
        if (c == '=') break;
        const char* where = c ? strchr(BASE64_ALPHABET, c) : nullptr;
        if (!where) continue;
        v = (v << 6) | static_cast<unsigned>(where - BASE64_ALPHABET);
        if (++have == 4) {
            char bytes[3] = {static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                             static_cast<char>(v)};
            out.AppendBytes(bytes, 3);
            v = 0;
            have = 0;
        }
    }
    if (have == 2) {
        char b = static_cast<char>(v >> 4);
        out.AppendBytes(&b, 1);
    } else if (have == 3) {
        char bytes[2] = {static_cast<char>(v >> 10), static_cast<char>(v >> 2)};
        out.AppendBytes(bytes, 2);
    }
    return out;
}

STRING STRING::HexEncode() const
{
    STRING out;
    out.Make(0, "");
    for (int i = 0; i < StrLen; i++)
        out.AppendFormat("%02x", static_cast<unsigned char>(Buffer[i]));
    return out;
}
