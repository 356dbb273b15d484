#include "support/string_class.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "support/string_format.h"
#include "support/zstring.h"

namespace tickwell {

namespace {

// Runs an operation body; whatever it raises leaves as an EStringClass naming the operation.
template <typename Body>
auto Guard(int operation, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const EStringClass& e) {
    if (e.Operation() == operation) throw;
    throw EStringClass(operation, e.Failure(), e.Detail());
  } catch (const std::bad_alloc&) {
    throw EStringClass(operation, scfOutOfMemory);
  } catch (const std::exception& e) {
    throw EStringClass(operation, scfUnexpected, e.what());
  } catch (...) {
    throw EStringClass(operation, scfUnexpected);
  }
}

std::string_view ViewOf(const char* text) {
  return text == nullptr ? std::string_view() : std::string_view(text);
}

std::string_view SkipLeadingSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal digits of a whole-text real number: [sign] digits [. digits] [(e|E) [sign] digits],
// with at least one digit before the exponent.
bool IsRealSyntax(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == t.size();
}

// An optional sign, digits with one decimal point among them, and nothing else.
bool IsPlainDecimal(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0, points = 0;
  for (; i < t.size(); ++i) {
    if (IsDigit(t[i]))
      ++digits;
    else if (t[i] == '.' && points == 0)
      ++points;
    else
      return false;
  }
  return digits > 0;
}

}  // namespace

// --- construction ---

TStringClass::TStringClass() { TStringClass::Init(); }

TStringClass::TStringClass(std::initializer_list<TStringArg> args) : TStringClass() {
  Guard(scoCreateFrom, [&] { SetToArgs(args); });
}

TStringClass::TStringClass(const TStringClass& source) : TStringClass() { Assign(source); }

TStringClass& TStringClass::operator=(const TStringClass& source) {
  Assign(source);
  return *this;
}

TStringClass::~TStringClass() = default;

void TStringClass::Init() {
  buffer_.reset();
  size_ = 0;
  length_ = 0;
  blockSize_ = 0;
}

std::unique_ptr<TStringClass> TStringClass::Clone() const {
  return Guard(scoClone, [&] {
    auto copy = std::make_unique<TStringClass>();
    copy->Assign(*this);
    return copy;
  });
}

void TStringClass::Assign(const TStringClass& source) {
  Guard(scoAssign, [&] {
    if (&source == this) return;
    const std::uint16_t oldBlock = blockSize_;
    blockSize_ = source.blockSize_;
    try {
      Store(source.View());
    } catch (...) {
      blockSize_ = oldBlock;
      throw;
    }
  });
}

void TStringClass::Clear() {
  buffer_.reset();
  size_ = 0;
  length_ = 0;
}

std::string TStringClass::AsString() const {
  if (length_ > kMaxAsString) throw EStringClass(scoAsString, scfAsStringTooLong);
  return std::string(View());
}

// --- buffer management ---

void TStringClass::Store(std::string_view text) {
  std::string copy;
  if (buffer_ && text.data() >= buffer_.get() && text.data() <= buffer_.get() + size_) {
    copy.assign(text);  // a view of our own buffer would not survive a new allocation
    text = copy;
  }
  Grow(text.size());
  if (!text.empty()) std::memcpy(buffer_.get(), text.data(), text.size());
  buffer_[text.size()] = '\0';
  length_ = static_cast<std::uint16_t>(text.size());
}

void TStringClass::Grow(std::size_t needed) {
  if (needed > kMaxSize) throw EStringClass(scoEnlarge, scfTooLong);
  if (buffer_ && size_ >= needed) return;
  const std::size_t shortfall = needed > size_ ? needed - size_ : 0;
  std::size_t step = shortfall;
  if (shortfall < blockSize_) {
    // Near the limit the block step shrinks so the buffer still fits, but never below what the
    // text needs.
    if (std::size_t(blockSize_) + size_ > 65524) {
      step = size_ < 65525 ? std::max<std::size_t>(shortfall, 65525 - size_) : shortfall;
    } else {
      step = blockSize_;
    }
  }
  Enlarge(step);
}

