// TStringClass: the DDE library's working string. A growable, zero-terminated character buffer of
// at most 65534 characters, built from argument lists, cut, searched, parsed as numbers or
// Booleans and split into containers. Failures raise EStringClass and leave the text unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/containers.h"
#include "support/object.h"
#include "support/string_class_args.h"

namespace tickwell {

// Operation numbers of the string class, as its failures report them.
enum TStringClassOperation : int {
  scoCreate = 30001,
  scoCreateFrom,
  scoAssign,
  scoClear,
  scoAsString,
  scoSetTo,
  scoSetToLeft,
  scoAppend,
  scoOccursIn,
  scoAsBoolean,
  scoAsFloat,
  scoAsInteger,
  scoAsWord,
  scoMakeUpper,
  scoSetBaseName,
  scoSetFileName,
  scoExtractDelimited,
  scoFindCharPos,
  scoCharAt,
  scoStartsWith,
  scoSplit,
  scoClone,
  scoReset,
  scoUpdateLength,
  scoAppendText,
  scoAppendString,
  scoAppendChar,
  scoAppendInteger,
  scoAppendFloat,
  scoAppendPointer,
  scoAppendLeft,
  scoAppendMid,
  scoSetText,
  scoSetLeft,
  scoSetFrom,
  scoSetMid,
  scoSetFormat,
  scoSetPointer,
  scoPrepend,
  scoPrependText,
  scoPos,
  scoFindChar,
  scoFindLastChar,
  scoLastCharPos,
  scoFindCharFrom,
  scoEndsWith,
  scoDelete,
  scoTrimLeft,
  scoTrimZeros,
  scoDoubleQuote,
  scoSingleQuote,
  scoUnDoubleQuote,
  scoUnSingleQuote,
  scoEnlarge,
  scoAppendObject,
  scoSetBlockSize,
};

// Failure description numbers.
enum TStringClassFailure : int {
  scfTooLong = 31001,  // the text would pass the buffer limit
  scfOutOfMemory,      // the buffer could not be allocated
  scfAsStringTooLong,  // the text is too long for a counted string
  scfIndexBeyondEnd,   // a character index at or beyond the length
  scfFormatMismatch,   // a format directive without a fitting argument
  scfBadFormat,        // a malformed format directive
  scfUnexpected,       // anything else raised inside an operation
};

const char* StringClassOperationName(int operation);
const char* StringClassFailureText(int failure);

class EStringClass : public std::runtime_error {
 public:
  // The message is "TStringClass : " + operation name + " : " + description; detail (what failed
  // underneath, the offending directive, ...) is kept apart for diagnostics.
  EStringClass(int operation, int failure, const std::string& detail = {});

  int Operation() const { return operation_; }
  int Failure() const { return failure_; }
  const std::string& Detail() const { return detail_; }

 private:
  int operation_;
  int failure_;
  std::string detail_;
};

class TStringClass : public TObject {
 public:
  static constexpr std::size_t kMaxSize = 65534;      // characters the buffer may hold
  static constexpr std::size_t kMaxAsString = 65500;  // longest text AsString returns

  TStringClass();
  // CreateFrom: a new object holding the text of args.
  explicit TStringClass(std::initializer_list<TStringArg> args);
  TStringClass(const TStringClass& source);             // Create, then Assign
  TStringClass& operator=(const TStringClass& source);  // Assign
  ~TStringClass() override;

  template <typename... A>
  static std::unique_ptr<TStringClass> CreateFrom(const A&... args) {
    auto result = std::make_unique<TStringClass>();
    result->SetTo(args...);
    return result;
  }

  // Appends what an object contributes to a text (see ObjectText).
  virtual void AppendObject(const TObject* obj);
  // Releases the buffer and zeroes size, length and block size.
  virtual void Init();
  virtual std::unique_ptr<TStringClass> Clone() const;

  void Assign(const TStringClass& source);
  void Clear();
  std::uint16_t Length() const { return length_; }
  bool IsEmpty() const { return length_ == 0; }
  // The zero-terminated text; null until the first assignment.
  const char* Text() const { return buffer_.get(); }
  std::string AsString() const;
  std::string_view View() const { return {buffer_ ? buffer_.get() : "", length_}; }
  std::uint16_t Size() const { return size_; }
  std::uint16_t BlockSize() const { return blockSize_; }
  void SetBlockSize(std::uint16_t blockSize) { blockSize_ = blockSize; }

