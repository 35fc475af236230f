#include "dxf/encoding.h"

#include <iconv.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "support/utf8.h"

namespace kx::dxf {

static_assert(sizeof(wchar_t) == 4, "wide strings are expected to hold UTF-32");

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t kLowBits = 0x0101010101010101ull;

// Everything we build tables for: the code pages a drawing can be in, plus Johab, which only
// ever shows up inside \M+4 escapes.
enum class Charset { Cp1252, Cp1250, Cp1251, Cp936, Cp950, Cp932, Cp949, Johab };

struct CharsetInfo {
  // iconv names, most specific first; glibc knows all of them, other C libraries may know only one.
  std::array<const char*, 2> iconvNames;
  bool doubleByte;
};

// Indexed by Charset.
constexpr CharsetInfo kCharsets[] = {
    {{"CP1252", "WINDOWS-1252"}, false},
    {{"CP1250", "WINDOWS-1250"}, false},
    {{"CP1251", "WINDOWS-1251"}, false},
    {{"CP936", "GBK"}, true},
    {{"CP950", "BIG5"}, true},
    {{"CP932", "WINDOWS-31J"}, true},
    {{"CP949", "UHC"}, true},
    {{"JOHAB", "CP1361"}, true},
};

Charset charsetOf(CodePage page) {
  switch (page) {
    case CodePage::Ansi1250:
      return Charset::Cp1250;
    case CodePage::Ansi1251:
      return Charset::Cp1251;
    case CodePage::Ansi936:
      return Charset::Cp936;
    case CodePage::Ansi950:
      return Charset::Cp950;
    case CodePage::Ansi932:
      return Charset::Cp932;
    case CodePage::Ansi949:
      return Charset::Cp949;
    case CodePage::Ansi1252:
    case CodePage::Utf8:
      break;
  }
  return Charset::Cp1252;
}

// Lookup tables of one code page. Bytes below 0x80 are ASCII in every page we decode as text.
struct PageTables {
  // Byte 0x80 + i as a character on its own; 0 if it is not one.
  std::array<char32_t, 128> high{};
  // Whether byte 0x80 + i starts a two-byte character.
  std::array<bool, 128> lead{};
  // Two-byte characters, indexed (lead - 0x80) * 256 + trail; 0 where the pair is not a character.
  std::vector<char32_t> pairs;
  // BMP character -> its code: 0 if the page does not hold it, <= 0xFF one byte, else
  // lead << 8 | trail. Characters below 0x80 are not looked up here.
  std::vector<std::uint16_t> reverse;