void TStringClass::Enlarge(std::size_t step) {
  if (size_ + step > kMaxSize) throw EStringClass(scoEnlarge, scfTooLong);
  const std::size_t newSize = size_ + step;
  std::unique_ptr<char[]> block(new (std::nothrow) char[newSize + 1]);
  if (!block) throw EStringClass(scoEnlarge, scfOutOfMemory);
  if (buffer_)
    std::memcpy(block.get(), buffer_.get(), std::size_t(length_) + 1);
  else
    block[0] = '\0';
  buffer_ = std::move(block);
  size_ = static_cast<std::uint16_t>(newSize);
}

void TStringClass::Reset() {
  if (buffer_) buffer_[0] = '\0';
  // The size shrinks to the former length, as the buffer is known to hold at least that.
  size_ = length_;
  length_ = 0;
}

void TStringClass::UpdateLength() {
  length_ = buffer_ ? static_cast<std::uint16_t>(strnlen(buffer_.get(), size_)) : 0;
}

// --- rendering ---

std::string TStringClass::FormatReal(double value) {
  if (std::isnan(value)) return "Nan";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  if (value == 0) value = 0;  // no "-0"
  std::vector<char> text(400);
  std::snprintf(text.data(), text.size(), "%50.10f", value);
  std::string result(text.data());
  result.erase(0, result.find_first_not_of(' '));
  if (result.find('.') != std::string::npos) {
    result.erase(result.find_last_not_of('0') + 1);
    if (!result.empty() && result.back() == '.') result.pop_back();
  }
  return result;
}