  // Argument-list operations; each element is rendered as TStringArg describes.
  template <typename... A>
  const char* SetTo(const A&... args) {
    return SetToArgs({TStringArg(args)...});
  }
  template <typename... A>
  const char* Append(const A&... args) {
    return AppendArgs({TStringArg(args)...});
  }
  template <typename... A>
  const char* Prepend(const A&... args) {
    return PrependArgs({TStringArg(args)...});
  }
  template <typename... A>
  bool OccursIn(const A&... args) const {
    return OccursInArgs({TStringArg(args)...});
  }
  template <typename... A>
  const char* SetFileName(const A&... args) {
    return SetFileNameArgs({TStringArg(args)...});
  }
  template <typename... A>
  const char* SetBaseName(const A&... args) {
    return SetBaseNameArgs({TStringArg(args)...});
  }
  const char* SetToLeft(std::initializer_list<TStringArg> args, std::size_t n);
  const char* SetFormat(std::string_view format, std::initializer_list<TStringArg> args);

  const char* SetToArgs(std::initializer_list<TStringArg> args);
  const char* AppendArgs(std::initializer_list<TStringArg> args);
  const char* PrependArgs(std::initializer_list<TStringArg> args);
  bool OccursInArgs(std::initializer_list<TStringArg> args) const;
  const char* SetFileNameArgs(std::initializer_list<TStringArg> args);
  const char* SetBaseNameArgs(std::initializer_list<TStringArg> args);

  // Conversions. Each returns false (and leaves its output alone) when the whole text does not
  // convert; blanks before a number are skipped, nothing may follow it.
  bool AsBoolean(bool& value) const;
  bool AsFloat(double& value) const;
  bool AsInteger(std::int32_t& value) const;
  bool AsWord(std::uint16_t& value) const;

  const char* MakeUpper();

  // Finds openCh at or after from and the first closeCh after it; dest receives the span (with or
  // without the delimiters), remove cuts it out of this text. False, with nothing changed but
  // start set to 0, when either delimiter is missing.
  bool ExtractDelimited(char openCh, char closeCh, TStringClass& dest, bool includeDelims,
                        bool remove, std::uint16_t& len, std::uint16_t& start,
                        std::uint16_t from = 0);

  bool FindCharPos(char ch, std::uint16_t& pos) const;
  bool LastCharPos(char ch, std::uint16_t& pos) const;
  bool FindCharFrom(char ch, std::uint16_t from, std::uint16_t& pos) const;
  const char* FindChar(char ch) const;
  const char* FindLastChar(char ch) const;
  // The first occurrence of text; null when either text is empty or it does not occur.
  const char* Pos(const char* text) const;
  char CharAt(std::uint16_t index) const;
  bool StartsWith(char ch) const;
  bool EndsWith(char ch) const;

  // Split flags: exactly one of the quoting values, and/or splitSkipEmpty.
  static constexpr int splitDoubleQuote = 1;
  static constexpr int splitSingleQuote = 2;
  static constexpr int splitUnDoubleQuote = 4;
  static constexpr int splitUnSingleQuote = 8;
  static constexpr int splitSkipEmpty = 16;
  // Adds the pieces between separators to container as new TStringClass objects; a null
  // container is replaced by a new owning one (the caller owns it). Returns the container's count.
  std::uint16_t Split(char sep, int flags, TObjectContainer*& container) const;
  std::uint16_t Split(char sep, int flags, TObjectContainer& container) const;

  void Reset();
  void UpdateLength();
  const char* AppendText(const char* text);
  const char* AppendString(std::string_view text);
  const char* AppendChar(char ch);
  const char* AppendInteger(long long value);
  const char* AppendFloat(double value);
  const char* AppendPointer(const void* pointer);
  const char* AppendLeft(const char* text, std::size_t n);
  const char* AppendMid(const char* text, std::size_t start, std::size_t n);
  const char* SetText(const char* text);
  const char* SetText(std::string_view text);
  const char* SetLeft(const char* text, std::size_t n);
  const char* SetFrom(const char* text, std::size_t start);
  const char* SetMid(const char* text, std::size_t start, std::size_t n);
  const char* SetPointer(const void* pointer);
  const char* PrependText(const char* text);
  const char* Delete(std::uint16_t start, std::uint16_t n);
  const char* TrimLeft();
  const char* TrimZeros();
  const char* DoubleQuote();
  const char* SingleQuote();
  const char* UnDoubleQuote();
  const char* UnSingleQuote();

  // How an argument-list element is rendered.
  std::string Render(const TStringArg& arg) const;
  static std::string FormatReal(double value);
  static std::string FormatPointer(const void* pointer);

 protected:
  // What an object contributes to a text: a string class its text, anything else nothing.
  // Controls that have a text of their own extend this.
  virtual std::string ObjectText(const TObject* obj) const;

 private:
  std::string RenderArgs(std::span<const TStringArg> args) const;
  // Replaces the whole text, growing the buffer as needed; raises before changing anything.
  void Store(std::string_view text);
  void Grow(std::size_t needed);
  void Enlarge(std::size_t step);
  const char* Quote(char quote);
  const char* UnQuote(char quote);

  std::unique_ptr<char[]> buffer_;
  std::uint16_t size_ = 0;
  std::uint16_t length_ = 0;
  std::uint16_t blockSize_ = 0;
};

}  // namespace tickwell