  char32_t pair(unsigned lead, unsigned trail) const { return pairs[(lead - 0x80) * 256 + trail]; }
  // The character of a \M+ code: a two-byte code, or a lone byte written with a zero lead.
  char32_t fromCode(unsigned code) const {
    const unsigned hi = code >> 8;
    const unsigned lo = code & 0xFF;
    if (hi >= 0x80 && lead[hi - 0x80]) return pair(hi, lo);
    if (hi == 0 && lo >= 0x80 && !lead[lo - 0x80]) return high[lo - 0x80];
    return 0;
  }
};

// One iconv conversion descriptor, used only while building tables.
class Iconv {
 public:
  enum : int { kInvalid = -1, kIncomplete = -2 };

  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`; returns the number of bytes written to `out`, kInvalid or kIncomplete.
  int convert(const void* in, std::size_t inSize, void* out, std::size_t outSize) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::array<char, 8> buffer{};
    std::memcpy(buffer.data(), in, inSize);
    char* inPtr = buffer.data();
    char* outPtr = static_cast<char*>(out);
    std::size_t outLeft = outSize;
    if (iconv(cd_, &inPtr, &inSize, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      return errno == EINVAL ? kIncomplete : kInvalid;
    }
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      return kInvalid;
    }
    return static_cast<int>(outSize - outLeft);
  }

 private:
  iconv_t cd_;
};

const char* utf32Name() {
  return std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
}

// Opens the first of the names iconv knows, in the direction given by `toPage`.
std::unique_ptr<Iconv> openConverter(const CharsetInfo& info, bool toPage) {
  for (const char* name : info.iconvNames) {
    auto cd = toPage ? std::make_unique<Iconv>(name, utf32Name())
                     : std::make_unique<Iconv>(utf32Name(), name);
    if (cd->ok()) return cd;
  }
  return nullptr;
}

// Decodes `size` bytes; the character if they are exactly one, else 0 or an Iconv error.
long decodeOne(Iconv& cd, const unsigned char* bytes, std::size_t size) {
  std::array<char32_t, 4> out{};
  const int n = cd.convert(bytes, size, out.data(), sizeof(out));
  if (n < 0) return n;
  return n == static_cast<int>(sizeof(char32_t)) ? static_cast<long>(out[0]) : 0;
}

std::unique_ptr<const PageTables> buildTables(Charset cs) {
  const CharsetInfo& info = kCharsets[static_cast<int>(cs)];
  const auto decoder = openConverter(info, false);
  const auto encoder = openConverter(info, true);
  if (!decoder || !encoder) return nullptr;

  auto t = std::make_unique<PageTables>();
  for (unsigned b = 0x80; b < 0x100; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    const long c = decodeOne(*decoder, &byte, 1);
    if (c > 0) {
      t->high[b - 0x80] = static_cast<char32_t>(c);
    } else if (c == Iconv::kIncomplete && info.doubleByte) {
      t->lead[b - 0x80] = true;
    } else if (!info.doubleByte && b < 0xA0) {
      // The few unassigned bytes of the single-byte pages stand for the C1 control of the same
      // number, as the system converters of the platform these drawings come from do. Mapping
      // them to U+FFFD would lose them on the way back.
      t->high[b - 0x80] = static_cast<char32_t>(b);
    }
  }

  t->reverse.assign(0x10000, 0);
  std::vector<char32_t> ambiguous;
  auto addReverse = [&](char32_t c, std::uint16_t code) {
    if (c < 0x80 || c > 0xFFFF) return;
    if (t->reverse[c] == 0) {
      t->reverse[c] = code;
    } else {
      ambiguous.push_back(c);
    }
  };
  for (unsigned b = 0x80; b < 0x100; ++b) {
    if (t->high[b - 0x80] != 0) addReverse(t->high[b - 0x80], static_cast<std::uint16_t>(b));
  }
  if (info.doubleByte) {
    t->pairs.assign(128 * 256, 0);
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
      if (!t->lead[lead - 0x80]) continue;
      for (unsigned trail = 0; trail < 0x100; ++trail) {
        const std::array<unsigned char, 2> bytes{static_cast<unsigned char>(lead),
                                                 static_cast<unsigned char>(trail)};
        const long c = decodeOne(*decoder, bytes.data(), bytes.size());
        if (c <= 0) continue;
        t->pairs[(lead - 0x80) * 256 + trail] = static_cast<char32_t>(c);
        addReverse(static_cast<char32_t>(c), static_cast<std::uint16_t>(lead << 8 | trail));
      }
    }
  }

  // A few pages hold some characters twice (Shift-JIS has both NEC and IBM rows). Write the code
  // the system converter prefers, as long as it reads back as the same character.
  for (const char32_t c : ambiguous) {
    std::array<unsigned char, 4> out{};
    const int n = encoder->convert(&c, sizeof(c), out.data(), out.size());
    std::uint16_t code = 0;
    char32_t back = 0;
    if (n == 1 && out[0] >= 0x80) {
      code = out[0];
      back = t->lead[out[0] - 0x80] ? 0 : t->high[out[0] - 0x80];
    } else if (n == 2 && out[0] >= 0x80 && t->lead[out[0] - 0x80]) {
      code = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
      back = t->pair(out[0], out[1]);
    }
    if (back == c) t->reverse[c] = code;
  }
  return t;
}

template <Charset cs>
const PageTables* cachedTables() {
  static const std::unique_ptr<const PageTables> tables = buildTables(cs);
  return tables.get();
}

// The tables of a charset, built on first use; null if iconv does not know the charset.
const PageTables* tablesFor(Charset cs) {
  switch (cs) {
    case Charset::Cp1252:
      return cachedTables<Charset::Cp1252>();
    case Charset::Cp1250:
      return cachedTables<Charset::Cp1250>();
    case Charset::Cp1251:
      return cachedTables<Charset::Cp1251>();
    case Charset::Cp936:
      return cachedTables<Charset::Cp936>();
    case Charset::Cp950:
      return cachedTables<Charset::Cp950>();
    case Charset::Cp932:
      return cachedTables<Charset::Cp932>();
    case Charset::Cp949:
      return cachedTables<Charset::Cp949>();
    case Charset::Johab:
      return cachedTables<Charset::Johab>();
  }
  return nullptr;
}

const PageTables* tablesFor(CodePage page) {
  return page == CodePage::Utf8 ? nullptr : tablesFor(charsetOf(page));
}

// --- bytes ---------------------------------------------------------------------------------------

std::uint64_t load8(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

bool hasZeroByte(std::uint64_t v) {
  return ((v - kLowBits) & ~v & kHighBits) != 0;
}

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Four hex digits at p (the caller made sure they are there); -1 if they are not all hex.
long hex4(const unsigned char* p) {
  long value = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = hexValue(p[i]);
    if (digit < 0) return -1;
    value = value << 4 | digit;
  }
  return value;
}

bool isHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

struct Escape {
  char32_t ch;
  std::size_t length;
};

// A \U+XXXX at p: its value, or -1.
long unicodeEscapeAt(const unsigned char* p, const unsigned char* end) {
  if (end - p < 7 || p[0] != '\\' || p[1] != 'U' || p[2] != '+') return -1;
  return hex4(p + 3);
}

// The escape starting at the backslash at p, if it is a well-formed one we can decode.
std::optional<Escape> readEscape(const unsigned char* p, const unsigned char* end) {
  if (end - p < 3 || p[2] != '+') return std::nullopt;
  if (p[1] == 'U') {
    const long value = unicodeEscapeAt(p, end);
    if (value < 0) return std::nullopt;
    const auto c = static_cast<char32_t>(value);
    if (isHighSurrogate(c)) {
      // Writers that think in UTF-16 spell a character above U+FFFF as two escapes.
      const long low = unicodeEscapeAt(p + 7, end);
      if (low < 0 || !isLowSurrogate(static_cast<char32_t>(low))) return std::nullopt;
      return Escape{0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00), 14};
    }
    if (isLowSurrogate(c)) return std::nullopt;
    return Escape{c, 7};
  }
  if (p[1] == 'M') {
    if (end - p < 8) return std::nullopt;
    // \M+n: 1 Shift-JIS, 2 Big5, 3 Unified Hangul, 4 Johab, 5 GBK.
    static constexpr Charset kPages[] = {Charset::Cp932, Charset::Cp950, Charset::Cp949,
                                         Charset::Johab, Charset::Cp936};
    if (p[3] < '1' || p[3] > '5') return std::nullopt;
    const Charset cs = kPages[p[3] - '1'];
    const long code = hex4(p + 4);
    if (code < 0) return std::nullopt;
    const PageTables* tables = tablesFor(cs);
    const char32_t c = tables ? tables->fromCode(static_cast<unsigned>(code)) : 0;
    if (c == 0) return std::nullopt;
    return Escape{c, 8};
  }
  return std::nullopt;
}

struct Decoded {
  const unsigned char* next;
  char32_t ch;
  bool valid;
};

Decoded decodeUtf8At(const unsigned char* p, const unsigned char* end) {
  const kx::support::DecodedCharacter d = kx::support::decodeUtf8Character(
      std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)));
  return {p + d.length, d.character, d.valid};
}

// Decodes one character of a code page at p (a byte >= 0x80).
Decoded decodePageAt(const PageTables& t, const unsigned char* p, const unsigned char* end) {
  const unsigned b = *p;
  if (!t.lead[b - 0x80]) {
    const char32_t c = t.high[b - 0x80];
    return {p + 1, c != 0 ? c : kReplacement, c != 0};
  }
  if (end - p < 2) return {end, kReplacement, false};
  const char32_t c = t.pair(b, p[1]);
  if (c != 0) return {p + 2, c, true};
  // An ASCII byte after a stray lead byte is read again on its own, so that a broken character
  // does not swallow the backslash of an escape or the text after it.
  return {p[1] < 0x80 ? p + 1 : p + 2, kReplacement, false};
}

// --- wide ----------------------------------------------------------------------------------------

bool isHexDigit(wchar_t c) {
  return c >= 0 && c < 0x80 && hexValue(static_cast<unsigned char>(c)) >= 0;
}

bool hex4At(std::wstring_view s, std::size_t pos) {
  if (s.size() < pos + 4) return false;
  for (std::size_t i = pos; i < pos + 4; ++i) {
    if (!isHexDigit(s[i])) return false;
  }
  return true;
}

// Whether the text after a backslash would be taken for an escape when read back.
bool readsAsEscape(std::wstring_view rest) {
  if (rest.size() < 2 || rest[1] != L'+') return false;
  if (rest[0] == L'U') return hex4At(rest, 2);
  if (rest[0] == L'M')
    return rest.size() > 2 && rest[2] >= L'1' && rest[2] <= L'5' && hex4At(rest, 3);
  return false;
}

void appendHex4(std::string& out, unsigned value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\U+";
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kDigits[(value >> shift) & 0xF]);
}

// \U+XXXX; characters above U+FFFF as a surrogate pair of escapes, which readers that take four
// hex digits (all of them) understand, and which cannot be confused with an escape followed by
// a digit.
void appendUnicodeEscape(std::string& out, char32_t c) {
  if (c > 0xFFFF) {
    c -= 0x10000;
    appendHex4(out, 0xD800 + (c >> 10));
    appendHex4(out, 0xDC00 + (c & 0x3FF));
  } else {
    appendHex4(out, c);
  }
}

std::size_t asciiPrefix(std::string_view bytes) {
  return kx::support::asciiPrefixLength(bytes);
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

// --- names ---------------------------------------------------------------------------------------

std::optional<CodePage> codePageFromName(std::string_view name) {
  static constexpr CodePage kAll[] = {CodePage::Utf8,     CodePage::Ansi1252, CodePage::Ansi936,
                                      CodePage::Ansi950,  CodePage::Ansi932,  CodePage::Ansi949,
                                      CodePage::Ansi1250, CodePage::Ansi1251};
  for (const CodePage page : kAll) {
    if (equalsIgnoreCase(name, codePageName(page))) return page;
  }
  if (equalsIgnoreCase(name, "UTF8")) return CodePage::Utf8;
  return std::nullopt;
}

std::string_view codePageName(CodePage page) {
  switch (page) {
    case CodePage::Utf8:
      return "UTF-8";
    case CodePage::Ansi1252:
      return "ANSI_1252";
    case CodePage::Ansi936:
      return "ANSI_936";
    case CodePage::Ansi950:
      return "ANSI_950";
    case CodePage::Ansi932:
      return "ANSI_932";
    case CodePage::Ansi949:
      return "ANSI_949";
    case CodePage::Ansi1250:
      return "ANSI_1250";
    case CodePage::Ansi1251:
      return "ANSI_1251";
  }
  return "ANSI_1252";
}

// --- validation ----------------------------------------------------------------------------------

CodePage detectRealEncoding(CodePage declared, CodePage fallback, std::string_view stringBytes) {
  if (declared == CodePage::Utf8)
    return kx::support::isValidUtf8(stringBytes) ? CodePage::Utf8 : fallback;
  const std::size_t ascii = asciiPrefix(stringBytes);
  if (ascii == stringBytes.size()) return declared;
  return kx::support::isValidUtf8(stringBytes.substr(ascii)) ? CodePage::Utf8 : declared;
}

// --- TextCodec -----------------------------------------------------------------------------------

struct TextCodec::Tables {
  const PageTables* page = nullptr;  // null for UTF-8
};

TextCodec::TextCodec(CodePage page) : page_(page), tables_(std::make_unique<Tables>()) {
  if (page == CodePage::Utf8) return;
  tables_->page = tablesFor(page);
  if (tables_->page == nullptr) {
    throw std::runtime_error("the C library has no converter for code page " +
                             std::string(codePageName(page)));
  }
}

TextCodec::~TextCodec() = default;
TextCodec::TextCodec(TextCodec&&) noexcept = default;
TextCodec& TextCodec::operator=(TextCodec&&) noexcept = default;

CodePage TextCodec::codePage() const {
  return page_;
}

bool TextCodec::isLeadByte(unsigned char byte) const {
  const PageTables* tables = tables_ ? tables_->page : tablesFor(page_);
  return tables && byte >= 0x80 && tables->lead[byte - 0x80];
}

std::wstring TextCodec::decode(std::string_view bytes) const {
  // Every byte yields at most one character, so the output never outgrows the input.
  std::wstring result(bytes.size(), L'\0');
  result.resize(decodeInto(bytes, result.data()));
  return result;
}

std::size_t TextCodec::decodeInto(std::string_view bytes, wchar_t* const start) const {
  // A moved-from codec still works: the tables are process-wide.
  const PageTables* tables = tables_ ? tables_->page : tablesFor(page_);
  wchar_t* out = start;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  static constexpr std::uint64_t kBackslashes = kLowBits * '\\';
  while (p < end) {
    // Plain ASCII without escapes is most of any drawing.
    while (end - p >= 8) {
      const std::uint64_t v = load8(p);
      if ((v & kHighBits) != 0 || hasZeroByte(v ^ kBackslashes)) break;
      for (int i = 0; i < 8; ++i) *out++ = static_cast<wchar_t>(p[i]);
      p += 8;
    }
    if (p == end) break;
    const unsigned char b = *p;
    if (b < 0x80) {
      if (b == '\\') {
        if (const auto escape = readEscape(p, end)) {
          *out++ = static_cast<wchar_t>(escape->ch);
          p += escape->length;
          continue;
        }
      }
      *out++ = static_cast<wchar_t>(b);
      ++p;
      continue;
    }
    const Decoded d = tables ? decodePageAt(*tables, p, end) : decodeUtf8At(p, end);
    *out++ = static_cast<wchar_t>(d.ch);
    p = d.next;
  }
  return static_cast<std::size_t>(out - start);
}

std::string TextCodec::encode(std::wstring_view text) const {
  const PageTables* tables = tables_ ? tables_->page : tablesFor(page_);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t w = text[i];
    if (w >= 0 && w < 0x80) {
      // A backslash is written as itself, unless what follows it would read back as an escape:
      // then it is escaped too, so that the text comes back as it was.
      if (w == L'\\' && readsAsEscape(text.substr(i + 1))) {
        appendUnicodeEscape(out, U'\\');
      } else {
        out.push_back(static_cast<char>(w));
      }
      continue;
    }
    auto c = static_cast<char32_t>(w);
    // Lone surrogates and values beyond Unicode are not characters and cannot be stored.
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (tables == nullptr) {
      kx::support::appendUtf8(out, c);
      continue;
    }
    const std::uint16_t code = c <= 0xFFFF ? tables->reverse[c] : 0;
    if (code == 0) {
      appendUnicodeEscape(out, c);
    } else if (code <= 0xFF) {
      out.push_back(static_cast<char>(code));
    } else {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    }
  }
  return out;
}

}  // namespace kx::dxf