std::string TStringClass::FormatPointer(const void* pointer) {
  char text[2 * sizeof(void*) + 1];
  std::snprintf(text, sizeof text, "%0*llX", int(2 * sizeof(void*)),
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
  return text;
}

std::string TStringClass::ObjectText(const TObject* obj) const {
  if (const auto* s = dynamic_cast<const TStringClass*>(obj)) return std::string(s->View());
  return {};
}

std::string TStringClass::Render(const TStringArg& arg) const {
  using Kind = TStringArg::Kind;
  switch (arg.kind()) {
    case Kind::Integer:
      return std::to_string(arg.integer());
    case Kind::Unsigned:
      return std::to_string(arg.unsignedValue());
    case Kind::Boolean:
      return arg.boolean() ? "True" : "False";
    case Kind::Char:
      return std::string(1, arg.character());
    case Kind::Real:
      return FormatReal(arg.real());
    case Kind::String:
      return std::string(arg.text());
    case Kind::PChar:
      return StrToStringSafe(arg.pchar());
    case Kind::Pointer:
      return FormatPointer(arg.pointer());
    case Kind::Object:
      return ObjectText(arg.object());
    case Kind::Class:
    case Kind::WideChar:
    case Kind::WideString:
      return {};
  }
  return {};
}

std::string TStringClass::RenderArgs(std::span<const TStringArg> args) const {
  std::string text;
  for (const TStringArg& arg : args) text += Render(arg);
  return text;
}

// --- argument lists ---

const char* TStringClass::SetToArgs(std::initializer_list<TStringArg> args) {
  return Guard(scoSetTo, [&] {
    if (args.size() == 0) {
      Clear();
      return Text();
    }
    std::string text = RenderArgs(args);
    if (text.size() > kMaxSize) throw EStringClass(scoEnlarge, scfTooLong);
    // Built afresh, as after Clear; the old buffer goes only once the new one exists.
    TStringClass fresh;
    fresh.blockSize_ = blockSize_;
    fresh.Store(text);
    buffer_ = std::move(fresh.buffer_);
    size_ = fresh.size_;
    length_ = fresh.length_;
    return Text();
  });
}

const char* TStringClass::AppendArgs(std::initializer_list<TStringArg> args) {
  return Guard(scoAppend, [&] {
    if (args.size() == 0) return Text();
    return AppendString(RenderArgs(args));
  });
}

const char* TStringClass::PrependArgs(std::initializer_list<TStringArg> args) {
  return Guard(scoPrepend, [&] {
    if (args.size() == 0) return Text();
    Store(RenderArgs(args) + std::string(View()));
    return Text();
  });
}

bool TStringClass::OccursInArgs(std::initializer_list<TStringArg> args) const {
  return Guard(scoOccursIn, [&] {
    const std::string text = RenderArgs(args);
    return length_ > 0 && !text.empty() && text.find(View()) != std::string::npos;
  });
}

const char* TStringClass::SetToLeft(std::initializer_list<TStringArg> args, std::size_t n) {
  return Guard(scoSetToLeft, [&] {
    const std::string text = RenderArgs(args);
    return SetLeft(text.c_str(), n);
  });
}

const char* TStringClass::SetFormat(std::string_view format,
                                    std::initializer_list<TStringArg> args) {
  return Guard(scoSetFormat, [&] {
    const std::string text = FormatArgs(format, args, *this);
    return SetTo(std::string_view(text));
  });
}

const char* TStringClass::SetFileNameArgs(std::initializer_list<TStringArg> args) {
  return Guard(scoSetFileName, [&] {
    const std::string text = RenderArgs(args);
    if (text.empty()) {
      Clear();
      return Text();
    }
    std::size_t cut = text.rfind('\\');
    if (cut == std::string::npos) cut = text.rfind(':');
    Store(cut == std::string::npos ? std::string_view(text)
                                   : std::string_view(text).substr(cut + 1));
    return Text();
  });
}

const char* TStringClass::SetBaseNameArgs(std::initializer_list<TStringArg> args) {
  return Guard(scoSetBaseName, [&] {
    SetFileNameArgs(args);
    std::uint16_t dot = 0;
    if (FindCharPos('.', dot)) Delete(dot, static_cast<std::uint16_t>(length_ - dot));
    return Text();
  });
}

void TStringClass::AppendObject(const TObject* obj) {
  Guard(scoAppendObject, [&] { AppendString(ObjectText(obj)); });
}

// --- conversions ---

bool TStringClass::AsBoolean(bool& value) const {
  if (length_ == 0) return false;
  static constexpr std::pair<const char*, const char*> kWords[] = {
      {"No", "Yes"}, {"0", "1"}, {"False", "True"}, {"F", "T"}, {"N", "Y"}, {"Off", "On"},
  };
  for (const auto& [no, yes] : kWords) {
    if (SameTextAscii(View(), no)) {
      value = false;
      return true;
    }
    if (SameTextAscii(View(), yes)) {
      value = true;
      return true;
    }
  }
  return false;
}

bool TStringClass::AsFloat(double& value) const {
  std::string_view text = SkipLeadingSpaces(View());
  if (!IsRealSyntax(text)) return false;
  if (text.front() == '+') text.remove_prefix(1);  // from_chars takes no plus sign
  double result = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  value = result;
  return true;
}

bool TStringClass::AsInteger(std::int32_t& value) const {
  std::string_view text = SkipLeadingSpaces(View());
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  long long magnitude = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return false;
  }
  if (!negative && magnitude > 2147483647LL) return false;
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

bool TStringClass::AsWord(std::uint16_t& value) const {
  std::int32_t n = 0;
  if (!AsInteger(n)) return false;
  value = static_cast<std::uint16_t>(n);
  return true;
}

// --- searching ---

bool TStringClass::FindCharPos(char ch, std::uint16_t& pos) const {
  const std::size_t at = View().find(ch);
  if (at == std::string_view::npos) return false;
  pos = static_cast<std::uint16_t>(at);
  return true;
}

bool TStringClass::LastCharPos(char ch, std::uint16_t& pos) const {
  const std::size_t at = View().rfind(ch);
  if (at == std::string_view::npos) return false;
  pos = static_cast<std::uint16_t>(at);
  return true;
}

bool TStringClass::FindCharFrom(char ch, std::uint16_t from, std::uint16_t& pos) const {
  if (from >= length_) return false;
  const std::size_t at = View().find(ch, from);
  if (at == std::string_view::npos) return false;
  pos = static_cast<std::uint16_t>(at);
  return true;
}

const char* TStringClass::FindChar(char ch) const {
  std::uint16_t pos = 0;
  return FindCharPos(ch, pos) ? buffer_.get() + pos : nullptr;
}

const char* TStringClass::FindLastChar(char ch) const {
  std::uint16_t pos = 0;
  return LastCharPos(ch, pos) ? buffer_.get() + pos : nullptr;
}

const char* TStringClass::Pos(const char* text) const {
  const std::string_view needle = ViewOf(text);
  if (length_ == 0 || needle.empty()) return nullptr;
  const std::size_t at = View().find(needle);
  return at == std::string_view::npos ? nullptr : buffer_.get() + at;
}

char TStringClass::CharAt(std::uint16_t index) const {
  if (index >= length_) throw EStringClass(scoCharAt, scfIndexBeyondEnd, std::to_string(index));
  return buffer_[index];
}

bool TStringClass::StartsWith(char ch) const { return length_ > 0 && buffer_[0] == ch; }

bool TStringClass::EndsWith(char ch) const { return length_ > 0 && buffer_[length_ - 1] == ch; }

bool TStringClass::ExtractDelimited(char openCh, char closeCh, TStringClass& dest,
                                    bool includeDelims, bool remove, std::uint16_t& len,
                                    std::uint16_t& start, std::uint16_t from) {
  return Guard(scoExtractDelimited, [&] {
    start = 0;
    const std::string_view text = View();
    if (from >= text.size()) return false;
    const std::size_t open = text.find(openCh, from);
    if (open == std::string_view::npos) return false;
    const std::size_t close = text.find(closeCh, openCh == closeCh ? open + 1 : open);
    if (close == std::string_view::npos) return false;
    const std::size_t spanLength = close - open + 1;
    std::string piece;
    if (includeDelims)
      piece = text.substr(open, spanLength);
    else if (spanLength > 2)
      piece = text.substr(open + 1, spanLength - 2);
    dest.SetText(std::string_view(piece));
    if (remove) Delete(static_cast<std::uint16_t>(open), static_cast<std::uint16_t>(spanLength));
    len = static_cast<std::uint16_t>(spanLength);
    start = static_cast<std::uint16_t>(open);
    return true;
  });
}

// --- splitting ---

std::uint16_t TStringClass::Split(char sep, int flags, TObjectContainer& container) const {
  TObjectContainer* target = &container;
  return Split(sep, flags, target);
}

std::uint16_t TStringClass::Split(char sep, int flags, TObjectContainer*& container) const {
  return Guard(scoSplit, [&] {
    if (container == nullptr) {
      container = new TObjectContainer();
      container->SetCapacity(10);
      container->SetDelta(10);
    }
    const bool skipEmpty = (flags & splitSkipEmpty) != 0;
    auto add = [&](std::string_view piece) {
      auto item = std::make_unique<TStringClass>();
      item->SetText(piece);
      switch (flags) {
        case splitDoubleQuote:
          item->DoubleQuote();
          break;
        case splitSingleQuote:
          item->SingleQuote();
          break;
        case splitUnDoubleQuote:
          if (item->Length() > 1) item->UnDoubleQuote();
          break;
        case splitUnSingleQuote:
          if (item->Length() > 1) item->UnSingleQuote();
          break;
        default:
          break;
      }
      const int before = container->Count();
      container->Add(item.get());
      // A container that ignored the piece as a duplicate did not take it over.
      if (container->Count() > before) item.release();
    };
    const std::string_view text = View();
    if (!text.empty()) {
      std::size_t begin = 0;
      for (std::size_t at = text.find(sep); at != std::string_view::npos;
           at = text.find(sep, begin)) {
        if (at > begin || !skipEmpty) add(text.substr(begin, at - begin));
        begin = at + 1;
      }
      if (begin < text.size())
        add(text.substr(begin));
      else if (!skipEmpty)
        add({});
    }
    return static_cast<std::uint16_t>(container->Count());
  });
}

// --- building and editing ---

const char* TStringClass::SetText(std::string_view text) {
  return Guard(scoSetText, [&] {
    Store(text);
    return Text();
  });
}

const char* TStringClass::SetText(const char* text) { return SetText(ViewOf(text)); }

const char* TStringClass::AppendString(std::string_view text) {
  return Guard(scoAppendString, [&] {
    if (length_ == 0) return SetText(text);
    if (text.empty()) return Text();
    if (std::size_t(length_) + text.size() > kMaxSize) throw EStringClass(scoEnlarge, scfTooLong);
    std::string joined(View());
    joined += text;
    Store(joined);
    return Text();
  });
}

const char* TStringClass::AppendText(const char* text) {
  return Guard(scoAppendText, [&] { return AppendString(ViewOf(text)); });
}

const char* TStringClass::AppendChar(char ch) {
  return Guard(scoAppendChar, [&] { return AppendString(std::string_view(&ch, 1)); });
}

const char* TStringClass::AppendInteger(long long value) {
  return Guard(scoAppendInteger, [&] { return AppendString(std::to_string(value)); });
}

const char* TStringClass::AppendFloat(double value) {
  return Guard(scoAppendFloat, [&] { return AppendString(FormatReal(value)); });
}

const char* TStringClass::AppendPointer(const void* pointer) {
  return Guard(scoAppendPointer, [&] { return AppendString(FormatPointer(pointer)); });
}

const char* TStringClass::AppendLeft(const char* text, std::size_t n) {
  return Guard(scoAppendLeft, [&] { return AppendString(ViewOf(text).substr(0, n)); });
}

const char* TStringClass::AppendMid(const char* text, std::size_t start, std::size_t n) {
  return Guard(scoAppendMid, [&] {
    const std::string_view source = ViewOf(text);
    if (start >= source.size()) return Text();
    return AppendString(source.substr(start, n));
  });
}

const char* TStringClass::SetLeft(const char* text, std::size_t n) {
  return Guard(scoSetLeft, [&] {
    const std::string_view source = ViewOf(text);
    if (source.empty()) {
      Clear();
      return Text();
    }
    return SetText(source.substr(0, n));
  });
}

const char* TStringClass::SetFrom(const char* text, std::size_t start) {
  return Guard(scoSetFrom, [&] {
    const std::string_view source = ViewOf(text);
    if (start >= source.size()) {
      Clear();
      return Text();
    }
    return SetText(source.substr(start));
  });
}

const char* TStringClass::SetMid(const char* text, std::size_t start, std::size_t n) {
  return Guard(scoSetMid, [&] {
    const std::string_view source = ViewOf(text);
    if (start >= source.size()) {
      Clear();
      return Text();
    }
    return SetText(source.substr(start, n));
  });
}

const char* TStringClass::SetPointer(const void* pointer) {
  return Guard(scoSetPointer, [&] { return SetTo(pointer); });
}

const char* TStringClass::PrependText(const char* text) {
  return Guard(scoPrependText, [&] {
    const std::string_view head = ViewOf(text);
    if (head.empty()) return Text();
    Store(std::string(head) + std::string(View()));
    return Text();
  });
}

const char* TStringClass::Delete(std::uint16_t start, std::uint16_t n) {
  if (length_ > 0) {
    StrDeleteChars(buffer_.get(), start, n);
    length_ = static_cast<std::uint16_t>(std::strlen(buffer_.get()));
  }
  return Text();
}

const char* TStringClass::TrimLeft() {
  const std::size_t first = View().find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    if (length_ > 0) Store({});
  } else if (first > 0) {
    Delete(0, static_cast<std::uint16_t>(first));
  }
  return Text();
}

const char* TStringClass::TrimZeros() {
  // Only the fraction of a plain decimal number loses its trailing zeros: "100" is a number, not
  // "1" with padding, and in "1.0e10" the zero belongs to the exponent.
  const std::string_view text = View();
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos || !IsPlainDecimal(text)) return Text();
  std::size_t end = text.find_last_not_of('0') + 1;
  if (end == dot + 1) --end;  // nothing left after the point: it goes too
  // A number without integer digits keeps one zero: ".000" is 0, not nothing.
  const bool keep_zero = end == 0 || (end == 1 && (text[0] == '-' || text[0] == '+'));
  Delete(static_cast<std::uint16_t>(end), static_cast<std::uint16_t>(length_ - end));
  if (keep_zero) AppendChar('0');
  return Text();
}

const char* TStringClass::MakeUpper() {
  for (std::uint16_t i = 0; i < length_; ++i) buffer_[i] = AsciiUpper(buffer_[i]);
  return Text();
}

const char* TStringClass::Quote(char quote) {
  if (length_ == 0) {
    Store(std::string_view(&quote, 1));
    return Text();
  }
  std::string text(View());
  if (text.front() != quote) text.insert(text.begin(), quote);
  if (text.back() != quote) text.push_back(quote);
  Store(text);
  return Text();
}

const char* TStringClass::UnQuote(char quote) {
  if (StartsWith(quote) && EndsWith(quote)) {
    Delete(static_cast<std::uint16_t>(length_ - 1), 1);
    Delete(0, 1);
  }
  return Text();
}

const char* TStringClass::DoubleQuote() {
  return Guard(scoDoubleQuote, [&] { return Quote('"'); });
}

const char* TStringClass::SingleQuote() {
  return Guard(scoSingleQuote, [&] { return Quote('\''); });
}

const char* TStringClass::UnDoubleQuote() { return UnQuote('"'); }

const char* TStringClass::UnSingleQuote() { return UnQuote('\''); }

}  // namespace tickwell
